#!/usr/bin/env bash
# Prints the speed and memory figures of every benchmark that is built.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for b in "$build"/bench/*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$work"
done
# The real program started on a store of 100,000 records.
if [ -x "$build/bin/quillet" ] && [ -x "$build/bin/quillet-cli" ]; then
  echo "== startup"
  "$(dirname "${BASH_SOURCE[0]}")/startup-bench.sh" "$build" "$work"
fi
