#!/usr/bin/env bash
# Regenerates the two pictures of the user guide from the real program:
#   docs/default.png  the default settings (straight line, 2DW1C), after ten 's'
#   docs/circle.png   the circle path, start (1 m, 0 m, 90 deg), 1FDW1FS, after
#                     forty 's'
# It starts its own Xvfb, runs build/agvsim with the console answers on a
# pipe, types the window keys with xdotool, saves the window with xwd and
# converts the dump with scripts/xwd2png.py (python3, standard library only).
#
# Usage: scripts/screenshots.sh [path/to/agvsim]
# Needs: Xvfb, xdotool, xwd (x11-apps), python3. Build the program first
# (cmake --preset default && cmake --build --preset default).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/agvsim}
out_dir=$root/docs
[ -x "$program" ] || { echo "no program at $program: build it first" >&2; exit 1; }
for tool in Xvfb xdotool xwd python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
agv_pid=""
cleanup() {
    exec 7>&- 2>/dev/null || true
    if [ -n "$agv_pid" ]; then kill "$agv_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Polls a command every 0.1 s, at most $1 tries; succeeds as soon as it does.
wait_for() {
    local tries=$1 i
    shift
    for ((i = 0; i < tries; ++i)); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    return 1
}

# ---- Our own X server: the free display number comes back on a descriptor.
Xvfb -displayfd 5 -screen 0 1024x1024x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
display=$(head -n 1 "$work/display")
export DISPLAY=":$display"

# shoot NAME ANSWERS KEYS...: runs the program with ANSWERS (one console answer
# a line) on a pipe, types KEYS in its window and saves it as docs/NAME.png.
shoot() {
    local name=$1 answers=$2
    shift 2
    rm -f "$work/in"
    mkfifo "$work/in"
    "$program" <"$work/in" >"$work/$name.console" 2>&1 &
    agv_pid=$!
    # Hold the pipe open: at end of input the program would end.
    exec 7>"$work/in"
    printf '%b' "$answers" >&7

    local wid=""
    find_window() {
        wid=$(xdotool search --name '機構選択' 2>/dev/null | head -n 1)
        [ -n "$wid" ]
    }
    wait_for 300 find_window || {
        echo "no window for $name; console said:" >&2
        cat "$work/$name.console" >&2
        exit 1
    }
    # Without a window manager the window sits at (-1, -1), one pixel off the
    # screen; move it fully on so that the dump has all 800 x 800 pixels.
    xdotool windowmove "$wid" 0 0
    xdotool windowfocus --sync "$wid"
    local key
    for key in "$@"; do xdotool key --delay 20 "$key"; done

    # The window redraws only on keys: wait until two dumps agree.
    local previous=""
    settled() {
        xwd -silent -id "$wid" -out "$work/$name.xwd"
        local now
        now=$(cksum <"$work/$name.xwd")
        [ "$now" = "$previous" ] && return 0
        previous=$now
        sleep 0.2
        return 1
    }
    wait_for 50 settled || echo "warning: the $name picture did not settle" >&2
    python3 "$root/scripts/xwd2png.py" "$work/$name.xwd" "$out_dir/$name.png"

    xdotool key Escape
    wait_for 50 bash -c "! kill -0 $agv_pid 2>/dev/null" || kill "$agv_pid" 2>/dev/null || true
    wait "$agv_pid" 2>/dev/null || true
    agv_pid=""
    exec 7>&-
    echo "wrote $out_dir/$name.png"
}

mkdir -p "$out_dir"
repeat() { local n=$1 k=$2 i; for ((i = 0; i < n; ++i)); do printf '%s ' "$k"; done; }

# Straight line, fn and Ts unchanged, default start; any key, any key.
# shellcheck disable=SC2046
shoot default '0\nn\nn\nn\n\n\n' $(repeat 10 s)
# Circle, fn and Ts unchanged, start (1 m, 0 m, 90 deg): 1 m inside the circle,
# heading along it. Mechanism 2 (1FDW1FS), then forty steps (1.6 s).
# shellcheck disable=SC2046
shoot circle '1\nn\nn\ny\n1 0 90\n\n\n' 2 $(repeat 40 s)
