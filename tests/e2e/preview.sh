#!/usr/bin/env bash
# Preview mode end to end: the banner copied into a window of the test's own, and the end of the
# instance when that window is destroyed.
here=$(dirname "$0")
. "$here/lib.sh"
bin=$1
xwindow=$2
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"

# A white host window, 200 x 120; its id in HOST, its keeper's stdin on descriptor 3.
make_host() {
    mkfifo "$CASE_DIR/control"
    exec 3<>"$CASE_DIR/control"
    "$xwindow" make 200 120 255 255 255 <&3 >"$CASE_DIR/id" &
    KEEPER=$!
    for i in $(seq 100); do [ -s "$CASE_DIR/id" ] && break; sleep 0.05; done
    HOST=$(cat "$CASE_DIR/id")
    [ -n "$HOST" ] || fail "no host window"
}

echo "case: the banner is drawn at (5, 20) and the instance ends with its window"
fresh_env
make_host
"$bin" /p "$HOST" 2>"$CASE_DIR/stderr" &
PID=$!
inside=0
for i in $(seq 100); do
    inside=$("$xwindow" differ "$HOST" 5 20 140 70 255 255 255)
    [ "$inside" -gt 9000 ] && break
    sleep 0.05
done
# The banner (140 x 70 = 9800 pixels) covers its rectangle; a white pixel or two may be its own.
[ "$inside" -gt 9000 ] || fail "only $inside pixels of the banner's place were drawn"
# Nothing outside it: the rows above, the columns left of it, and what lies right of and below it.
[ "$("$xwindow" differ "$HOST" 0 0 200 20 255 255 255)" -eq 0 ] || fail "drawn above the banner"
[ "$("$xwindow" differ "$HOST" 0 20 5 100 255 255 255)" -eq 0 ] || fail "drawn left of the banner"
[ "$("$xwindow" differ "$HOST" 145 20 55 100 255 255 255)" -eq 0 ] || fail "drawn right of the banner"
[ "$("$xwindow" differ "$HOST" 5 90 140 30 255 255 255)" -eq 0 ] || fail "drawn below the banner"
[ -z "$(find_window Lumenhall)" ] || fail "the preview showed a window of its own"

echo "case: the banner comes back after the window was cleared"
xdotool mousemove 0 0   # nothing but the test touches the window
"$xwindow" pixel "$HOST" 60 50 >"$CASE_DIR/before"
# Clearing is what an expose of the host's pane does to it; the next copies repaint it.
xdotool windowunmap --sync "$HOST" windowmap --sync "$HOST"
for i in $(seq 40); do
    [ "$("$xwindow" differ "$HOST" 5 20 140 70 255 255 255)" -gt 9000 ] && break
    sleep 0.05
done
[ "$("$xwindow" pixel "$HOST" 60 50)" = "$(cat "$CASE_DIR/before")" ] || fail "the banner did not come back"

echo destroy >&3
wait "$KEEPER"
wait_exit "$PID" 10 || fail "the preview kept running after its window was destroyed"
[ "$RC" -eq 0 ] || fail "exit code $RC"
grep -q . "$CASE_DIR/stderr" && fail "the preview reported: $(cat "$CASE_DIR/stderr")"

echo "case: a window destroyed in the middle of the copies does not kill the preview with an X error"
fresh_env
for round in 1 2 3 4 5; do
    rm -f "$CASE_DIR/control" "$CASE_DIR/id"
    make_host
    "$bin" /p "$HOST" 2>"$CASE_DIR/stderr" &
    PID=$!
    for i in $(seq 100); do
        [ "$("$xwindow" differ "$HOST" 5 20 140 70 255 255 255)" -gt 9000 ] && break
        sleep 0.05
    done
    sleep 0.0$((round * 2))   # somewhere within the 50 ms between two copies
    echo destroy >&3
    wait "$KEEPER"
    wait_exit "$PID" 10 || fail "round $round: the preview kept running"
    [ "$RC" -eq 0 ] || fail "round $round: exit code $RC, $(cat "$CASE_DIR/stderr")"
done

echo "case: SIGTERM ends a preview with 0"
fresh_env
rm -f "$CASE_DIR/control" "$CASE_DIR/id"
make_host
"$bin" /p "$HOST" &
PID=$!
alive_after "$PID" 0.5 || fail "the preview ended by itself"
kill -TERM "$PID"
wait_exit "$PID" 10 || fail "SIGTERM did not end the preview"
[ "$RC" -eq 0 ] || fail "exit code $RC"
echo destroy >&3
wait "$KEEPER"

echo "preview mode: all cases passed"
