#!/usr/bin/env bash
# The committed manual pages are what scripts/make-man makes from the built
# programs' --help and --version, and each renders without a warning.
#
# Usage: manual_pages.sh <source folder> <build folder>
# Ends with 77 (skipped) where help2man or groff is not installed.
set -uo pipefail
source=$(realpath "$1")
build=$(realpath "$2")
for program in help2man groff; do
  if ! command -v "$program" >/dev/null; then
    echo "$program is not installed: the manual pages were not checked"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$source/scripts/make-man" "$build" "$work" || exit 1

failures=0
for tool in datedit lmedit vtvolx vtweb; do
  # vtweb is built only where Boost is installed.
  [ -x "$build/$tool/$tool" ] || continue
  page=$source/man/$tool.1
  # The comment naming help2man's version may differ.
  if ! diff -u -I '^\.\\"' "$page" "$work/$tool.1"; then
    echo "FAILED: man/$tool.1 is not what the programs give now: run scripts/make-man"
    failures=$((failures + 1))
  fi
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
  if [ -n "$warnings" ]; then
    echo "FAILED: man/$tool.1 does not render cleanly:"
    echo "$warnings"
    failures=$((failures + 1))
  fi
done
[ $failures -eq 0 ] && echo "the manual pages are up to date and render cleanly"
exit $((failures > 0))
