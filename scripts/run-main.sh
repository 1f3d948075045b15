#!/usr/bin/env bash
# The main job: set up a demo user where nothing exists yet and start the
# program on it.
set -euo pipefail
build="$1"
bin="$build/bin"
demo="${QUILLET_DEMO_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/quillet-demo}"
mkdir -p "$demo"
store="$demo/quillet.dat"
if [ ! -f "$store" ]; then
  "$bin/quillet-cli" new "$store"
fi
"$bin/quillet-cli" check "$store"
"$bin/quillet-cli" dump "$store"
