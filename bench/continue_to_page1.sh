#!/usr/bin/env bash
# Continue -> page 1 visible, as the user sees it: the real program on a display of its own (Xvfb),
# the splash up 3 s, then a click on Continue; the time until page 1's window is mapped.
#   cold: no office running when the program starts (the splash starts it);
#   warm: the office of the run before still running, with the workbook open.
#
#   bench/continue_to_page1.sh [build folder] [rounds]     (needs xvfb, xdotool, python3-uno)
#
# The program runs as a user of its own (HOME and USER of a temporary folder), so the office it
# starts has a profile and a pipe of its own and no other office is touched; it runs from a copy
# of the program folder. Prints each figure in ms, then the medians.
set -euo pipefail

BUILD=$(cd "${1:-build}" && pwd)
ROUNDS=${2:-5}
SPLASH_SECONDS=3

work=$(mktemp -d)
bench_user="dravikbench$$"
# The pipe's random part, where the program looks for it.
export XDG_RUNTIME_DIR="$work/run"
bench_part=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
mkdir -p -m 700 "$XDG_RUNTIME_DIR/dravik-lumo"
echo "$bench_part" >"$XDG_RUNTIME_DIR/dravik-lumo/office-pipe"
bench_pipe="dravik_lumo_calc_${bench_user}_$bench_part"
program_pid=
xvfb_pid=

# Ends the office this script's user runs, closing its documents unsaved first (an office asked to
# end with a changed document would ask the user).
end_office() {
    timeout 30 /usr/bin/python3 - "$bench_pipe" <<'EOF' || true
import sys, time, uno
local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
url = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % sys.argv[1]
try:
    ctx = resolver.resolve(url)
except Exception:
    sys.exit(0)
desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
components = desktop.Components.createEnumeration()
while components.hasMoreElements():
    components.nextElement().close(True)
try:
    desktop.terminate()
except Exception:
    pass
for _ in range(100):
    try:
        resolver.resolve(url)
        time.sleep(0.1)
    except Exception:
        break
EOF
    # An office that would not terminate (one registering an extension out of process may not)
    # is ended by its pids; the pipe's name is this run's alone.
    local left
    left=$(pgrep -f "pipe,name=$bench_pipe;" || true)
    [ -z "$left" ] || kill -KILL $left 2>/dev/null || true
}

cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    end_office
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/home" "$work/bin"
cp "$BUILD/bin/dravik-lumo" "$BUILD/bin/dravik-lumo-calc.so" "$BUILD/bin/"*.tabb "$BUILD/bin/"*.oxt \
   "$work/bin/"

# -noreset: a server that resets when its last client leaves may turn the office away.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# One start of the program; prints Continue -> page 1 in ms.
one_run() {
    HOME="$work/home" USER="$bench_user" "$work/bin/dravik-lumo" >/dev/null 2>&1 &
    program_pid=$!
    local splash
    splash=$(xdotool search --sync --onlyvisible --pid "$program_pid" | head -1)
    sleep "$SPLASH_SECONDS"
    # Continue lies at 6000, 3600 twips (400, 240 px) and is 1095 x 375 twips.
    xdotool mousemove --window "$splash" 436 252
    local t0 t1
    t0=$(now_ms)
    xdotool click 1
    until xdotool search --onlyvisible --name "General Information" >/dev/null 2>&1; do
        if ! kill -0 "$program_pid" 2>/dev/null; then
            echo "the program ended before page 1 showed" >&2
            exit 1
        fi
    done
    t1=$(now_ms)
    kill "$program_pid"
    wait "$program_pid" 2>/dev/null || true
    program_pid=
    echo $((t1 - t0))
}

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

cold=()
warm=()
for round in $(seq "$ROUNDS"); do
    end_office
    cold+=("$(one_run)")
    warm+=("$(one_run)")
    echo "round $round: cold ${cold[-1]} ms, warm ${warm[-1]} ms"
done
echo "Continue -> page 1, median of $ROUNDS: cold $(printf '%s\n' "${cold[@]}" | median) ms, warm $(printf '%s\n' "${warm[@]}" | median) ms"
