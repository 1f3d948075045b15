#!/usr/bin/env bash
# One entry point for a fresh Debian machine:
#   scripts/dev.sh run    install what is missing, build, start the program
#   scripts/dev.sh test   install what is missing, build, run every test
#   scripts/dev.sh bench  install what is missing, build, print the benchmarks
#   scripts/dev.sh fuzz [SECONDS]
#                         install clang and the libFuzzer runtime when missing,
#                         build every fuzz target with clang in its own folder
#                         (FUZZ_BUILD_DIR, default: build-fuzz) and run each for
#                         SECONDS (default 60), printing executions and crashes
#                         (FUZZ_SANITIZE=OFF builds without the sanitizers)
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
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
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

# Only for the fuzz subcommand: the compiler and its fuzzing runtime.
fuzz_packages=(clang libclang-rt-14-dev)

install_fuzz_tools() {
  packages=("${fuzz_packages[@]}" "${packages[@]}")
  install_missing
}

# Builds every fuzz target the -DQUILLET_FUZZ=ON build defines, runs each for
# $1 seconds and prints what it did. Exit status 1 when any target crashed.
run_fuzzers() {
  local seconds="$1"
  local fbuild="${FUZZ_BUILD_DIR:-$here/build-fuzz}"
  # With AddressSanitizer and UndefinedBehaviorSanitizer, so that a bad read
  # or write is a crash too, not only what happens to fault.
  CC=clang CXX=clang++ cmake -S "$here" -B "$fbuild" -G Ninja -DQUILLET_FUZZ=ON -DQUILLET_GUI=OFF \
    -DQUILLET_SANITIZE="${FUZZ_SANITIZE:-ON}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  local targets
  targets=$(ninja -C "$fbuild" -t targets all | sed -n 's/^\([A-Za-z0-9_]*_fuzz\): phony$/\1/p' |
            grep -v '^cmake_' | sort -u)
  if [ -z "$targets" ]; then
    echo "No fuzz targets defined." >&2
    return 1
  fi
  # Programs that write a target's seed corpus (<target without _fuzz>_seeds).
  local seeders
  seeders=$(ninja -C "$fbuild" -t targets all | sed -n 's/^\([A-Za-z0-9_]*_seeds\): phony$/\1/p' | sort -u)
  # shellcheck disable=SC2086
  cmake --build "$fbuild" -j "$jobs" --target $targets $seeders
  local crashed=0 summary=()
  for t in $targets; do
    local corpus="$fbuild/corpus/$t" artifacts="$fbuild/artifacts/$t/" log="$fbuild/logs/$t.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    # The report builder starts from the shipped themes.
    if [ "$t" = reports_build_fuzz ] && [ -z "$(ls -A "$corpus")" ]; then
      cp "$here"/data/template/*.htm "$corpus"/ 2>/dev/null || true
    fi
    # The reference readers start from the test library in both formats.
    if [ "$t" = refexchange_read_fuzz ] && [ -z "$(ls -A "$corpus")" ]; then
      cp "$here"/store/refexchange/tests/data/library.* "$corpus"/ 2>/dev/null || true
    fi
    if [ -x "$fbuild/fuzz/${t%_fuzz}_seeds" ] && [ -z "$(ls -A "$corpus")" ]; then
      "$fbuild/fuzz/${t%_fuzz}_seeds" "$corpus"
    fi
    echo "== $t: ${seconds} s"
    local status=0
    "$fbuild/fuzz/$t" "$corpus" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
      -artifact_prefix="$artifacts" >"$log" 2>&1 || status=$?
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    [ -z "$runs" ] && runs=$(grep -o 'DONE *[0-9]*' "$log" | grep -o '[0-9]*' | tail -1)
    local found
    found=$(ls "$artifacts" 2>/dev/null | grep -E '^(crash|leak|timeout|oom)-' || true)
    if [ "$status" -ne 0 ] || [ -n "$found" ]; then
      crashed=1
      summary+=("$t: ${runs:-?} executions, FAILED (exit $status) ${found:+artifacts: $artifacts$found}; log: $log")
      grep -E 'ERROR|SUMMARY|==[0-9]+==' "$log" | head -5 || true
    else
      summary+=("$t: ${runs:-?} executions in ${seconds} s, no crash")
    fi
  done
  echo
  printf '%s\n' "${summary[@]}"
  return "$crashed"
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
    # a test that hangs fails on its own instead of holding the whole run
    ctest --output-on-failure --timeout 300 -j "$jobs"
    ;;
  bench)
    install_missing
    configure_and_build
    exec "$here/scripts/bench.sh" "$build"
    ;;
  fuzz)
    seconds="${2:-60}"
    case "$seconds" in
      ''|*[!0-9]*) echo "usage: scripts/dev.sh fuzz [SECONDS]" >&2; exit 2 ;;
    esac
    install_fuzz_tools
    run_fuzzers "$seconds"
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
    echo "usage: scripts/dev.sh run|test|bench|fuzz [SECONDS]|package [--check]" >&2
    exit 2
    ;;
esac
