#!/usr/bin/env bash
# The real vtweb on a free port, asked by curl: each refusal with its status,
# the page and the data to the browser that opened the printed address, the
# landmark file unchanged byte for byte, and SIGINT and SIGTERM ending the
# server with nothing left behind (the port free, no process).
#
# Usage: vtweb_server.sh <vtweb> <lmedit> <samples folder>
set -uo pipefail
# Job control: a background job of a script would otherwise ignore SIGINT.
set -m
vtweb=$(realpath "$1")
lmedit=$(realpath "$2")
samples=$(realpath "$3")
command -v curl >/dev/null || { echo "curl is not installed"; exit 77; }
work=$(mktemp -d)
server=""
trap '[ -n "$server" ] && kill -KILL "$server" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1
cp "$samples/lndmrks0.mrf" .
cp lndmrks0.mrf before.mrf

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Starts vtweb in the background on FILE (lndmrks0.mrf when none is given),
# with any VARIABLE=VALUE set; sets server, port, key and base.
start() {
  env "${@:2}" "$vtweb" "${1:-lndmrks0.mrf}" --no-open >out.txt 2>err.txt &
  server=$!
  for _ in $(seq 100); do
    grep -q '^http://' out.txt 2>/dev/null && break
    sleep 0.1
  done
  address=$(grep '^http://' out.txt)
  [[ $address =~ ^http://127\.0\.0\.1:([0-9]+)/\?key=([0-9A-F]{32})$ ]] ||
    { fail "no address printed: $(cat out.txt err.txt)"; exit 1; }
  port=${BASH_REMATCH[1]}
  key=${BASH_REMATCH[2]}
  base=http://127.0.0.1:$port
}

# expect STATUS WHAT CURL-ARGUMENTS...
expect() {
  local status=$1 what=$2
  shift 2
  local got
  got=$(curl -s -o /dev/null -w '%{http_code}' --max-time 10 "$@")
  [ "$got" = "$status" ] || fail "$what: $got, not $status"
}

start
cookie="Cookie: vtweb-$port=$key"
expect 403 "no secret" "$base/api/landmarks"
expect 403 "wrong secret" -H "Cookie: vtweb-$port=00000000000000000000000000000000" "$base/"
expect 403 "wrong key" "$base/?key=00000000000000000000000000000000"
expect 403 "wrong Host" -H "$cookie" -H "Host: evil.example:$port" "$base/"
expect 403 "cross-site Origin" -H "$cookie" -H "Origin: http://evil.example" "$base/api/landmarks"
expect 405 "POST" -H "$cookie" -X POST -d x "$base/api/landmarks"
expect 404 "a path outside the page" -H "$cookie" --path-as-is "$base/../lndmrks0.mrf"
head -c 100000 /dev/zero >big.bin
expect 413 "oversized body" -H "$cookie" -X POST --data-binary @big.bin "$base/api/landmarks"
reply=$(printf 'NOT HTTP AT ALL\r\n\r\n' | curl -s --max-time 5 "telnet://127.0.0.1:$port" | head -1)
[[ $reply == "HTTP/1.1 400 "* ]] || fail "no HTTP: $reply"

# As a browser: the printed address once, then the cookie it was given.
expect 303 "the printed address" -c jar.txt "$address"
expect 200 "the page" -b jar.txt "$base/"
curl -s -b jar.txt "$base/api/landmarks" >served.json
"$lmedit" --export=json lndmrks0.mrf >exported.json
cmp -s served.json exported.json || fail "/api/landmarks is not lmedit's export"
curl -s -b jar.txt "$base/api/version" | grep -q '^{"version": "' || fail "/api/version"

# Another run on the port taken is refused.
"$vtweb" lndmrks0.mrf --no-open --port "$port" >/dev/null 2>second.txt
status=$?
[ "$status" = 1 ] || fail "a second server on port $port: exit $status"

# Writes as the page asks for them, each refused; the file stays as it was.
json="Content-Type: application/json"
version=$(curl -s -b jar.txt "$base/api/version" | sed 's/.*"version": "\(.*\)".*/\1/')
blank="{\"version\": \"$version\", \"record\": 1}"
expect 403 "POST without the secret" -H "$json" -d "$blank" "$base/api/blank"
expect 403 "POST with the wrong Host" -H "$cookie" -H "$json" -H "Host: evil.example:$port" \
  -d "$blank" "$base/api/blank"
expect 403 "POST from another site" -H "$cookie" -H "$json" -H "Origin: http://evil.example" \
  -d "$blank" "$base/api/blank"
expect 403 "POST cross-site without Origin" -H "$cookie" -H "$json" \
  -H "Sec-Fetch-Site: cross-site" -d "$blank" "$base/api/blank"
expect 413 "POST oversized" -H "$cookie" -H "$json" --data-binary @big.bin "$base/api/blank"
expect 400 "POST bad JSON" -H "$cookie" -H "$json" -d '{"version": ' "$base/api/blank"
expect 415 "POST as a form" -H "$cookie" -d "$blank" "$base/api/blank"
expect 404 "POST outside the page" -H "$cookie" -H "$json" --path-as-is -d "$blank" \
  "$base/../lndmrks0.mrf"
expect 405 "GET of a write" -H "$cookie" "$base/api/blank"

cmp -s lndmrks0.mrf before.mrf || fail "the landmark file changed"

# Each ending signal stops the server as the other tools stop: by the
# signal itself, with nothing left listening.
for signal in INT TERM; do
  kill -"$signal" "$server"
  wait "$server"
  status=$?
  expected=$((128 + $(kill -l "$signal")))
  [ "$status" = "$expected" ] || fail "SIG$signal: exit $status, not $expected"
  kill -0 "$server" 2>/dev/null && fail "SIG$signal: the server is still running"
  curl -s --max-time 5 "$base/" >/dev/null && fail "SIG$signal: port $port still answers"
  server=""
  [ "$signal" = INT ] && start
done
# A save holding the lock (the test hook) makes lmedit --import wait for
# it; both changes arrive, neither lost.
start lndmrks0.mrf VTWEB_TEST_HOLD_LOCK_MS=1500
curl -s -c jar.txt -o /dev/null "$address"
version=$(curl -s -b jar.txt "$base/api/version" | sed 's/.*"version": "\(.*\)".*/\1/')
curl -s -o blank.txt -w '%{http_code}' -b jar.txt -H "$json" \
  -d "{\"version\": \"$version\", \"record\": 1}" "$base/api/blank" >blank-status.txt &
saving=$!
sleep 0.5
"$lmedit" --export lndmrks0.mrf | sed -n '1p;3s/,[^,]*\r$/,Waited\r/p' >edit.csv
"$lmedit" --import lndmrks0.mrf edit.csv >import.txt 2>&1 || fail "lmedit --import: $(cat import.txt)"
grep -q "waiting for another program to finish with" import.txt ||
  fail "lmedit did not wait for the save: $(cat import.txt)"
wait "$saving"
[ "$(cat blank-status.txt)" = 200 ] || fail "the held save: $(cat blank-status.txt blank.txt)"
"$lmedit" --export lndmrks0.mrf | sed -n '2p;3p' >after.csv
grep -q $'^1,0,0x0000,0x000000,aero,Central,0,0,0,0,\r$' after.csv || fail "record 1 not blank"
grep -q $',Waited\r$' after.csv || fail "the import's name is lost: $(cat after.csv)"
kill -TERM "$server"
wait "$server"
server=""

[ -z "$(ls -A | grep -v -E '^(lndmrks0.mrf|before.mrf|out.txt|err.txt|big.bin|jar.txt|served.json|exported.json|second.txt|blank.txt|blank-status.txt|edit.csv|import.txt|after.csv)$')" ] ||
  fail "files left behind: $(ls -A)"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "vtweb server: all cases held"
