#!/usr/bin/env bash
# One entry point for a fresh Debian machine:
#   scripts/dev.sh run    install what is missing, build, start the program
#   scripts/dev.sh test   install what is missing, build, run every test
#   scripts/dev.sh bench  install what is missing, build, print the benchmarks
#   scripts/dev.sh package [--check]
#                         build the Debian package (BUILD_DIR/quillet_*.deb) and
#                         check it with lintian; --check also installs it with
#                         dpkg, runs it and removes it again (needs root or sudo)
# BUILD_DIR (default: build) names the build folder.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
jobs="${JOBS:-2}"

packages=(
  g++ cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libsqlite3-dev libgcab-dev libssl-dev
  libgtest-dev googletest
  netpbm xauth xvfb
  desktop-file-utils appstream
)
# Only for making the package.
package_tools=(dpkg-dev file lintian)

install_missing() {
  local missing=()
  local wanted=("${packages[@]}" "$@")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
  cmake -S "$here" -B "$build" -G Ninja ${CMAKE_ARGS:-}
  cmake --build "$build" -j "$jobs"
}

case "${1:-}" in
  run)
    install_missing
    configure_and_build
    exec "$here/scripts/run-main.sh" "$build"
    ;;
  test)
    install_missing
    configure_and_build
    cd "$build"
    ctest --output-on-failure -j "$jobs"
    ;;
  bench)
    install_missing
    configure_and_build
    exec "$here/scripts/bench.sh" "$build"
    ;;
  package)
    install_missing "${package_tools[@]}"
    configure_and_build
    rm -f "$build"/quillet_*.deb
    (cd "$build" && cpack -G DEB)
    deb="$(ls "$build"/quillet_*.deb)"
    echo "Checking $deb with lintian"
    lintian --fail-on error "$deb"
    if [ "${2:-}" = "--check" ]; then
      sudo=""
      [ "$(id -u)" -ne 0 ] && sudo="sudo"
      $sudo dpkg -i "$deb"
      /usr/bin/quillet --version
      /usr/bin/quillet-cli --version
      $sudo dpkg -P quillet
      for f in /usr/bin/quillet /usr/lib/quillet /usr/share/quillet; do
        if [ -e "$f" ]; then
          echo "left behind after removal: $f" >&2
          exit 1
        fi
      done
      echo "The package installs and removes cleanly."
    fi
    echo "Install it with: sudo apt install $deb"
    ;;
  *)
    echo "usage: scripts/dev.sh run|test|bench|package [--check]" >&2
    exit 2
    ;;
esac
