#!/bin/bash
# Runs one whole journey of build/agvsim on a private Xvfb: the start-up
# dialog with the defaults, stepping, every mechanism, panning, zooming, the
# phase plane, a return to the console with 't' (a new Ts of 0.1 s), more
# steps and ESC. Prints the program's peak resident memory and exit status.
#   scripts/journey.sh                  # the program as it is
#   scripts/journey.sh valgrind ...     # under a wrapper, e.g. memcheck:
#   scripts/journey.sh valgrind --leak-check=full --smc-check=all-non-file
set -u
cd "$(dirname "$0")/.."
program=build/agvsim
work=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT

# A private X server; it reports its display number on fd 3.
exec 3> >(cat >"$work/display")
Xvfb -displayfd 3 -screen 0 1024x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

mkfifo "$work/in"
"$@" "$program" <"$work/in" >"$work/out" 2>"$work/err" &
app=$!
exec 7>"$work/in"
printf '0\nn\nn\nn\n\n\n' >&7

window=""
for _ in $(seq 1200); do
    window=$(xdotool search --name '機構選択' 2>/dev/null | tail -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "no window" >&2
    cat "$work/err" >&2
    exit 1
fi
press() {
    for key in "$@"; do
        xdotool key --window "$window" "$key" 2>/dev/null
        sleep 0.2
    done
}
press s s s s s 2 s s 3 s s 1 x X y Y w W z Z 0 q
press t
printf '0.1\nn\n\n\n' >&7
# Wait for the second dialog to finish (its key help ends with this line).
for _ in $(seq 600); do
    [ "$(grep -c '描画画面へ' "$work/out")" -ge 2 ] && break
    sleep 0.1
done
press s s s
pid=$(pgrep -n -f "$program")
[ -n "$pid" ] && grep VmHWM "/proc/$pid/status"
press Escape
wait "$app"
status=$?
exec 7>&-
echo "exit status $status"
grep -E 'ERROR SUMMARY|definitely lost|Invalid|uninitialised' "$work/err" | head -n 20
exit "$status"
