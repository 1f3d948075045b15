#!/usr/bin/env bash
# Start-up at scale: writes a realistic store (quillet-cli synth-store) into
# a scratch Palm user's folder, copies it once with cp for the yardstick,
# then starts the real program offscreen on it and prints the time from the
# start to the main window shown with its tree filled, and the peak memory,
# with their ratios to the targets (3x the cp time; 1.5x the store plus
# 64 MB), the steps of each start as the program times them and the
# phases of its store load (the "load:" line, store/LoadPhases.h)
# (QUILLET_START_NS: when the script started it). The starts: the first of
# the day without picture files (they are written in the background
# afterwards; the daily backup is taken), three with them written, and the
# first of a new day, whose backup compares the store with the day
# before's copy of the same size. Last, the program on a
# store of one topic, and what the large store adds to a start.
#
# usage: startup-bench.sh BUILD_DIR [WORK_DIR]
#   BENCH_TOPICS (5000), BENCH_MEMBERS (19), BENCH_PICTURES (4759) size the store.
#   BENCH_BASE=OTHER_BUILD_DIR runs every start with that build too, right
#   before this one's, on the same store and files: before and after side
#   by side in one run.
set -euo pipefail
build="$(cd "${1:?usage: startup-bench.sh BUILD_DIR [WORK_DIR]}" && pwd)"
bin="$build/bin"
base=""
[ -n "${BENCH_BASE:-}" ] && base="$(cd "$BENCH_BASE" && pwd)"
work="${2:-$(mktemp -d)}"
topics="${BENCH_TOPICS:-5000}"
members="${BENCH_MEMBERS:-19}"
pictures="${BENCH_PICTURES:-4759}"

root="$work/startup_bench"
rm -rf "$root"
mkdir -p "$root"/{config,data,cache,state,run}
chmod 700 "$root/run"
export XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" XDG_CACHE_HOME="$root/cache"
export XDG_STATE_HOME="$root/state" XDG_RUNTIME_DIR="$root/run"
export QUILLET_REGISTRY="$root/config/registry.db"
export QT_QPA_PLATFORM=offscreen
unset QUILLET_SCREENSHOT

"$bin/quillet-palm-desktop" init >/dev/null
"$bin/quillet-palm-desktop" user add "Bench User" >/dev/null
folder="$("$bin/quillet-palm-desktop" user list | awk -F'\t' '$2 == "Bench User" { print $3; exit }')"
palm="$("$bin/quillet-reg" get 'Software\U.S. Robotics\Pilot Desktop\Core' Path)"
output="${palm%/}/$folder/Quillet"
mkdir -p "$output"
store="$output/quillet.dat"
"$bin/quillet-cli" synth-store "$store" --topics "$topics" --members "$members" \
  --pictures "$pictures" | sed 's/^/synth-store: /'
bytes=$(stat -c %s "$store")

now_ns() { date +%s%N; }

# The yardstick: copying the store file (the best of three, the file cached).
cp_ms=""
for _ in 1 2 3; do
  rm -f "$root/copy.dat"
  a=$(now_ns)
  cp "$store" "$root/copy.dat"
  b=$(now_ns)
  ms=$(( (b - a) / 1000000 ))
  if [ -z "$cp_ms" ] || [ "$ms" -lt "$cp_ms" ]; then cp_ms=$ms; fi
done
rm -f "$root/copy.dat"
[ "$cp_ms" -lt 1 ] && cp_ms=1

# One start of the program in build $2 (this one by default): the time
# until it says "shown", its peak memory (the maximum resident set, from
# GNU time) and the steps of the start as the program timed them (a
# program that does not time them leaves steps empty).
start_once() {
  local mode="$1" program="${2:-$build}/bin/quillet" a b line
  a=$(now_ns)
  exec 3< <(QUILLET_START_NS="$a" QUILLET_QUIT_WHEN_SHOWN="$mode" /usr/bin/time -f '%M' -o "$root/time.txt" "$program" 2>"$root/stderr.txt")
  local pid=$!
  line=""
  steps=""
  load=""
  while IFS= read -r line <&3; do
    case "$line" in
      "steps: "*) steps="${line#steps: }" ;;
      "load: "*) load="${line#load: }" ;;
    esac
    [ "$line" = "shown" ] && break
  done
  b=$(now_ns)
  cat <&3 >/dev/null || true
  exec 3<&-
  wait "$pid" 2>/dev/null || true
  if [ "$line" != "shown" ]; then
    echo "quillet did not show its window:" >&2
    cat "$root/stderr.txt" >&2
    exit 1
  fi
  shown_ms=$(( (b - a) / 1000000 ))
  peak_kb=$(tail -1 "$root/time.txt")
}

report() {
  local label="$1"
  awk -v l="$label" -v s="$shown_ms" -v c="$cp_ms" -v p="$peak_kb" -v b="$bytes" 'BEGIN {
    limit = (1.5 * b + 64 * 1048576) / 1024
    printf "%-48s %6d ms  %5.1fx cp (target 3x)   peak %4.0f MB  %4.2fx of 1.5x store + 64 MB\n",
           l, s, s / c, p / 1024, p / limit }'
  [ -z "$steps" ] || echo "    steps: $steps"
  [ -z "$load" ] || echo "    load: $load"
}

# The steps of two starts side by side ("name N ms, ..." each, in the same
# order): each step of the first, what it takes more than in the second,
# and that as a multiple of the cp time.
steps_beside() {
  awk -v a="$1" -v b="$2" -v c="$cp_ms" 'BEGIN {
    n = split(a, pa, ", "); split(b, pb, ", ")
    for (i = 1; i <= n; ++i) {
      ms_a = pa[i]; sub(/ ms$/, "", ms_a); name = ms_a; sub(/ [^ ]*$/, "", name); sub(/.* /, "", ms_a)
      ms_b = pb[i]; sub(/ ms$/, "", ms_b); sub(/.* /, "", ms_b)
      printf "    %-36s %7.1f ms  %7.1f ms  %+7.1f ms  %5.2fx cp\n", name, ms_a, ms_b, ms_a - ms_b, (ms_a - ms_b) / c
    }
  }'
}

pics() { find "$output" -maxdepth 1 -name '*.jpg' | wc -l; }

copies="$XDG_DATA_HOME/quillet/backups"
# Back to a first start of the day: no copies, no picture files, no index.
first_of_day() {
  rm -rf "$copies"
  find "$output" -maxdepth 1 -name '*.jpg' -delete
  rm -f "$XDG_CACHE_HOME"/quillet/pictures-*.idx
}
# The newest copy made two days older, as the day before left it.
new_day() {
  local newest
  newest=$(find "$copies" -name 'quillet-*.dat' | sort | tail -1)
  [ -n "$newest" ] || return 0
  local older
  older="$(dirname "$newest")/quillet-$(date -u -d '2 days ago' +%Y%m%d-%H%M%S).dat"
  # With a base build, its start may have left no copy of its own: the
  # newest is then already the day before's.
  [ "$newest" = "$older" ] || mv "$newest" "$older"
}

# Each start with the base build first (when there is one), then this one.
each() {
  local label="$1" mode="$2" prepare="$3" b
  for b in $base $build; do
    $prepare
    start_once "$mode" "$b"
    if [ -n "$base" ]; then
      if [ "$b" = "$base" ]; then report "$label, base"; else report "$label"; fi
    else
      report "$label"
    fi
  done
}

echo "store: $(awk -v b="$bytes" 'BEGIN { printf "%.0f MB", b / 1048576 }'), cp ${cp_ms} ms"
each "first start (no picture files)" idle first_of_day
echo "  picture files written in the background afterwards: $(pics)"
each "second start (picture files written)" 1 :
best_ms=$shown_ms
best_steps=$steps
best_load=$load
# The best of three starts with the files written, as the one-topic
# store's below.
for label in "third start" "fourth start"; do
  each "$label" 1 :
  if [ "$shown_ms" -lt "$best_ms" ]; then
    best_ms=$shown_ms
    best_steps=$steps
    best_load=$load
  fi
done
each "new day (the day before's copy compared)" 1 new_day
echo "  picture files: $(pics); copies: $(find "$copies" -name 'quillet-*.dat' | wc -l)"

# The program itself: the same user on a store of one topic, the best of
# three starts after a first one, beside the large store's best start with
# its files written (the best of the second to fourth above). The
# difference is what the records cost a start.
large_ms=$best_ms
mv "$store" "$root/large.dat"
"$bin/quillet-cli" synth-store "$store" --topics 1 --members 1 --pictures 0 >/dev/null
start_once 1
small_ms=""
small_steps=""
for _ in 1 2 3; do
  start_once 1
  if [ -z "$small_ms" ] || [ "$shown_ms" -lt "$small_ms" ]; then
    small_ms=$shown_ms
    small_steps=$steps
  fi
done
mv "$root/large.dat" "$store"
awk -v s="$small_ms" -v l="$large_ms" -v c="$cp_ms" 'BEGIN {
  printf "%-48s %6d ms  %5.1fx cp\n", "the program on a one-topic store (best of 3)", s, s / c
  printf "%-48s %6d ms  %5.1fx cp (best start with files written: %d ms)\n",
         "what the large store adds", l - s, (l - s) / c, l }'
# Step by step: the best large start, the best one-topic start, the
# difference.
if [ -n "$best_steps" ] && [ -n "$small_steps" ]; then
  printf "    %-36s %10s  %10s  %10s\n" "step" "large" "one topic" "added"
  steps_beside "$best_steps" "$small_steps"
fi
# The best large start's store load, phase by phase.
[ -z "$best_load" ] || echo "store load of the best large start: $best_load"
[ -n "${KEEP_BENCH:-}" ] || rm -rf "$root"
