#!/usr/bin/env bash
# Saver mode through the qualification: this machine passes; a build that asks for an extension
# no driver has shows the failure log, which stays until input or the 30-second stop timer.
here=$(dirname "$0")
. "$here/lib.sh"
bin=$1
strict=$2
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"

wait_log() {   # file, seconds
    local i
    for ((i = 0; i < $2 * 20; i++)); do [ -s "$1" ] && return 0; sleep 0.05; done
    return 1
}

echo "case: this machine qualifies and the show starts"
fresh_env
export LUMENHALL_STATUS_LOG="$CASE_DIR/log"
xdotool mousemove 0 0
"$bin" /s 2>"$CASE_DIR/stderr" &
PID=$!
wait_window Lumenhall 20 >/dev/null || fail "no saver window"
wait_log "$LUMENHALL_STATUS_LOG" 20 || fail "no status log"
tail -n 1 "$LUMENHALL_STATUS_LOG" | grep -q '^K Triangles/sec [0-9]*$' || fail "log: $(cat "$LUMENHALL_STATUS_LOG")"
grep -qx 'GL_NV_register_combiners ok' "$LUMENHALL_STATUS_LOG" || fail "combiners not offered"
sleep 0.5
kill -0 "$PID" 2>/dev/null || fail "the show did not keep running: $(cat "$CASE_DIR/stderr")"
xwininfo -root -children | grep -q '"Lumenhall, llvmpipe' || fail "the caption does not name the renderer"
xdotool key a
wait_exit "$PID" 10 || fail "a key did not end the show"
[ "$RC" -eq 0 ] || fail "exit code $RC"

echo "case: a machine that fails shows its log until a key"
fresh_env
export LUMENHALL_STATUS_LOG="$CASE_DIR/log"
"$strict" /s 2>"$CASE_DIR/stderr" &
PID=$!
wait_window Lumenhall 20 >/dev/null || fail "no saver window"
wait_log "$LUMENHALL_STATUS_LOG" 20 || fail "no status log"
[ "$(tail -n 1 "$LUMENHALL_STATUS_LOG")" = "Exception: Graphics Card not supported" ] || fail "log: $(cat "$LUMENHALL_STATUS_LOG")"
grep -qx 'GL_CALDRISE_unobtainable failed' "$LUMENHALL_STATUS_LOG" || fail "no failed line"
alive_after "$PID" 2 || fail "the failure log did not stay up"
xdotool key a
wait_exit "$PID" 10 || fail "a key did not end the failure log"
[ "$RC" -eq 0 ] || fail "exit code $RC"

echo "case: the failure log closes by itself after 30 seconds"
fresh_env
export LUMENHALL_STATUS_LOG="$CASE_DIR/log"
"$strict" /s 2>"$CASE_DIR/stderr" &
PID=$!
wait_log "$LUMENHALL_STATUS_LOG" 20 || fail "no status log"
alive_after "$PID" 25 || fail "ended before 30 seconds"
wait_exit "$PID" 15 || fail "still up after 40 seconds"
[ "$RC" -eq 0 ] || fail "exit code $RC"

echo "qualification: all cases passed"
