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
