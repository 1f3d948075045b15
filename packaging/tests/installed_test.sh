#!/usr/bin/env bash
# The installed program as a new user meets it.
#
#   installed_test.sh BUILD_DIR VERSION PROGRAM...
#   installed_test.sh --names ROOT PROGRAM...
#
# Installs the build into a scratch prefix (DESTDIR, prefix /usr): bin/
# holds the PROGRAMs and nothing else, each a program of its own (no link)
# named so that it cannot clash with another package's program (quillet,
# quillet-cli, BrightfenCheck or quillet-*), each with its manual page.
# Then it makes the prefix read-only and runs the installed programs as an
# ordinary user with a fresh home (as "nobody" through setpriv when this
# runs as root): every PROGRAM answers --help and --version without
# touching a setting and exits 2 on an unknown option; quillet comes up,
# puts what it writes into the XDG folders and nothing under the prefix or
# the current folder; a second start brings the first to the front and
# exits 0; every folder it and quillet-installer made is the user's alone
# (0700); quillet-installer started from another folder registers the
# installed conduit and notifier, which quillet-hotsync then calls.
#
# With --names only the first check runs, on what is laid out under ROOT
# already (ROOT/usr/bin, ROOT/usr/share/man/man1).
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "-- $*"; }

# ROOT PROGRAM...: ROOT/usr/bin holds the PROGRAMs and nothing else, each a
# program of its own under a name of ours, each with its manual page.
check_names() {
  local root="$1"
  shift
  local bin="$root/usr/bin" man1="$root/usr/share/man/man1" installed expected pages f p
  step "bin/ holds our programs alone, under names of ours, each with its manual page"
  [ -d "$bin" ] || fail "nothing is installed in $bin"
  installed="$(cd "$bin" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort)"
  while IFS= read -r f; do
    [ -n "$f" ] || continue
    case "$f" in
      quillet | quillet-cli | BrightfenCheck | quillet-?*) ;;
      *) fail "bin/$f is a name another package may use too (not quillet, quillet-cli, BrightfenCheck or quillet-*)" ;;
    esac
    [ ! -L "$bin/$f" ] && [ -f "$bin/$f" ] && [ -x "$bin/$f" ] ||
      fail "bin/$f is not a program of its own (a link, a folder or not executable)"
  done <<<"$installed"
  expected="$(printf '%s\n' "$@" | LC_ALL=C sort)"
  [ "$installed" = "$expected" ] || fail "bin/ holds [$(echo $installed)], not the programs [$(echo $expected)]"
  for p in "$@"; do
    [ -f "$man1/$p.1.gz" ] || fail "$p has no manual page $man1/$p.1.gz"
    gzip -dc "$man1/$p.1.gz" | grep -q "^\.TH ${p^^} 1 " || fail "the manual page of $p is headed with another name"
  done
  pages="$( (cd "$man1" 2>/dev/null && ls) | sed 's/\.1\.gz$//' | LC_ALL=C sort)"
  [ "$pages" = "$expected" ] || fail "the manual pages are for [$(echo $pages)], not for the programs [$(echo $expected)]"
}

if [ "${1:-}" = "--names" ]; then
  check_names "${@:2}"
  echo "OK"
  exit 0
fi

build="$(cd "$1" && pwd)"
version="$2"
shift 2
programs=("$@")

work="$(mktemp -d)"
cleanup() {
  [ -n "${app:-}" ] && kill -KILL "$app" 2>/dev/null
  [ -n "${installer:-}" ] && kill -KILL "$installer" 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

chmod 755 "$work"
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
bin="$root/usr/bin"
lib="$root/usr/lib/quillet"
data="$root/usr/share/quillet"
chmod -R a-w "$root"
listing() { (cd "$root" && find . -printf '%p %s %T@ %m\n' | LC_ALL=C sort); }
before="$(listing)"
check_names "$root" "${programs[@]}"

home="$work/home"
cwd="$work/started-here"
mkdir -p "$home/run" "$cwd"
chmod 700 "$home/run"
as_user=()
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
  chown -R "$(id -u nobody):$(id -g nobody)" "$home" "$cwd"
  as_user=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
  echo "running the installed programs as nobody"
else
  echo "running the installed programs as $(id -un)"
fi
# A login's environment and nothing else: no XDG_* folders set, so the
# defaults under the fresh home are used.
user=("${as_user[@]}" env -i -C "$cwd" PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run"
      QT_QPA_PLATFORM=offscreen LANG=C.UTF-8)
run() { "${user[@]}" "$@"; }
reg() { run "$bin/quillet-reg" "$@" 2>/dev/null || true; }
state="$home/.local/state/quillet"
log="$state/log.txt"
wait_for() {  # SECONDS COMMAND...: until COMMAND succeeds
  local limit=$(($1 * 10))
  shift
  for _ in $(seq "$limit"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

step "--help, --version and an unknown option"
for p in "${programs[@]}"; do
  [ -x "$bin/$p" ] || fail "$p is not installed in $bin"
  out="$(timeout 20 "${user[@]}" "$bin/$p" --help)" || fail "$p --help exited $?"
  grep -qi "usage" <<<"$out" || fail "$p --help printed no usage: $out"
  out="$(timeout 20 "${user[@]}" "$bin/$p" --version)" || fail "$p --version exited $?"
  [ "$out" = "$p $version" ] || fail "$p --version printed '$out', not '$p $version'"
  rc=0
  timeout 20 "${user[@]}" "$bin/$p" --no-such-option >/dev/null 2>&1 || rc=$?
  [ "$rc" -eq 2 ] || fail "$p --no-such-option exited $rc, not 2"
done
left="$(cd "$home" && find . -mindepth 1 -not -path './run' -not -path './run/*')"
[ -z "$left" ] || fail "--help/--version/unknown options wrote into the home folder: $left"

step "quillet comes up on a fresh account"
reg set 'HKCU\Software\Brightfen\Quillet' Log --dword 1 >/dev/null
"${user[@]}" "$bin/quillet" &  # the program itself: setpriv and env exec it
app=$!
wait_for 60 grep -q "Entering START Mode" "$log" 2>/dev/null || fail "quillet did not come up (no START mode in $log)"
grep -q "^Palm Desktop set up for" "$log" || fail "the first start did not set Palm Desktop up"

step "a second start brings the first to the front and exits 0"
rc=0
timeout 30 "${user[@]}" "$bin/quillet" || rc=$?
[ "$rc" -eq 0 ] || fail "the second start exited $rc"
wait_for 10 grep -q "Main Window Brought To Front" "$log" || fail "the running window was not brought to the front"
[ "$(grep -c "pre OLE Initialize" "$log")" -eq 1 ] || fail "the second start started a program of its own"
kill -0 "$app" 2>/dev/null || fail "the first program ended"

step "it ends on SIGTERM as from Exit"
kill -TERM "$app"
rc=0
wait "$app" || rc=$?
app=""
[ "$rc" -eq 0 ] || fail "quillet exited $rc"
[ "$(tail -c 15 "$log")" = "*** LOG END ***" ] || fail "the log did not end"

step "what it wrote is in the XDG folders"
[ "$(listing)" = "$before" ] || fail "something under the prefix changed"
[ -z "$(ls -A "$cwd")" ] || fail "files were written into the folder it was started from: $(ls -A "$cwd")"
themes="$home/.local/share/quillet/themes"
cmp -s "$themes/Show Everything.htm" "$data/template/Show Everything.htm" ||
  fail "the shipped themes were not copied into $themes"
[ -s "$home/.config/quillet/registry.db" ] || fail "no settings in ~/.config/quillet"
stores=("$home"/.local/share/palm-desktop/*/Quillet/quillet.dat)
[ -f "${stores[0]}" ] || fail "no store for the new Palm user"
[ "$(reg get 'HKCU\Software\Brightfen\Quillet' InstallPath)" = "$data/" ] || fail "InstallPath is not the data folder"
[ "$(reg get 'HKCU\Software\Brightfen\Quillet' LogPath)" = "$state/" ] || fail "LogPath is not the state folder"
stray="$(cd "$home" && find . -type f -not -path './.config/quillet/*' -not -path './.local/share/quillet/*' \
  -not -path './.local/share/palm-desktop/*' -not -path './.local/state/quillet/*' \
  -not -path './.cache/quillet/*' -not -path './run/*')"
[ -z "$stray" ] || fail "files outside our XDG folders: $stray"
# Other local users see none of it: every folder we made is the user's alone.
private_folders() {
  local open
  open="$(cd "$home" && find .config/quillet .local/share/quillet .local/share/palm-desktop .local/state/quillet \
    .cache/quillet -type d -perm /077 2>/dev/null || true)"
  [ -z "$open" ] || fail "folders open to other users: $open"
}
private_folders

step "quillet-installer started from another folder registers the installed libraries"
"${user[@]}" "$bin/quillet-installer" &
installer=$!
conduits='HKCU\Software\U.S. Robotics\Pilot Desktop\HotSync Manager\Conduits\QLTN'
registered() { [ "$(reg get "$conduits" Name)" = "$lib/libQuilletConduit10.so" ]; }
wait_for 60 registered || fail "the conduit was not registered from $lib"
notifier="$lib/libQuilletNotify10.so"
wait_for 10 bash -c "[ \"\$1\" = \"\$2\" ]" _ "$(reg get 'HKCU\Software\U.S. Robotics\Pilot Desktop\HotSync Manager\Notifiers' 0)" "$notifier" ||
  fail "the notifier was not registered from $lib"
queued=("$home"/.local/share/palm-desktop/*/Install/Quillet.prc)
wait_for 10 cmp -s "${queued[0]}" "$data/Quillet.prc" || fail "Quillet.prc was not queued"
# It now waits on its closing message, which nobody answers here.
kill -TERM "$installer" 2>/dev/null || true
wait "$installer" 2>/dev/null || true
installer=""
out="$(run "$bin/quillet-hotsync" --stage 0 2>&1)" || fail "quillet-hotsync could not call the registered notifier: $out"
grep -qF "$notifier: GetNotifierVersion -> 0" <<<"$out" || fail "quillet-hotsync did not call $notifier: $out"
[ "$(listing)" = "$before" ] || fail "something under the prefix changed"
[ -z "$(ls -A "$cwd")" ] || fail "files were written into the folder quillet-installer was started from"
private_folders
echo "OK"
