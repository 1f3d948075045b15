#!/usr/bin/env bash
# The main job: start quillet on this machine. Where nothing exists yet it
# first sets up the stand-in Palm Desktop (its data folder and a user
# "Demo User") and writes a demo store into that user's Quillet! folder, so
# that a fresh machine shows topics, notes, pictures and references at once.
# Nothing that exists is changed: an initialised Palm Desktop, its users and
# any quillet.dat stay as they are.
#
# The settings live in the registry store ($QUILLET_REGISTRY, else
# ~/.config/quillet/registry.db); the Palm Desktop data folder is
# $XDG_DATA_HOME/palm-desktop (~/.local/share/palm-desktop).
#
# Without a display ($DISPLAY / $WAYLAND_DISPLAY unset) quillet runs under
# xvfb-run, and a picture of its window is written after two seconds
# ($QUILLET_SCREENSHOT, default quillet-window.png in the build folder).
set -euo pipefail
build="$(cd "${1:?usage: run-main.sh BUILD_DIR}" && pwd)"
bin="$build/bin"
demo_user="Demo User"

reg_get() { "$bin/quillet-reg" get "$1" "$2" 2>/dev/null || true; }
core='Software\U.S. Robotics\Pilot Desktop\Core'

if [ -z "$(reg_get "$core" Path)" ]; then
  echo "Setting up the stand-in Palm Desktop"
  "$bin/quillet-palm-desktop" init
fi
palm_path="$(reg_get "$core" Path)"

if [ -z "$("$bin/quillet-palm-desktop" user list)" ]; then
  echo "Adding the Palm Desktop user \"$demo_user\""
  "$bin/quillet-palm-desktop" user add "$demo_user" >/dev/null
fi

# The demo user's folder (user list: id, name, folder, password).
folder="$("$bin/quillet-palm-desktop" user list | awk -F'\t' -v n="$demo_user" '$2 == n { print $3; exit }')"
if [ -n "$folder" ] && [ -n "$palm_path" ]; then
  output="${palm_path%/}/$folder/Quillet"
  if [ ! -e "$output/quillet.dat" ]; then
    mkdir -p "$output"
    echo "Writing a demo store to $output/quillet.dat"
    "$bin/quillet-cli" demo-store "$output/quillet.dat" >/dev/null
  fi
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/quillet"
fi

if ! command -v Xvfb >/dev/null; then
  echo "No display: set DISPLAY (or WAYLAND_DISPLAY), or install xvfb to run quillet on a" >&2
  echo "virtual screen (sudo apt-get install xvfb)." >&2
  exit 1
fi
# A virtual screen of our own, in its own session so that Ctrl-C reaches
# only quillet (which then closes as from its Exit command, saving its
# window placement) and the screen goes away after it.
n=99
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n - 1)); done
setsid Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
export QUILLET_SCREENSHOT="${QUILLET_SCREENSHOT:-$build/quillet-window.png}"
echo "No display: quillet runs on a virtual screen (Xvfb :$n)."
echo "A picture of its window is written to $QUILLET_SCREENSHOT after two seconds."
echo "To see the program itself, run this from a desktop session, or with ssh -X."
echo "Press Ctrl-C to end it."
DISPLAY=":$n" "$bin/quillet" &
app=$!
trap 'kill -TERM "$app" 2>/dev/null || true' INT TERM
status=0
while kill -0 "$app" 2>/dev/null; do wait "$app" || status=$?; done
kill "$xvfb" 2>/dev/null || true
wait "$xvfb" 2>/dev/null || true
exit "$status"
