#!/usr/bin/env bash
# Each tool started with a standard stream closed: no file the tool opens may
# take the closed stream's place. A closed input reads as ended input
# (run-time error 100), a closed output discards what is written; the user's
# files stay byte for byte and nothing appears beside them.
#
# Usage: closed_standard_streams.sh <datedit> <lmedit> <vtvolx> <samples folder>
set -uo pipefail
datedit=$(realpath "$1")
lmedit=$(realpath "$2")
vtvolx=$(realpath "$3")
samples=$(realpath "$4")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# A fresh folder with the sample files, a volume of them, and a checksum list
# of everything in it.
prepare() {
  rm -rf "$work/case" && mkdir -p "$work/case/sub"
  cp "$samples/planes1.dat" "$samples/lndmrks0.mrf" "$work/case/sub/"
  cp "$samples/lndmrks0.mrf" "$work/case/sub/out.mrf"
  cp -r "$samples/volin" "$work/case/sub/volin"
  (cd "$work/case/sub" && "$vtvolx" -make game.vol volin >/dev/null)
  (cd "$work/case" && find . -type f | sort | xargs sha256sum) >"$work/before"
}

unchanged() {
  (cd "$work/case" && find . -type f | sort | xargs sha256sum) >"$work/after"
  diff "$work/before" "$work/after" >/dev/null
}

# name @ command run in case/sub @ expected exit code
cases=(
  "datedit, output closed @ printf Q | '$datedit' planes1.dat >&- @ 0"
  "datedit, input closed @ '$datedit' planes1.dat <&- >/dev/null @ 100"
  "lmedit, output closed @ printf E | '$lmedit' lndmrks0.mrf out.mrf >&- @ 0"
  "lmedit, input closed @ '$lmedit' lndmrks0.mrf out.mrf <&- >/dev/null @ 100"
  "vtvolx -list, input closed @ '$vtvolx' game.vol -list <&- >/dev/null @ 100"
  "vtvolx -batch, input closed @ '$vtvolx' game.vol -batch <&- >/dev/null @ 100"
)
for entry in "${cases[@]}"; do
  name=${entry%% @ *}
  rest=${entry#* @ }
  command=${rest% @ *}
  expected=${rest##* @ }
  prepare
  (cd "$work/case/sub" && eval "$command" 2>/dev/null)
  status=$?
  [ "$status" = "$expected" ] || fail "$name: exit $status, expected $expected"
  unchanged || fail "$name: files changed or added: $(diff "$work/before" "$work/after")"
done

# Extraction with input and output closed gives the same files as with both
# open; only the working files beside the program differ.
prepare
cp "$vtvolx" "$work/case/vtvolx"
mkdir "$work/case/open" "$work/case/closed"
(cd "$work/case/open" && ../vtvolx ../sub/game.vol -all </dev/null >/dev/null 2>&1)
(cd "$work/case/closed" && ../vtvolx ../sub/game.vol -all 0<&- 1>&- 2>/dev/null)
status=$?
[ "$status" = 0 ] || fail "vtvolx -all, input and output closed: exit $status"
diff -r "$work/case/open" "$work/case/closed" >/dev/null ||
  fail "vtvolx -all, input and output closed: extracted files differ"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "closed standard streams: all cases held"
