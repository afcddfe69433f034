#!/usr/bin/env bash
# datedit and lmedit in a real terminal (tmux): a SIGTERM or SIGHUP while they
# wait for a key must give the terminal back with echo and line input on (and
# lmedit's window its inactive title), a run-time error's message must still
# be readable after the program ended, a locale without the screen's glyphs
# must not shift the grid, and a terminal that cannot move its cursor gets
# stream mode.
#
# A fatal signal while a file is held under its temporary name and the
# terminal is in use removes the name and gives the terminal back, whichever
# of the two was taken first.
#
# Usage: terminal_safety.sh <datedit binary> <lmedit binary> <samples folder>
#                           <hold_temporary_file binary>
set -euo pipefail
datedit=$(realpath "$1")
lmedit=$(realpath "$2")
samples=$(realpath "$3")
hold_temporary=$(realpath "$4")
command -v tmux >/dev/null || { echo "tmux is missing"; exit 1; }

work=$(mktemp -d)
session=0
# Every session gets a server of its own, so that one ending cannot take the
# next with it.
tmux_() { tmux -S "$work/tmux.$session" "$@"; }
trap 'tmux_ kill-server 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$samples/planes1.dat" "$samples/lndmrks0.mrf" "$work/"
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Starts a command in a fresh 100 x 40 terminal; afterwards the shell writes
# the exit code and the terminal's modes.
start() {
  tmux_ kill-server 2>/dev/null || true
  session=$((session + 1))
  tmux_ new-session -d -x 100 -y 40 -c "$work" \
    "$1; echo EXIT=\$?; echo MODES: \$(stty -a | tr -s ' ;' '\n\n' | grep -xE -- '-?(icanon|echo)') :END; sleep 30"
}

screen() { tmux_ capture-pane -p -J -S -60; }

wait_for() { # text [seconds]
  local deadline=$((SECONDS + ${2:-10}))
  until screen | grep -qF -- "$1"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# The program started by the pane's shell.
program_pid() { pgrep -P "$(tmux_ display -p '#{pane_pid}')" | head -n 1; }

check_signal() { # name command text-to-wait-for signal
  local name=$1 signal=$4
  start "$2"
  wait_for "$3" || { fail "$name: never showed \"$3\""; screen; return; }
  kill -s "$signal" "$(program_pid)"
  wait_for ":END" || { fail "$name: did not end on SIG$signal"; return; }
  local modes
  modes=$(screen | grep "MODES:")
  if [[ " $modes " == *" icanon "* && " $modes " == *" echo "* ]]; then
    echo "ok: $name, SIG$signal, modes: $modes"
  else
    fail "$name: after SIG$signal the modes are \"$modes\""
  fi
  local title
  title=$(tmux_ display -p '#{pane_title}')
  if [[ $name == lmedit && $title != "(Inactive "*")" ]]; then
    fail "$name: after SIG$signal the title is \"$title\""
  fi
}

for signal in TERM HUP; do
  check_signal datedit "'$datedit' planes1.dat" "f=forward|b=back" "$signal"
  cp "$work/lndmrks0.mrf" "$work/out.mrf"
  check_signal lmedit "'$lmedit' lndmrks0.mrf out.mrf" "E=end..." "$signal"
done
rm -f "$work/out.mrf"

# A run-time error: its message and the last screen stay readable.
start "'$datedit' planes1.dat missing.txt"
wait_for "missing.txt" || fail "datedit never showed the format path"
tmux_ send-keys Enter
if wait_for ":END" && screen | grep -qF "EXIT=2"; then
  screen | grep -qF 'Runtime error 2: cannot open' || fail "datedit: the error message is not readable"
  screen | grep -qF '//missing.txt' || fail "datedit: the last screen is not readable"
  modes=$(screen | grep "MODES:")
  [[ " $modes " == *" icanon "* && " $modes " == *" echo "* ]] ||
    fail "datedit: after the run-time error the modes are \"$modes\""
  echo "ok: datedit run-time error readable, modes: $modes"
else
  fail "datedit did not end with run-time error 2"
fi

start "'$lmedit' lndmrks0.mrf out.mrf"
wait_for "press a key" || fail "lmedit never made its blank file"
tmux_ send-keys k
wait_for "E=end..." || fail "lmedit never showed its main screen"
tmux_ send-keys J
wait_for "Enter rec# to go to" || fail "lmedit never asked for a record"
tmux_ send-keys 12x Enter
if wait_for ":END" && screen | grep -qF "EXIT=106"; then
  screen | grep -qF 'Runtime error 106' || fail "lmedit: the error message is not readable"
  screen | grep -qF 'Enter rec# to go to' || fail "lmedit: the last screen is not readable"
  echo "ok: lmedit run-time error readable"
else
  fail "lmedit did not end with run-time error 106"
fi

# A locale that lacks the screen's glyphs: each shows as one "?", so the
# dump's 3-column cells stay in line, and the last screen printed at the end
# holds nothing the locale cannot show either.
start "LC_ALL=C '$datedit' planes1.dat"
wait_for "f=forward|b=back" || fail "datedit under LC_ALL=C never showed its menu"
tmux_ send-keys a
wait_for "possible:    TRUE" || fail "datedit under LC_ALL=C did not switch to characters"
dump=$(screen | sed -n '5,6p')
if grep -qvE '^( [0-9A-F]{2}| \..)+$' <<<"$dump" || ! grep -qF '.?' <<<"$dump"; then
  fail "datedit under LC_ALL=C: the dump is out of line:"$'\n'"$dump"
else
  echo "ok: datedit under LC_ALL=C keeps its cells in line"
fi
tmux_ send-keys Q
wait_for ":END" || fail "datedit under LC_ALL=C did not end"
if screen | grep -qP '[^\x20-\x7E]'; then
  fail "datedit under LC_ALL=C printed what the locale cannot show at the end"
fi

# Bytes the locale cannot decode are keys one by one: the keys after them
# still come (here Q, which ends datedit), also when the rest of a character
# that has begun never does.
for case in "C:c3 a9" "C.UTF-8:e9"; do
  locale=${case%%:*}
  start "LC_ALL=$locale '$datedit' planes1.dat"
  wait_for "f=forward|b=back" || fail "datedit under LC_ALL=$locale never showed its menu"
  # shellcheck disable=SC2086
  tmux_ send-keys -H ${case#*:}
  sleep 0.3
  tmux_ send-keys Q
  if wait_for "EXIT=0" 5; then
    echo "ok: datedit under LC_ALL=$locale takes keys after the bytes ${case#*:}"
  else
    fail "datedit under LC_ALL=$locale does not take keys after the bytes ${case#*:}"
  fi
done

# Ctrl+C, and SIGTERM, end a run that waits for another program's lock at
# once, and nothing is written.
head -c 46 /dev/zero >"$work/zero.rec"
lock_cases=(
  "datedit:C-c:130:planes1.dat:'$datedit' planes1.dat:f=forward|b=back:r zero.rec Enter"
  "lmedit:C-c:255:out.mrf:'$lmedit' lndmrks0.mrf out.mrf:E=end...:Z"
  "lmedit:TERM:143:out.mrf:'$lmedit' lndmrks0.mrf out.mrf:E=end...:Z"
)
for case in "${lock_cases[@]}"; do
  IFS=: read -r name interrupt code locked command ready keys <<<"$case"
  cp "$samples/lndmrks0.mrf" "$work/out.mrf"
  cp "$work/$locked" "$work/before"
  # The lock is flock's own (-o): it goes when flock is killed.
  flock -o "$work/$locked" sleep 30 </dev/null >/dev/null 2>&1 &
  holder=$!
  start "$command"
  wait_for "$ready" || fail "$name never showed \"$ready\""
  # shellcheck disable=SC2086
  tmux_ send-keys $keys
  wait_for "waiting for another program" || fail "$name did not wait for the lock on $locked"
  if [[ $interrupt == C-c ]]; then tmux_ send-keys C-c; else kill -s "$interrupt" "$(program_pid)"; fi
  if wait_for "EXIT=$code" 5 && cmp -s "$work/$locked" "$work/before"; then
    echo "ok: $name ended by $interrupt during a lock wait with $code, $locked unchanged"
  else
    fail "$name was not ended by $interrupt during a lock wait with $code and nothing written"
  fi
  kill "$holder"
  wait "$holder" 2>/dev/null || true
done
rm -f "$work/out.mrf"

for order in terminal-first file-first; do
  for signal in TERM HUP INT PIPE; do
    start "'$hold_temporary' held.dat $order"
    name="a temporary file ($order), SIG$signal"
    wait_for "holding" || { fail "$name: the holder never started"; screen; continue; }
    temporary=$(screen | grep -o '\.vantor-tmp-[^ ]*' | head -n 1)
    [[ -e $work/$temporary ]] || fail "$name: no temporary file \"$temporary\" while held"
    kill -s "$signal" "$(program_pid)"
    wait_for ":END" || { fail "$name: did not end"; continue; }
    modes=$(screen | grep "MODES:")
    leftovers=$(find "$work" -name '.vantor-tmp-*' -o -name held.dat)
    if [[ " $modes " == *" icanon "* && " $modes " == *" echo "* && -z $leftovers ]]; then
      echo "ok: $name, modes: $modes, nothing left"
    else
      fail "$name: modes \"$modes\", left: $leftovers"
      rm -f $leftovers
    fi
  done
done

# A terminal without cursor addressing: the screens come as text.
start "TERM=dumb '$datedit' planes1.dat"
if wait_for "--- screen (waiting for a key) ---"; then
  echo "ok: datedit under TERM=dumb in stream mode"
else
  fail "datedit under TERM=dumb did not use stream mode"
fi

exit $((failures > 0))
