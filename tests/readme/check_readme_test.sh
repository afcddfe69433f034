#!/usr/bin/env bash
# scripts/check-readme on small READMEs: each bad one must fail and name the
# lines of its bad blocks; the good one must pass, and leave nothing behind.
#
# Usage: check_readme_test.sh <check-readme> <build folder>
set -euo pipefail
runner=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"
failed=0

# expect pass|fail LINE... < README: the runner's result, and the README
# lines its report names.
expect() {
  local want=$1 got=pass line
  shift
  cat >"$work/README.md"
  TMPDIR=$work/tmp "$runner" "$work/README.md" "$build" >"$work/out" 2>&1 || got=fail
  for line in "$@"; do
    grep -q "^README.md:$line: FAILED" "$work/out" || got="$got, without line $line"
  done
  if [ "$got" != "$want" ]; then
    echo "expected $want, got $got, for:"
    sed 's/^/  | /' "$work/README.md"
    sed 's/^/  > /' "$work/out"
    failed=1
  fi
}

# Blocks and markers that do not pair up; every one is reported.
expect fail 3 5 9 12 <<'EOF'
A block without a marker:

    echo hello

<!-- example -->
A marker followed by text, not by a block.

<!-- unknown -->
    echo hello

<!-- example -->
    output without a command
    $ true
EOF

# Wrong output, exit codes, a failing script, a ! that bash rewrites at a
# prompt (in a script and in a transcript), a wrong screen, a missing one.
expect fail 2 6 9 13 16 19 23 27 <<'EOF'
<!-- example -->
    $ echo hello
    goodbye

<!-- example -->
    $ false

<!-- example exit 1 -->
    $ build/datedit/datedit planes9.dat
    ...

<!-- example -->
    test -f no-such-file

<!-- example -->
    echo "!*.bmp"

<!-- example -->
    $ echo x!y
    x!y

<!-- screen last: printf 'Q' | build/datedit/datedit samples/planes1.dat -->
    File:samples/planes1.dat Pos:    5 recnow:    5 range: 0 - 11
    ...

<!-- screen 9: printf 'Q' | build/datedit/datedit samples/planes1.dat -->
    ...
EOF

# Contents that miss a heading; an example that leaves a file .gitignore does
# not cover, and one that changes a file of the source tree.
expect fail 1 3 <<'EOF'
# Title

## Contents

- [Wrong](#wrong)

## Right

<!-- example -->
    touch stray.txt && printf x >>samples/planes1.dat
EOF

expect pass <<'EOF'
# A good README

<!-- example -->
    $ printf 'a\nb\nc\nd\n' >letters.txt
    $ cat letters.txt
    a
    ...
    d
    $ printf 'x\ny\n' |
        wc -l
    2

- In a list item, a block is indented by the bullet too:

  <!-- example exit 3 -->
      $ test "$(cat letters.txt)" = "$(printf 'a\nb\nc\nd')" && echo same
      same
      $ rm letters.txt
      $ (exit 3)

<!-- screen last: printf 'Q' | build/datedit/datedit samples/planes1.dat -->
    File:samples/planes1.dat Pos:    0 recnow:    0 range: 0 - 11
    ...
    j=jump 2 rec|F=frmtd|^F=get Fmt-file|^R=reread Fmt|^Q auto-seek fmt file|

<!-- example exit 4 in release -->
    test -x ./vtvolx && test -d volin && exit 4

<!-- not run: syntax summary -->
    datedit [data file [format file]]
EOF
if [ -n "$(ls -A "$work/tmp")" ] || [ "$(ls "$work")" != "$(printf 'README.md\nout\ntmp')" ]; then
  echo "the runner left files behind:"
  ls -AR "$work"
  failed=1
fi

"$runner" --list "$work/README.md" >"$work/list"
if ! grep -qx 'README.md:30: not run: syntax summary' "$work/list" || [ "$(wc -l <"$work/list")" -ne 5 ]; then
  echo "--list printed:"
  cat "$work/list"
  failed=1
fi
exit "$failed"
