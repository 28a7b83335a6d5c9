#!/usr/bin/env bash
# The Windows game under Wine in a virtual X server, driven like a player would.
#
#   windows_e2e.sh SCENARIO GAME.exe ASSETS OUTDIR [LINUX_PIMO_SIM]
#
# SCENARIO is one of
#   play        with music playing (on a null sound device): the window's client
#               area is 700 x 430; keys 1 and 7 drop textured pieces; Escape ends
#               the game with status 0 and an empty debug.txt
#   badtexture  the drask pieces' textures are not TGA files: key 1 brings up the
#               "Invalid Image" message box; Return dismisses it and the game runs
#               on, drops a piece for key 9 and ends with status 0 on Escape;
#               debug.txt names the texture and says why it was refused
#   started     started with `start` (no standard handles, as play.bat, a shortcut
#               or a double-click start it) from a folder without pieces: the game
#               moves to the assets folder beside it and writes debug.txt there
#               on, drops a piece for key 9 and ends with status 0 on Escape
#   sandbox     a piece dragged up with the left button is drawn higher; paused,
#               the picture stands still; C empties it; the game's replay.txt
#               matches when replayed by pimo-sim.exe (beside the game) and by
#               LINUX_PIMO_SIM when given
#
# The game runs in a copy of ASSETS; screenshots are left in OUTDIR. Each Wine run
# has a time limit, as a message box nobody answers would block it for good.
# Exits 77 (skipped) when a tool is missing.
set -uo pipefail

scenario=$1
game=$(realpath "$2")
assets=$(realpath "$3")
out=$4
linux_sim=${5:+$(realpath "$5")}
wine_run=$(realpath "$(dirname "$0")/../../scripts/wine-run")

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
require_tools Xvfb xdotool xwininfo convert import timeout

# Each scenario is a first start: the settings an earlier one left in the prefix
# (the overlay hidden by its Tab, say) would change what the game shows.
rm -rf "$(realpath -m "$(dirname "$game")/../wineprefix")"/drive_c/users/*/AppData/Roaming/"Pimo Drask"

# Wine's session outlives the game by a few seconds and keeps its X display; the
# next run, on another display, must not find it.
end_wine_session() {
    timeout 60 "$wine_run" --wait "$game"
}
before_display_closes() {
    end_wine_session
}
more_logs() {
    [ -f "$work/wine.log" ] && { echo "--- wine"; grep -v '^ALSA lib' "$work/wine.log" | tail -n 20; }
}

begin_run
start_xvfb
end_wine_session

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
    await_window 90
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

case "$scenario" in
play)
    prepare_game_dir
    sound_device null
    start_game
    client_geometry
    [ "$win_w" = 700 ] && [ "$win_h" = 430 ] || fail "client area is ${win_w} x ${win_h}"
    press Tab  # the information overlay is not a piece
    n=$(textured_pixels "$(screenshot windows-empty.png)")
    [ "$n" -eq 0 ] || fail "$n coloured pixels before any piece was dropped"
    press 1 7
    sleep 1
    n=$(textured_pixels "$(screenshot windows-pieces.png)")
    echo "textured pixels after keys 1 and 7: $n"
    [ "$n" -gt 600 ] || fail "no pieces drawn ($n textured pixels)"
    escape_ends_game 10
    expect_empty_debug_txt
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
    point_at_window
    press 9
    sleep 1
    n=$(textured_pixels "$(screenshot windows-after-box.png)" 350 700)
    echo "textured pixels on the right after the box and key 9: $n"
    [ "$n" -gt 300 ] || fail "nothing drawn after the message box ($n textured pixels)"
    escape_ends_game 10
    tr -d '\r' <"$work/game/debug.txt" |
        grep -Eq '^Unable to load texture (crate|brick|plank|stone)\.tga: not an uncompressed or run-length true-colour TGA$' ||
        fail "debug.txt does not name the refused texture"
    ;;
started)
    mkdir -p "$work/dist/assets" "$work/other"
    cp "$game" "$work/dist/pimo-drask.exe"
    cp -r "$assets"/. "$work/dist/assets/"
    rm -f "$work/dist/assets/debug.txt"
    sound_device none
    # `start` returns at once; the game is not our child, so its window is watched.
    (cd "$work/other" && HOME="$work/home" PIMO_WINEPREFIX=$(realpath -m "$(dirname "$game")/../wineprefix") \
        exec timeout 60 "$wine_run" start /unix "$work/dist/pimo-drask.exe" --piece nothing.pob) \
        >"$work/wine.log" 2>&1
    await_window 90
    press 1
    for _ in $(seq 50); do
        grep -q '^Unable to open' "$work/dist/assets/debug.txt" 2>/dev/null && break
        sleep 0.1
    done
    # The start says the piece is missing; the key then finds it still missing.
    log=$(tr -d '\r' <"$work/dist/assets/debug.txt" 2>/dev/null | grep -v '^No settings file (')
    [[ $log =~ ^[^$'\n']*nothing\.pob:\ no\ such\ file\;\ the\ spawn\ keys\ drop\ nothing$'\n'Unable\ to\ open\ [^$'\n']*nothing\.pob$ ]] ||
        fail "debug.txt beside the assets: '$log'"
    [ -e "$work/other/debug.txt" ] && fail "debug.txt written in the starting folder"
    press Escape
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name '^Pimo Drask$' >/dev/null || break
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Pimo Drask$' >/dev/null && fail "Escape did not end the game"
    ;;
sandbox)
    prepare_game_dir
    sound_device none
    start_game
    client_geometry
    landed=$(drop_and_land windows-landed.png) || exit 1
    read -r x0 y0 x1 y1 <<<"$landed"
    # Screen positions: Wine's frame is not the client area.
    cx=$((win_x + (x0 + x1) / 2))
    cy=$((win_y + (y0 + y1) / 2))
    xdotool mousemove "$cx" "$cy" mousedown 1
    for i in $(seq 1 30); do
        xdotool mousemove "$cx" $((cy - 5 * i))
        sleep 0.05
    done
    sleep 1
    read -r _ ly0 _ _ <<<"$(textured_box "$(screenshot windows-lifted.png)" 350 700 110 430)"
    xdotool mouseup 1
    echo "lifted piece top: $ly0 (was $y0)"
    [ -n "$ly0" ] && [ "$ly0" -lt $((y0 - 60)) ] || fail "the dragged piece was not drawn higher"
    sleep 0.3
    press p
    sleep 0.3
    a=$(screenshot windows-paused-a.png)
    sleep 1
    b=$(screenshot windows-paused-b.png)
    d=$(changed_pixels "$a" "$b")
    [ "$d" -eq 0 ] || fail "$d pixels changed below the overlay while paused"
    press p c
    sleep 0.5
    n=$(lit_pixels "$(screenshot windows-cleared.png)" 0 700 110 400)
    [ "$n" -eq 0 ] || fail "$n lit pixels left after C"
    press 1
    sleep 1
    escape_ends_game 10
    expect_empty_debug_txt
    end_wine_session
    cp "$work/game/replay.txt" "$out/windows-replay.txt"
    sim=$(dirname "$game")/pimo-sim.exe
    (cd "$work/game" && timeout 120 "$wine_run" "$sim" --replay replay.txt) >"$work/replay.out" 2>&1 ||
        fail "pimo-sim.exe --replay: $(cat "$work/replay.out")"
    grep "matches" "$work/replay.out" || fail "pimo-sim.exe said: $(cat "$work/replay.out")"
    if [ -n "$linux_sim" ]; then
        (cd "$work/game" && "$linux_sim" --replay replay.txt) >"$work/replay.out" 2>&1 ||
            fail "Linux pimo-sim --replay: $(cat "$work/replay.out")"
        cat "$work/replay.out"
    fi
    ;;
*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac
echo "PASS ($scenario)"
