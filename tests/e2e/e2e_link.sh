#!/usr/bin/env bash
# usage: e2e_link.sh CASE QOR_ETC QOR_ETC_SIM
#   live-data-then-silence: the tool goes online and polls live data at 115200; when the
#       module falls silent, six failed replies take it offline.
#   simulator-killed: the module disappears while the tool polls; the tool goes offline once,
#       without a crash or a flood of errors.
set -uo pipefail
case_name=$1 tool=$2 sim=$3
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
work=$(mktemp -d)
sim_pid= tool_pid=
cleanup() {
  [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- tool stderr"; cat "$work/tool.err"; echo "--- sim log (tail)"; tail -5 "$work/sim.log" | cut -c1-60; exit 1; }
count() { grep -c -- "$1" "$2" 2>/dev/null || true; }
# Waits up to $1 seconds for the command in the remaining arguments to succeed.
wait_for() { local t=$(( $1 * 10 )); shift; while ! "$@"; do ((t-- > 0)) || return 1; sleep 0.1; done; }

faults=()
if [ "$case_name" = live-data-then-silence ]; then
  echo '* 25+ silence' > "$work/faults"   # from the 25th live data request on, no answers
  faults=(--faults "$work/faults")
fi
"$sim" --log "$work/sim.log" "${faults[@]}" > "$work/sim.out" &
sim_pid=$!
wait_for 10 test -s "$work/sim.out" || fail "simulator named no device"
dev=$(head -n1 "$work/sim.out")
[ -e "$dev" ] || fail "device $dev does not exist"

"$tool" -O --port "$dev" --exit-when-offline 2> "$work/tool.err" &
tool_pid=$!

online() { grep -q "qor-etc: online on $dev" "$work/tool.err"; }
polled() { [ "$(count '115200 tx 2A' "$work/sim.log")" -ge "$1" ]; }
wait_for 20 online || fail "tool did not go online"
wait_for 20 polled 10 || fail "fewer than 10 live data answers at 115200"
[ "$(count '115200 rx 2A' "$work/sim.log")" -ge 10 ] || fail "live data requests not at 115200"

if [ "$case_name" = simulator-killed ]; then
  kill "$sim_pid"; wait "$sim_pid" 2>/dev/null; sim_pid=
fi

# The tool leaves by itself once offline (--exit-when-offline): it must not hang or crash.
for _ in $(seq 150); do kill -0 "$tool_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$tool_pid" 2>/dev/null && fail "tool still running 15 s later"
wait "$tool_pid"; rc=$?; tool_pid=
[ "$rc" -eq 0 ] || fail "tool exit code $rc"

lines=$(count '^qor-etc:' "$work/tool.err")
[ "$(count 'qor-etc: offline' "$work/tool.err")" -eq 1 ] || fail "offline not reported exactly once"
[ "$lines" -le 6 ] || fail "$lines status lines: a flood"

case $case_name in
  live-data-then-silence)
    grep -q "qor-etc: offline ($dev errors:6)" "$work/tool.err" || fail "not offline after six failures"
    [ "$(count 'qor-etc: message:' "$work/tool.err")" -eq 0 ] || fail "unexpected message box"
    ;;
  simulator-killed)
    # Whichever notices first, the port (read error) or the core (failed write, with its
    # message box), says so once.
    lost=$(count 'qor-etc: Link lost' "$work/tool.err")
    boxes=$(count 'qor-etc: message:' "$work/tool.err")
    [ "$lost" -le 1 ] && [ "$boxes" -le 1 ] && [ $((lost + boxes)) -ge 1 ] ||
      fail "link loss reported $lost times, $boxes message boxes"
    ;;
esac
echo "PASS $case_name: $(count '115200 tx 2A' "$work/sim.log") live data answers; $lines status lines"
grep '^qor-etc:' "$work/tool.err"
