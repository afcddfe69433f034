#!/usr/bin/env bash
# The README's lmedit example for scripts, run exactly as written from a
# folder laid out like the source tree: it must end normally.
#
# Usage: lmedit_stream_example.sh <README.md> <lmedit binary> <samples folder>
set -euo pipefail
readme=$(realpath "$1")
lmedit=$(realpath "$2")
samples=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/lmedit"
ln -s "$lmedit" "$work/build/lmedit/lmedit"
ln -s "$samples" "$work/samples"

# The indented lines of the first code block after lmedit's "In stream mode".
example=$(awk '/^## lmedit/ { section = 1 }
               section && /In stream mode/ { found = 1 }
               found && /^    / { print substr($0, 5); block = 1; next }
               block { exit }' "$readme")
[ -n "$example" ] || { echo "no example found in $readme"; exit 1; }
cd "$work"
if ! output=$(sh -e -c "$example" 2>&1); then
  echo "the example failed:"
  echo "$example"
  echo "$output" | tail -n 5
  exit 1
fi
