#!/usr/bin/env bash
# Every program and shared library of ours in the build tree is built the way
# the distribution hardens its packages: position independent, read-only
# relocations bound at start (relro, bind-now), stack protector, and - where
# the code calls a C library function that has one - the fortified variant.
# Usage: hardening_test.sh FILE...
set -u
failed=0
fortified=0
protected=0
for f in "$@"; do
  rel=$(basename "$f")
  if [ ! -f "$f" ]; then
    echo "missing: $rel"
    failed=1
    continue
  fi
  header=$(readelf -h "$f")
  dynamic=$(readelf -d "$f")
  segments=$(readelf -lW "$f")
  symbols=$(readelf --dyn-syms -W "$f")
  grep -q 'Type:[[:space:]]*DYN' <<<"$header" || { echo "$rel: not position independent"; failed=1; }
  grep -q 'GNU_RELRO' <<<"$segments" || { echo "$rel: no relro"; failed=1; }
  grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' <<<"$dynamic" || { echo "$rel: not bound now"; failed=1; }
  # A small library may have no function with a buffer to protect, and then
  # no guard at all; every program has some.
  if grep -q '__stack_chk_fail' <<<"$symbols"; then
    protected=$((protected + 1))
  elif [[ "$rel" != *.so ]]; then
    echo "$rel: no stack protector"
    failed=1
  fi
  grep -Eq '__[a-z_]+_chk@' <<<"$symbols" && fortified=$((fortified + 1))
done
# Not every file calls a function that has a fortified form, but most do.
if [ "$fortified" -eq 0 ]; then
  echo "no file calls a fortified function: _FORTIFY_SOURCE is off"
  failed=1
fi
if [ "$protected" -eq 0 ]; then
  echo "no file has a stack protector"
  failed=1
fi
echo "$# files checked, $protected with a stack protector, $fortified with fortified calls"
exit "$failed"
