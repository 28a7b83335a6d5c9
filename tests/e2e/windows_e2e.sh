#!/usr/bin/env bash
# The Windows game under Wine in a virtual X server, driven like a player would.
#
#   windows_e2e.sh SCENARIO GAME.exe ASSETS OUTDIR
#
# SCENARIO is one of
#   play        with music playing (on a null sound device): the window's client
#               area is 700 x 430; keys 1 and 7 drop textured pieces; Escape ends
#               the game with status 0 and an empty debug.txt
#   badtexture  the drask pieces' textures are not TGA files: key 1 brings up the
#               "Invalid Image" message box; Return dismisses it and the game runs
#               on, drops a piece for key 9 and ends with status 0 on Escape
#
# The game runs in a copy of ASSETS; screenshots are left in OUTDIR. Each Wine run
# has a time limit, as a message box nobody answers would block it for good.
# Exits 77 (skipped) when a tool is missing.
set -uo pipefail

scenario=$1
game=$(realpath "$2")
assets=$(realpath "$3")
out=$4
wine_run=$(realpath "$(dirname "$0")/../../scripts/wine-run")

for tool in Xvfb xdotool xwininfo convert import timeout; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
mkdir -p "$out"
out=$(realpath "$out")

work=$(mktemp -d)
xvfb_pid=""
game_pid=""
# Wine's session outlives the game by a few seconds and keeps its X display; the
# next run, on another display, must not find it.
end_wine_session() {
    timeout 60 "$wine_run" --wait "$game"
}
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    end_wine_session
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL ($scenario): $*"
    [ -f "$work/game/debug.txt" ] && { echo "--- debug.txt"; cat "$work/game/debug.txt"; }
    [ -f "$work/wine.log" ] && { echo "--- wine"; grep -v '^ALSA lib' "$work/wine.log" | tail -n 20; }
    exit 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
end_wine_session

prepare_game_dir() {
    mkdir -p "$work/game"
    cp -r "$assets"/. "$work/game/"
    rm -f "$work/game/debug.txt"
}

# Wine plays sound through ALSA: a home whose default ALSA device is the null one
# gives the game an output device on any machine; an empty home, none here.
sound_device() {
    mkdir -p "$work/home"
    if [ "$1" = null ]; then
        echo 'pcm.!default { type null }' >"$work/home/.asoundrc"
    fi
}

start_game() {
    (cd "$work/game" && HOME="$work/home" exec timeout 120 "$wine_run" "$game") >"$work/wine.log" 2>&1 &
    game_pid=$!
    # The first run of a fresh Wine prefix makes it, which takes a while.
    window=$(timeout 90 xdotool search --sync --onlyvisible --name '^Pimo Drask$' | head -n1)
    [ -n "$window" ] || fail "no \"Pimo Drask\" window within 90 s"
    # No window manager gives focus here; keys go where the pointer is.
    xdotool mousemove --window "$window" 350 215
}

press() {
    for key in "$@"; do
        xdotool key --delay 50 "$key"
        sleep 0.1
    done
}

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

# Wine draws the frame itself; the client area is the one child X window.
client_geometry() {
    local child
    child=$(xwininfo -tree -id "$window" | awk '/^ +0x[0-9a-f]+ / {print $(NF-1)}' | head -n1)
    [[ $child =~ ^([0-9]+)x([0-9]+)\+-?[0-9]+\+-?[0-9]+$ ]] || fail "no client window: $child"
    win_w=${BASH_REMATCH[1]}
    win_h=${BASH_REMATCH[2]}
    local absolute
    absolute=$(xwininfo -tree -id "$window" | awk '/^ +0x[0-9a-f]+ / {print $NF}' | head -n1)
    [[ $absolute =~ ^\+(-?[0-9]+)\+(-?[0-9]+)$ ]] || fail "no client position: $absolute"
    local frame_x frame_y
    frame_x=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $NF}')
    frame_y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $NF}')
    win_x=$((frame_x + BASH_REMATCH[1]))
    win_y=$((frame_y + BASH_REMATCH[2]))
}

# Pixels of the client area between columns $2 and $3 (all of it without them)
# that carry red or blue: texture, not the black background nor the green of
# links and loose atoms.
textured_pixels() {
    convert "$1" -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage -depth 8 txt:- |
        awk -F'[(),:]' -v from="${2:-0}" -v to="${3:-100000}" '
            NR > 1 && $1 >= from && $1 < to && ($4 > 40 || $6 > 40) { n++ }
            END { print n + 0 }'
}

screenshot() {
    import -window root "$out/$1" || fail "no screenshot"
    echo "$out/$1"
}

case "$scenario" in
play)
    prepare_game_dir
    sound_device null
    start_game
    client_geometry
    [ "$win_w" = 700 ] && [ "$win_h" = 430 ] || fail "client area is ${win_w} x ${win_h}"
    n=$(textured_pixels "$(screenshot windows-empty.png)")
    [ "$n" -eq 0 ] || fail "$n coloured pixels before any piece was dropped"
    press 1 7
    sleep 1
    n=$(textured_pixels "$(screenshot windows-pieces.png)")
    echo "textured pixels after keys 1 and 7: $n"
    [ "$n" -gt 600 ] || fail "no pieces drawn ($n textured pixels)"
    press Escape
    wait_exit 10
    [ "$status" -eq 0 ] || fail "exit status $status after Escape"
    [ -f "$work/game/debug.txt" ] || fail "no debug.txt"
    [ -s "$work/game/debug.txt" ] && fail "debug.txt is not empty"
    ;;
badtexture)
    prepare_game_dir
    for texture in crate brick plank stone; do
        echo "This is not a picture but a few words of text." >"$work/game/$texture.tga"
    done
    sound_device none
    start_game
    client_geometry
    press 1
    box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Invalid Image$' | head -n1)
    [ -n "$box" ] || fail "no \"Invalid Image\" message box within 20 s"
    screenshot windows-invalid-image.png >/dev/null
    xdotool mousemove --window "$box" 10 10
    press Return
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name '^Invalid Image$' >/dev/null || break
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Invalid Image$' >/dev/null &&
        fail "the message box is still there after Return"
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended with the message box"
    # Key 9 drops a pimo piece on the right, away from the drask piece (drawn
    # with the loader's stand-in texture) on the left.
    xdotool mousemove --window "$window" 350 215
    press 9
    sleep 1
    n=$(textured_pixels "$(screenshot windows-after-box.png)" 350 700)
    echo "textured pixels on the right after the box and key 9: $n"
    [ "$n" -gt 300 ] || fail "nothing drawn after the message box ($n textured pixels)"
    press Escape
    wait_exit 10
    [ "$status" -eq 0 ] || fail "exit status $status after Escape"
    ;;
*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac
echo "PASS ($scenario)"
