# Helpers for the end-to-end scripts: each case runs the real binary against the display in
# $DISPLAY, with its own runtime and config folders so that cases never share a lock or a setting.
set -u

fail() { echo "FAIL: $*" >&2; exit 1; }

# Whatever a failed case left running must not outlive the script (nor hold its output open).
trap 'kill $(jobs -p) 2>/dev/null' EXIT

fresh_env() {
    CASE_DIR=$(mktemp -d /tmp/caldrise-e2e-XXXXXX)
    export XDG_RUNTIME_DIR="$CASE_DIR/run" XDG_CONFIG_HOME="$CASE_DIR/config"
    # No sound card here: SDL's dummy device takes the mixed sound and discards it.
    export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
    mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
}

# X id of the first top-level window named $1, or "$1, " followed by more (the saver's caption
# gains the renderer once the machine qualified), or nothing.
find_window() {
    xwininfo -root -children 2>/dev/null | awk -v name="$1" '
        { line = $0; sub(/^ *0x[0-9a-f]+ /, "", line) }
        index(line, "\"" name "\":") == 1 || index(line, "\"" name ", ") == 1 { print $1; exit }'
}

wait_window() {   # name, seconds
    local i
    for ((i = 0; i < $2 * 20; i++)); do
        local w; w=$(find_window "$1")
        if [ -n "$w" ] && xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable'; then echo "$w"; return 0; fi
        sleep 0.05
    done
    return 1
}

# Waits up to $2 seconds for process $1 (a child of this shell) to end; its exit code goes to RC.
wait_exit() {
    local i
    for ((i = 0; i < $2 * 20; i++)); do
        if ! kill -0 "$1" 2>/dev/null; then wait "$1"; RC=$?; return 0; fi
        sleep 0.05
    done
    return 1
}

alive_after() {   # pid, seconds
    sleep "$2"
    kill -0 "$1" 2>/dev/null
}
