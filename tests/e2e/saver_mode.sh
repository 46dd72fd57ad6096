#!/usr/bin/env bash
# Saver mode end to end: the black full-screen window, the exit rules, the single-instance guard.
here=$(dirname "$0")
. "$here/lib.sh"
bin=$1
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"

screen=$(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')

start_saver() {
    xdotool mousemove 0 0
    "$bin" /s 2>"$CASE_DIR/stderr" &
    PID=$!
    WIN=$(wait_window Lumenhall 20) || fail "no saver window appeared"
    sleep 0.3
}

echo "case: an empty command line and an unknown switch end at once"
fresh_env
timeout 10 "$bin"; [ $? -eq 0 ] || fail "empty command line"
timeout 10 "$bin" /x; [ $? -eq 0 ] || fail "unknown switch"
[ -z "$(find_window Lumenhall)" ] || fail "a window appeared without a switch"

echo "case: the saver window is borderless, full screen and ends on a key"
fresh_env
start_saver
size=$(xwininfo -id "$WIN" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "$screen" ] || fail "window is $size, screen is $screen"
xdotool key --window "$WIN" a 2>/dev/null || xdotool key a
wait_exit "$PID" 10 || fail "a key press did not end the saver"
[ "$RC" -eq 0 ] || fail "exit code $RC after a key press"

echo "case: a click ends the saver"
fresh_env
start_saver
xdotool mousemove 5 5 click 1
wait_exit "$PID" 10 || fail "a click did not end the saver"
[ "$RC" -eq 0 ] || fail "exit code $RC after a click"

echo "case: ten mouse move events are absorbed, the eleventh ends the saver"
# Mapping the window under the pointer delivers one move event of its own (as on the original
# platform), so the eleventh event is the tenth or eleventh synthetic move; never an earlier one.
fresh_env
start_saver
for i in 1 2 3 4 5 6 7 8 9; do xdotool mousemove $((i * 20)) $((i * 10)); sleep 0.05; done
alive_after "$PID" 1 || fail "the saver ended before the tenth move"
xdotool mousemove 300 200
if alive_after "$PID" 1; then xdotool mousemove 400 300; fi
wait_exit "$PID" 10 || fail "the eleventh move event did not end the saver"
[ "$RC" -eq 0 ] || fail "exit code $RC after the eleventh move"

echo "case: a second saver exits at once; a preview runs beside it"
fresh_env
start_saver
timeout 10 "$bin" /s; RC=$?
[ "$RC" -eq 0 ] || fail "second saver exit code $RC"
count=$(xwininfo -root -children | grep -c '"Lumenhall[",]')
[ "$count" -eq 1 ] || fail "$count saver windows"
"$bin" /p 12345 &
PREVIEW=$!
alive_after "$PREVIEW" 1.5 || fail "the preview did not keep running beside the saver"
kill "$PREVIEW"; wait "$PREVIEW" 2>/dev/null
xdotool key a
wait_exit "$PID" 10 || fail "the first saver did not end"
[ "$RC" -eq 0 ] || fail "exit code $RC"

echo "case: a bad preview handle shows the error box and exits 0"
fresh_env
"$bin" /p 12abc 2>"$CASE_DIR/stderr" &
PID=$!
box=$(wait_window Lumenhall 20) || fail "no error box"
xdotool windowfocus "$box" key Return
wait_exit "$PID" 10 || fail "the error box did not close"
[ "$RC" -eq 0 ] || fail "exit code $RC"
grep -q "'12abc' is not a valid integer value" "$CASE_DIR/stderr" || fail "message: $(cat "$CASE_DIR/stderr")"

echo "case: a mangled settings file ends start-up with a message naming it"
fresh_env
mkdir -p "$XDG_CONFIG_HOME/lumenhall"
printf 'REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\n' >"$XDG_CONFIG_HOME/lumenhall/HKEY_LOCAL_MACHINE.reg"
cp "$XDG_CONFIG_HOME/lumenhall/HKEY_LOCAL_MACHINE.reg" "$CASE_DIR/before"
"$bin" /s 2>"$CASE_DIR/stderr" &
PID=$!
box=$(wait_window Lumenhall 20) || fail "no error box"
xdotool windowfocus "$box" key Return
wait_exit "$PID" 10 || fail "the error box did not close"
[ "$RC" -eq 0 ] || fail "exit code $RC"
grep -q "HKEY_LOCAL_MACHINE.reg, line 2" "$CASE_DIR/stderr" || fail "message: $(cat "$CASE_DIR/stderr")"
cmp -s "$CASE_DIR/before" "$XDG_CONFIG_HOME/lumenhall/HKEY_LOCAL_MACHINE.reg" || fail "the file was changed"

echo "saver mode: all cases passed"
