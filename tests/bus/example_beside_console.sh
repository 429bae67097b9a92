#!/usr/bin/env bash
# The user's own node beside a console station on one simulated bus: the terminals example
# (examples/terminals.c, RTs 5 and 6) joins a bus of its own name through XARN_BUS, and
# xarn_console --bus runs example_controller.xs there (LDB_BCT: a TX message to RT 5 and an RX
# message from RT 6 every 100 ms). Checks the exchanges both ways:
#   - the console's RX message from RT 6 shows the example's TX data, as the example printed it,
#     and shows it changing (two different seconds' words at least);
#   - the example's RT 5 received the console's TX words, and its command queue holds both
#     messages' commands.
# Usage: example_beside_console.sh TERMINALS XARN_CONSOLE [WORKDIR]
# WORKDIR (default: a temporary directory, removed on success) keeps both outputs.
set -euo pipefail

terminals=$1
console=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/expand_repeats.sh"
work=${3:-}
keep=1
if [ -z "$work" ]; then
  work=$(mktemp -d)
  keep=0
fi
rm -rf "$work"
mkdir -p "$work/console"
script=$work/console/example_controller.xs
expand_repeats "$here/example_controller.xs" >"$script"

# What example_controller.xs sends to RT 5 (its message 1), and the commands of its two messages:
# IWD (13) to RT 5 and GAH (5) to RT 6, command bits 4.
sent_to_rt5="2891A5 2AB3C5 2CD5E5 2EF785"
bus="xarn-example-$$-$RANDOM"
# The example's own limit, in case this script dies before it can stop it.
example_seconds=300
console_timeout=120

pid=""
stop_example() {
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  local status=0
  wait "$pid" || status=$?
  pid=""
  return "$status"
}
fail() {
  echo "FAIL: $*" >&2
  echo "(outputs kept in $work)" >&2
  keep=1
  exit 1
}
cleanup() {
  stop_example || true
  [ "$keep" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT

XARN_BUS=$bus "$terminals" --seconds "$example_seconds" >"$work/terminals.out" \
  2>"$work/terminals.err" &
pid=$!
for _ in $(seq 100); do
  grep -q '^start ' "$work/terminals.out" && break
  kill -0 "$pid" 2>/dev/null || fail "the example ended before it started: $(cat "$work/terminals.err")"
  sleep 0.1
done
grep -q "^start rt=5,6 bus=$bus\$" "$work/terminals.out" || fail "the example did not start on $bus"

console_status=0
timeout "$console_timeout" "$console" --bus "$bus" -C "$work/console" "$script" \
  >"$work/transcript.txt" 2>&1 || console_status=$?
[ "$console_status" = 0 ] || fail "xarn_console exited with $console_status: $(tail -20 "$work/transcript.txt")"

example_status=0
stop_example || example_status=$?
[ "$example_status" = 0 ] || fail "the example exited with $example_status: $(cat "$work/terminals.err")"
grep -q '^stop commands=' "$work/terminals.out" || fail "the example did not stop cleanly"

# Console to example: RT 5's RX buffer got message 1's words; both messages' commands arrived.
grep -Eq "^rx rt=5 status=[0-9A-F]{4} data=$sent_to_rt5 " "$work/terminals.out" ||
  fail "RT 5 never received $sent_to_rt5"
grep -Eq '^command rt=5 code=13 bits=0004 ' "$work/terminals.out" ||
  fail "no IWD command to RT 5 in the example's queue"
grep -Eq '^command rt=6 code=5 bits=0004 ' "$work/terminals.out" ||
  fail "no GAH command to RT 6 in the example's queue"

# Example to console: the first four words of every `get 18` (message 2's data) are four words
# the example put into RT 6's TX buffer in one second, and they change from second to second.
sed -n 's/^tx rt=6 second=[0-9]* data=\([^ ]* [^ ]* [^ ]* [^ ]*\).*/\1/p' "$work/terminals.out" \
  >"$work/given.txt"
awk '/^> get 18$/ { if ((getline line) > 0) { split(line, w, " "); print w[2], w[3], w[4], w[5] } }' \
  "$work/transcript.txt" >"$work/received.txt"
[ "$(wc -l <"$work/received.txt")" = 4 ] || fail "the transcript does not show message 2's data 4 times"
while read -r words; do
  grep -qxF "$words" "$work/given.txt" || fail "the console received '$words', which RT 6 never gave"
done <"$work/received.txt"
[ "$(sort -u "$work/received.txt" | wc -l)" -ge 2 ] ||
  fail "RT 6's data did not change in the console's view: $(head -1 "$work/received.txt")"
echo "example beside console on $bus: both ways checked"
