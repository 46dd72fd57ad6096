#!/usr/bin/env bash
# The roles on the Linux desktop: xscreensaver's hack drawn into a window of the test's own
# (--root with $XSCREENSAVER_WINDOW, --window-id), and the plain window (--window).
here=$(dirname "$0")
. "$here/lib.sh"
bin=$1
xwindow=$2
build=${3:-}   # the build folder, for the installed layout; that case is left out without it
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"

# A magenta window of 320 x 240 standing in for xscreensaver's; its id in HOST.
make_host() {
    rm -f "$CASE_DIR/control" "$CASE_DIR/id"
    mkfifo "$CASE_DIR/control"
    exec 3<>"$CASE_DIR/control"
    "$xwindow" make 320 240 255 0 255 <&3 >"$CASE_DIR/id" &
    KEEPER=$!
    for i in $(seq 100); do [ -s "$CASE_DIR/id" ] && break; sleep 0.05; done
    HOST=$(cat "$CASE_DIR/id")
    [ -n "$HOST" ] || fail "no host window"
}
drop_host() { echo destroy >&3; wait "$KEEPER"; }

# Waits up to $1 seconds until the show has painted over all of the host window.
wait_drawn() {
    local i
    for ((i = 0; i < $1 * 4; i++)); do
        [ "$("$xwindow" differ "$HOST" 0 0 320 240 255 0 255)" -eq 76800 ] && return 0
        sleep 0.25
    done
    return 1
}

# Whether the show's picture changes within $1 seconds (the intro animates).
moving() {
    local first; first=$("$xwindow" pixel "$HOST" 160 120; "$xwindow" pixel "$HOST" 100 80)
    local i
    for ((i = 0; i < $1 * 4; i++)); do
        sleep 0.25
        [ "$("$xwindow" pixel "$HOST" 160 120; "$xwindow" pixel "$HOST" 100 80)" != "$first" ] && return 0
    done
    return 1
}

screen=$(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')

echo "case: --root draws the show into \$XSCREENSAVER_WINDOW, ignores input, ends on SIGTERM with 0"
fresh_env
make_host
XSCREENSAVER_WINDOW=$HOST LUMENHALL_STATUS_LOG="$CASE_DIR/log" "$bin" --root 2>"$CASE_DIR/stderr" &
PID=$!
wait_drawn 60 || fail "the show did not paint the window: $(cat "$CASE_DIR/stderr")"
grep -q "Using desktop resolution" "$CASE_DIR/log" || fail "the display mode was not left alone: $(cat "$CASE_DIR/log")"
moving 20 || fail "the picture does not move"
[ -z "$(find_window Lumenhall)" ] || fail "a window of its own appeared"
[ "$(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')" = "$screen" ] || fail "the screen changed"
xdotool mousemove 10 10 click 1 key a
for i in 1 2 3 4 5 6 7 8 9 10 11 12; do xdotool mousemove $((i * 30)) $((i * 20)); done
alive_after "$PID" 1 || fail "input ended the hack"
kill -TERM "$PID"
wait_exit "$PID" 20 || fail "SIGTERM did not end the hack"
[ "$RC" -eq 0 ] || fail "exit code $RC"
xwininfo -id "$HOST" >/dev/null 2>&1 || fail "the host's window was destroyed"
drop_host

echo "case: --window-id takes a hexadecimal id and runs beside another instance"
fresh_env
make_host
"$bin" --window-id "$(printf '0x%x' "$HOST")" 2>"$CASE_DIR/stderr" &
PID=$!
wait_drawn 60 || fail "the show did not paint the window: $(cat "$CASE_DIR/stderr")"
# The plain window covers the host's from here on; the pixels are checked above.
"$bin" --window &
OTHER=$!
wait_window Lumenhall 30 >/dev/null || fail "no plain window beside the hack"
alive_after "$PID" 0.5 || fail "the hack ended when another instance started"
kill -TERM "$PID"
wait_exit "$PID" 20 || fail "SIGTERM did not end the hack"
[ "$RC" -eq 0 ] || fail "exit code $RC"
kill -TERM "$OTHER"
wait_exit "$OTHER" 20 || fail "SIGTERM did not end the plain window"
drop_host

echo "case: --window-id without a window shows the error and exits 0"
fresh_env
"$bin" --window-id 12abc 2>"$CASE_DIR/stderr" &
PID=$!
box=$(wait_window Lumenhall 20) || fail "no error box"
xdotool windowfocus "$box" key Return
wait_exit "$PID" 10 || fail "the error box did not close"
[ "$RC" -eq 0 ] || fail "exit code $RC"
grep -q "'12abc' is not a valid window id" "$CASE_DIR/stderr" || fail "message: $(cat "$CASE_DIR/stderr")"

echo "case: --window is a normal 1024x768 window; only Escape or its close box end it"
fresh_env
xdotool mousemove 0 0
"$bin" --window 2>"$CASE_DIR/stderr" &
PID=$!
WIN=$(wait_window Lumenhall 30) || fail "no window"
size=$(xwininfo -id "$WIN" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "1024x768" ] || fail "window is $size"
props=$(xprop -id "$WIN")
min=$(sed -n 's/.*program specified minimum size: //p' <<<"$props")
max=$(sed -n 's/.*program specified maximum size: //p' <<<"$props")
[ -n "$max" ] && [ "$min" = "$max" ] && fail "the window cannot be resized: $props"
[ "$max" = "1024 by 768" ] && fail "the window cannot grow: $props"
sleep 2
xdotool mousemove 100 100 click 1
for i in 1 2 3 4 5 6 7 8 9 10 11 12; do xdotool mousemove $((i * 30)) $((i * 20)); done
xdotool key --window "$WIN" a 2>/dev/null || xdotool key a
alive_after "$PID" 1 || fail "input other than Escape ended the window"
[ "$(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')" = "$screen" ] || fail "the screen changed"
xdotool windowfocus "$WIN" key Escape
wait_exit "$PID" 20 || fail "Escape did not end the window"
[ "$RC" -eq 0 ] || fail "exit code $RC"

fresh_env
"$bin" --window 2>"$CASE_DIR/stderr" &
PID=$!
WIN=$(wait_window Lumenhall 30) || fail "no window"
sleep 1
"$xwindow" close "$WIN"
wait_exit "$PID" 20 || fail "the close box did not end the window"
[ "$RC" -eq 0 ] || fail "exit code $RC"

echo "case: switches keep their meaning; other words still end at once"
fresh_env
timeout 10 "$bin" --windows; [ $? -eq 0 ] || fail "--windows"
timeout 10 "$bin" root; [ $? -eq 0 ] || fail "root"
[ -z "$(find_window Lumenhall)" ] || fail "a window appeared for an unknown word"

if [ -n "$build" ]; then
    echo "case: installed, the link on the PATH finds the data folder beside the real file"
    fresh_env
    cmake --install "$build" --prefix "$CASE_DIR/prefix" >"$CASE_DIR/install.log" 2>&1 || fail "install: $(cat "$CASE_DIR/install.log")"
    [ -L "$CASE_DIR/prefix/bin/caldrise" ] || fail "no link in bin/"
    [ "$(readlink -f "$CASE_DIR/prefix/bin/caldrise")" = "$CASE_DIR/prefix/lib/caldrise/caldrise" ] || fail "the link goes elsewhere"
    for f in Caldrise.dat logo.dat caldrise.str; do
        [ -f "$CASE_DIR/prefix/lib/caldrise/Caldrise/$f" ] || fail "no $f in the installed data folder"
    done
    [ -f "$CASE_DIR/prefix/share/xscreensaver/config/caldrise.xml" ] || fail "no xscreensaver config"
    make_host
    (cd / && PATH="$CASE_DIR/prefix/bin:$PATH" XSCREENSAVER_WINDOW=$HOST exec caldrise --root) 2>"$CASE_DIR/stderr" &
    PID=$!
    wait_drawn 60 || fail "the installed program did not draw: $(cat "$CASE_DIR/stderr")"
    [ "$(readlink "/proc/$PID/cwd")" = "$CASE_DIR/prefix/lib/caldrise/Caldrise" ] || fail "working in $(readlink "/proc/$PID/cwd")"
    kill -TERM "$PID"
    wait_exit "$PID" 20 || fail "SIGTERM did not end the installed program"
    [ "$RC" -eq 0 ] || fail "exit code $RC"
    drop_host
fi

echo "desktop roles: all cases passed"
