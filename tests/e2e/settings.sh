#!/usr/bin/env bash
# Settings mode end to end: the real dialog under Xvfb, driven with xdotool; what OK, the close
# box and the link leave in the settings store.
here=$(dirname "$0")
. "$here/lib.sh"
bin=$1
xwindow=$2
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"
caption="Caldrise Screensaver Settings"
store() { echo "$XDG_CONFIG_HOME/lumenhall/HKEY_LOCAL_MACHINE.reg"; }

start_dialog() {
    # DIALOG_PATH: the PATH the dialog finds xdg-open on.
    PATH="${DIALOG_PATH:-$PATH}" "$bin" /c 2>"$CASE_DIR/stderr" &
    PID=$!
    WIN=$(wait_window "$caption" 20) || fail "no settings dialog appeared"
    xdotool windowfocus --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"
    sleep 0.3
}

# Focus starts in the resolution list, where Return presses the default button, OK.
press_ok() { xdotool key --clearmodifiers Return; }

# Under Xvfb the server has one mode, so no "800x600x32" item is listed and a fresh machine has
# no resolution selected.
xrandr -q 2>/dev/null | grep -q ' 800x600 ' && fail "this script expects a server without an 800x600 mode (Xvfb)"

echo "case: the dialog is a small, centred tool window that stays on top"
fresh_env
start_dialog
read -r x y w h < <(xwininfo -id "$WIN" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
read -r sw sh < <(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
[ "$w" -lt 480 ] && [ "$h" -lt 360 ] || fail "the dialog is ${w}x${h}, not small"
[ $((x + w / 2 - sw / 2)) -ge -2 ] && [ $((x + w / 2 - sw / 2)) -le 2 ] || fail "not centred across: x=$x w=$w"
[ $((y + h / 2 - sh / 2)) -ge -2 ] && [ $((y + h / 2 - sh / 2)) -le 2 ] || fail "not centred down: y=$y h=$h"
props=$(xprop -id "$WIN")
grep -q '_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_UTILITY' <<<"$props" || fail "not a tool window: $props"
grep -q '_NET_WM_STATE(ATOM) = .*_NET_WM_STATE_ABOVE' <<<"$props" || fail "does not stay on top: $props"
grep -q 'program specified maximum size: '"$w"' by '"$h" <<<"$props" || fail "the dialog can be resized: $props"

echo "case: mouse and keys do not end settings mode"
xdotool mousemove $((x + 4)) $((y + 4)) click 1
xdotool key --clearmodifiers Tab
alive_after "$PID" 1 || fail "input ended the dialog"

echo "case: the close box stores nothing"
"$xwindow" close "$WIN"
wait_exit "$PID" 10 || fail "the close box did not end the dialog"
[ "$RC" -eq 0 ] || fail "exit code $RC"
[ ! -e "$(store)" ] || fail "the close box wrote $(cat "$(store)")"

echo "case: OK on a fresh machine writes the defaults"
fresh_env
start_dialog
press_ok
wait_exit "$PID" 10 || fail "OK did not end the dialog"
[ "$RC" -eq 0 ] || fail "exit code $RC"
[ -z "$(find_window "$caption")" ] || fail "the dialog is still shown"
grep -qx '"resolution"=dword:ffffffff' "$(store)" || fail "resolution: $(cat "$(store)")"
grep -qx '"sound"=dword:00000001' "$(store)" || fail "sound: $(cat "$(store)")"
grep -qx '"customize"=""' "$(store)" || fail "customize: $(cat "$(store)")"

echo "case: unticking Enable Sound and OK writes 0, and the next start shows it unticked"
start_dialog
xdotool key --clearmodifiers alt+e
press_ok
wait_exit "$PID" 10 || fail "OK did not end the dialog"
grep -qx '"sound"=dword:00000000' "$(store)" || fail "sound: $(cat "$(store)")"
start_dialog
xdotool key --clearmodifiers alt+e   # ticks it again
press_ok
wait_exit "$PID" 10 || fail "OK did not end the dialog"
grep -qx '"sound"=dword:00000001' "$(store)" || fail "the stored 0 was not shown: $(cat "$(store)")"

echo "case: a failed store shows the error and keeps the dialog"
fresh_env
# A file where the settings folder should be: even root cannot write the store then.
echo "not a folder" >"$XDG_CONFIG_HOME/lumenhall"
start_dialog
press_ok
box=$(wait_window Lumenhall 20) || fail "no error box"
grep -q "Failed to set data for 'resolution'" "$CASE_DIR/stderr" || fail "message: $(cat "$CASE_DIR/stderr")"
xdotool windowfocus "$box" key Return
for i in $(seq 100); do [ -z "$(find_window Lumenhall)" ] && break; sleep 0.05; done
alive_after "$PID" 0.5 || fail "the dialog ended after the failed store"
WIN=$(wait_window "$caption" 5) || fail "the dialog is gone after the failed store"
[ "$(cat "$XDG_CONFIG_HOME/lumenhall")" = "not a folder" ] || fail "the file in the folder's place changed"
"$xwindow" close "$WIN"
wait_exit "$PID" 10 || fail "the close box did not end the dialog"
[ "$RC" -eq 0 ] || fail "exit code $RC"

echo "case: the link opens the maker's address and closes the dialog"
fresh_env
mkdir -p "$CASE_DIR/bin"
printf '#!/bin/sh\necho "$@" >"%s/opened"\n' "$CASE_DIR" >"$CASE_DIR/bin/xdg-open"
chmod +x "$CASE_DIR/bin/xdg-open"
DIALOG_PATH="$CASE_DIR/bin:$PATH" start_dialog
read -r x y w h < <(xwininfo -id "$WIN" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
# The link runs along the bottom edge, centred.
xdotool mousemove $((x + w / 2)) $((y + h - 9)) click 1
wait_exit "$PID" 10 || fail "the link did not end the dialog"
[ "$RC" -eq 0 ] || fail "exit code $RC"
for i in $(seq 40); do [ -s "$CASE_DIR/opened" ] && break; sleep 0.05; done
[ "$(cat "$CASE_DIR/opened" 2>/dev/null)" = "https://www.harvelle.example/" ] || fail "opened: $(cat "$CASE_DIR/opened" 2>/dev/null)"
[ ! -e "$(store)" ] || fail "the link stored settings"
unset DIALOG_PATH

echo "case: a browser that cannot be started is ignored"
fresh_env
mkdir -p "$CASE_DIR/empty"
DIALOG_PATH="$CASE_DIR/empty" start_dialog
read -r x y w h < <(xwininfo -id "$WIN" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
xdotool mousemove $((x + w / 2)) $((y + h - 9)) click 1
wait_exit "$PID" 10 || fail "the link did not end the dialog"
[ "$RC" -eq 0 ] || fail "exit code $RC"
unset DIALOG_PATH

echo "settings mode: all cases passed"
