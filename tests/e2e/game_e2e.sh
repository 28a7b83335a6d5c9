#!/usr/bin/env bash
# The real game in a virtual X server, driven like a player would drive it.
#
#   game_e2e.sh SCENARIO GAME ASSETS OUTDIR SEND_WM_DELETE
#
# SCENARIO is one of
#   escape   the window is 700 x 430; keys 1 and 0 drop textured pieces where
#            they should; Escape ends the game with status 0 and an empty debug.txt
#   close    closing the window ends the game with status 0
#   missing  without theme.mp3 and pimo3.pob the game runs on, logs
#            "Unable to open pimo3.pob" when it picks that file, and still obeys
#
# Screenshots are left in OUTDIR. Exits 77 (skipped) when a tool is missing.
set -uo pipefail

scenario=$1
game=$(realpath "$2")
assets=$(realpath "$3")
out=$4
send_wm_delete=$(realpath "$5")

for tool in Xvfb xdotool xwininfo convert import; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
mkdir -p "$out"
out=$(realpath "$out")

# Music needs no sound card here; the X libraries and the GL driver keep their
# allocations for the life of the process, which is not ours to report.
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL ($scenario): $*"
    [ -f "$work/game/debug.txt" ] && { echo "--- debug.txt"; cat "$work/game/debug.txt"; }
    exit 1
}

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

# The game's working directory: a copy of the assets, so debug.txt is written there.
prepare_game_dir() {
    mkdir -p "$work/game"
    cp -r "$assets"/. "$work/game/"
    rm -f "$work/game/debug.txt"
}

start_game() {
    (cd "$work/game" && exec "$game") &
    game_pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Pimo Drask$' | head -n1)
    [ -n "$window" ] || fail "no \"Pimo Drask\" window within 20 s"
    # No window manager gives focus here; keys go where the pointer is.
    xdotool mousemove --window "$window" 350 215
}

press() {
    for key in "$@"; do
        xdotool key --delay 50 "$key"
        sleep 0.1
    done
}

# Waits up to $1 seconds for the game to end; sets `status`.
wait_exit() {
    for _ in $(seq $(($1 * 10))); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$game_pid" 2>/dev/null && fail "still running $1 s later"
    wait "$game_pid"
    status=$?
    game_pid=""
}

window_geometry() {
    local info
    info=$(xwininfo -id "$window")
    win_x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    win_y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    win_w=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
    win_h=$(awk '/^ *Height:/ {print $NF}' <<<"$info")
}

# Pixels of the client area between columns $2 and $3 that carry red or blue:
# texture, not the black background nor the green of links and loose atoms.
textured_pixels() {
    convert "$1" -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage -depth 8 txt:- |
        awk -F'[(),:]' -v from="$2" -v to="$3" '
            NR > 1 && $1 >= from && $1 < to && ($4 > 40 || $6 > 40) { n++ }
            END { print n + 0 }'
}

screenshot() {
    import -window root "$out/$1" || fail "no screenshot"
    echo "$out/$1"
}

case "$scenario" in
escape)
    prepare_game_dir
    start_game
    window_geometry
    [ "$win_w" = 700 ] && [ "$win_h" = 430 ] || fail "client area is ${win_w} x ${win_h}"
    before=$(screenshot empty.png)
    n=$(textured_pixels "$before" 0 700)
    [ "$n" -eq 0 ] || fail "$n coloured pixels before any piece was dropped"

    press 1 0
    sleep 1
    shot=$(screenshot pieces.png)
    left=$(textured_pixels "$shot" 0 350)
    right=$(textured_pixels "$shot" 350 700)
    echo "textured pixels: $left under key 1, $right under key 0"
    [ "$left" -gt 300 ] || fail "no piece under key 1 ($left textured pixels)"
    [ "$right" -gt 300 ] || fail "no piece under key 0 ($right textured pixels)"

    press Escape
    wait_exit 5
    [ "$status" -eq 0 ] || fail "exit status $status after Escape"
    [ -f "$work/game/debug.txt" ] || fail "no debug.txt"
    [ -s "$work/game/debug.txt" ] && fail "debug.txt is not empty"
    ;;
close)
    prepare_game_dir
    start_game
    press 7
    "$send_wm_delete" "$window" || fail "could not ask the window to close"
    wait_exit 5
    [ "$status" -eq 0 ] || fail "exit status $status after closing the window"
    ;;
missing)
    prepare_game_dir
    rm -f "$work/game/theme.mp3" "$work/game/pimo3.pob"
    start_game
    for _ in $(seq 40); do
        press 0
        grep -q 'Unable to open pimo3.pob' "$work/game/debug.txt" 2>/dev/null && break
    done
    grep -q 'Unable to open pimo3.pob' "$work/game/debug.txt" ||
        fail "40 presses of 0 and pimo3.pob was never missed"
    unexpected=$(grep -v '^Unable to open pimo3.pob$' "$work/game/debug.txt")
    [ -z "$unexpected" ] || fail "unexpected lines in debug.txt: $unexpected"
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended"
    window_geometry
    press 1
    sleep 0.5
    shot=$(screenshot missing.png)
    n=$(textured_pixels "$shot" 0 700)
    [ "$n" -gt 300 ] || fail "nothing drawn after the missing file ($n textured pixels)"
    press Escape
    wait_exit 5
    [ "$status" -eq 0 ] || fail "exit status $status after Escape"
    ;;
*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac
echo "PASS ($scenario)"
