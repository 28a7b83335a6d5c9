#!/usr/bin/env bash
# The real game in a virtual X server, driven like a player would drive it.
#
#   game_e2e.sh SCENARIO GAME ASSETS OUTDIR SEND_WM_DELETE [PIMO_SIM [POB]]
#
# SCENARIO is one of
#   escape   the window is 700 x 430; keys 1 and 0 drop textured pieces where
#            they should; Escape ends the game with status 0 and an empty debug.txt
#   close    closing the window ends the game with status 0
#   missing  without theme.mp3 and pimo3.pob the game runs on, logs
#            "Unable to open pimo3.pob" when it picks that file, and still obeys
#   nodisplay  with no display the game says so on stderr and ends with status 1
#            within a second
#   elsewhere  started from a folder without pieces, the game moves to the assets
#            folder beside its executable (debug.txt lands there); --piece with a
#            relative name still finds the file where the user was
#   piece    --piece FILE: every spawn key drops FILE; a pipe or a missing file
#            given so is logged at once, and the game runs on
#   sandbox  Tab hides the overlay text; a piece dragged with the left button is
#            drawn higher; paused, two screenshots a second apart are the same
#            below the overlay and N changes the picture; C empties the world and
#            a spawn key still works; PIMO_SIM --replay matches the game's replay.txt
#   keep     paused, F5 saves world-0001.pdw, C and F9 give back the saved picture;
#            a spawn undone with Ctrl+Z gives back the picture before it; PIMO_SIM
#            --replay matches the journal with its load and undo
#   desk     resized to 1000 x 500, a piece dropped with the right button lands
#            under the pointer; F11 covers the screen and F11 again gives back the
#            window; the size is kept in settings.ini for the next start
#   draw     B and a circle dragged with the left button: a body appears inside
#            the circle, then falls; E writes piece-0001.pob, which POB check
#            accepts; PIMO_SIM --replay matches the journal with its draw
#
# Screenshots are left in OUTDIR. Exits 77 (skipped) when a tool is missing.
set -uo pipefail

scenario=$1
game=$(realpath "$2")
assets=$(realpath "$3")
out=$4
send_wm_delete=$(realpath "$5")
pimo_sim=${6:+$(realpath "$6")}
pob=${7:+$(realpath "$7")}

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
require_tools Xvfb xdotool xwininfo convert import

# Music needs no sound card here; the X libraries and the GL driver keep their
# allocations for the life of the process, which is not ours to report.
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

begin_run
start_xvfb

start_game() {
    (cd "$work/game" && exec "$game") &
    game_pid=$!
    await_window 20
}

window_geometry() {
    local info
    info=$(xwininfo -id "$window")
    win_x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    win_y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    win_w=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
    win_h=$(awk '/^ *Height:/ {print $NF}' <<<"$info")
}

# Escape ends the game with nothing in debug.txt, and PIMO_SIM replays its journal
# to the same world.
ends_cleanly_and_replays() {
    escape_ends_game 5
    expect_empty_debug_txt
    (cd "$work/game" && "$pimo_sim" --replay replay.txt) >"$work/replay.out" 2>&1 ||
        fail "pimo-sim --replay: $(cat "$work/replay.out")"
    grep -q "matches" "$work/replay.out" || fail "pimo-sim said: $(cat "$work/replay.out")"
}

case "$scenario" in
escape)
    prepare_game_dir
    start_game
    window_geometry
    [ "$win_w" = 700 ] && [ "$win_h" = 430 ] || fail "client area is ${win_w} x ${win_h}"
    press Tab  # the information overlay is not a piece
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

    escape_ends_game 5
    expect_empty_debug_txt
    ;;
desk)
    prepare_game_dir
    start_game
    xdotool windowsize --sync "$window" 1000 500
    sleep 0.5
    window_geometry
    [ "$win_w" = 1000 ] && [ "$win_h" = 500 ] || fail "resized client area is ${win_w} x ${win_h}"
    press Tab p
    # Paused, the piece stays where it was dropped: its middle near the pointer
    # (the grid's snap and the piece's own shape allow some way off).
    xdotool mousemove --window "$window" 760 140 click 3
    sleep 0.5
    read -r x0 y0 x1 y1 <<<"$(textured_box "$(screenshot desk-drop.png)" 0 1000 0 500)"
    echo "dropped piece: $x0,$y0 to $x1,$y1"
    [ -n "$x0" ] || fail "no piece after the right button"
    mx=$(((x0 + x1) / 2))
    my=$(((y0 + y1) / 2))
    [ $((mx - 760)) -lt 70 ] && [ $((760 - mx)) -lt 70 ] &&
        [ $((my - 140)) -lt 70 ] && [ $((140 - my)) -lt 70 ] ||
        fail "the piece's middle ($mx, $my) is not near the pointer (760, 140)"

    point_at_window
    press F11
    sleep 1
    window_geometry
    [ "$win_w" = 1024 ] && [ "$win_h" = 768 ] || fail "F11 gave ${win_w} x ${win_h}"
    point_at_window
    press F11
    sleep 1
    window_geometry
    [ "$win_w" = 1000 ] && [ "$win_h" = 500 ] || fail "F11 again gave ${win_w} x ${win_h}"
    escape_ends_game 5
    grep -q '^width = 1000$' "$XDG_CONFIG_HOME/pimo-drask/settings.ini" ||
        fail "settings.ini does not keep the width: $(cat "$XDG_CONFIG_HOME/pimo-drask/settings.ini")"
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
    unexpected=$(debug_lines "$work/game/debug.txt" '^Unable to open pimo3.pob$')
    [ -z "$unexpected" ] || fail "unexpected lines in debug.txt: $unexpected"
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended"
    window_geometry
    press 1
    sleep 0.5
    shot=$(screenshot missing.png)
    n=$(textured_pixels "$shot" 0 700)
    [ "$n" -gt 300 ] || fail "nothing drawn after the missing file ($n textured pixels)"
    escape_ends_game 5
    ;;
nodisplay)
    prepare_game_dir
    started=$(date +%s%N)
    (cd "$work/game" && unset DISPLAY WAYLAND_DISPLAY && exec timeout 10 "$game") 2>"$work/err.txt"
    status=$?
    took=$((($(date +%s%N) - started) / 1000000))
    [ "$status" -eq 1 ] || fail "exit status $status with no display"
    grep -q '^Pimo Drask needs a display: ' "$work/err.txt" || fail "stderr: $(cat "$work/err.txt")"
    [ "$took" -lt 1000 ] || fail "took $took ms to give up"
    ;;
elsewhere)
    mkdir -p "$work/dist/assets" "$work/other"
    cp "$game" "$work/dist/pimo-drask"
    cp -r "$assets"/. "$work/dist/assets/"
    rm -f "$work/dist/assets/debug.txt"
    cp "$assets/drask2.pob" "$work/other/mine.pob"
    (cd "$work/other" && exec "$work/dist/pimo-drask" --piece mine.pob) &
    game_pid=$!
    await_window 20
    window_geometry
    press 7
    sleep 1
    shot=$(screenshot elsewhere.png)
    n=$(textured_pixels "$shot" 0 700)
    [ "$n" -gt 300 ] || fail "no textured piece from the other folder ($n textured pixels)"
    escape_ends_game 5
    [ -f "$work/dist/assets/debug.txt" ] || fail "no debug.txt beside the assets"
    said=$(debug_lines "$work/dist/assets/debug.txt")
    [ -n "$said" ] && fail "debug.txt: $said"
    [ -e "$work/other/debug.txt" ] && fail "debug.txt written in the starting folder"
    ;;
piece)
    prepare_game_dir
    mkfifo "$work/pipe.pob"
    for file in "$work/pipe.pob" "$work/none.pob"; do
        rm -f "$work/game/debug.txt"
        (cd "$work/game" && exec "$game" --piece "$file") &
        game_pid=$!
        await_window 20
        press 1 0
        sleep 0.5
        want="Unable to open $file"
        [ "$file" = "$work/pipe.pob" ] && want="$want: not a regular file"
        [ "$(grep -cxF "$want" "$work/game/debug.txt")" -eq 2 ] ||
            fail "keys 1 and 0 did not both try $file: $(cat "$work/game/debug.txt")"
        kill -0 "$game_pid" 2>/dev/null || fail "the game ended"
        escape_ends_game 5
    done
    ;;
sandbox)
    [ -n "$pimo_sim" ] || { echo "SKIP: no pimo-sim given"; exit 77; }
    prepare_game_dir
    start_game
    window_geometry
    # The overlay's corner lines are drawn in the top-left; Tab hides them.
    shot=$(screenshot overlay.png)
    n=$(lit_pixels "$shot" 0 350 0 110)
    [ "$n" -gt 200 ] || fail "no overlay text in the corner ($n lit pixels)"
    press Tab
    shot=$(screenshot no-overlay.png)
    n=$(lit_pixels "$shot" 0 350 0 110)
    [ "$n" -eq 0 ] || fail "Tab left $n lit pixels in the corner"
    press Tab

    # Drop a piece and let it come to rest on the floor.
    landed=$(drop_and_land landed.png) || exit 1
    read -r x0 y0 x1 y1 <<<"$landed"
    echo "landed piece: $x0,$y0 to $x1,$y1"
    # Take it in the middle and lift it 150 pixels.
    cx=$(((x0 + x1) / 2))
    cy=$(((y0 + y1) / 2))
    xdotool mousemove --window "$window" "$cx" "$cy" mousedown 1
    for i in $(seq 1 30); do
        xdotool mousemove --window "$window" "$cx" $((cy - 5 * i))
        sleep 0.05
    done
    sleep 1
    shot=$(screenshot lifted.png)
    read -r _ ly0 _ _ <<<"$(textured_box "$shot" 350 700 110 430)"
    xdotool mouseup 1
    echo "lifted piece top: $ly0 (was $y0)"
    [ -n "$ly0" ] && [ "$ly0" -lt $((y0 - 60)) ] || fail "the dragged piece was not drawn higher"

    # A piece in flight, paused: the picture stands still until N.
    press 7
    for _ in $(seq 100); do
        shot=$(screenshot falling.png)
        read -r _ fy0 _ _ <<<"$(textured_box "$shot" 0 350 110 430)"
        [ -n "$fy0" ] && [ "$fy0" -ge 130 ] && break
        sleep 0.1
    done
    press p
    sleep 0.3
    a=$(screenshot paused-a.png)
    sleep 1
    b=$(screenshot paused-b.png)
    d=$(changed_pixels "$a" "$b")
    [ "$d" -eq 0 ] || fail "$d pixels changed below the overlay while paused"
    press n
    sleep 0.3
    c=$(screenshot stepped.png)
    d=$(changed_pixels "$b" "$c")
    [ "$d" -gt 0 ] || fail "N changed nothing below the overlay"
    press p

    press c
    sleep 0.5
    shot=$(screenshot cleared.png)
    n=$(lit_pixels "$shot" 0 700 110 400)
    [ "$n" -eq 0 ] || fail "$n lit pixels left after C"
    press 1
    sleep 1.5
    shot=$(screenshot after-clear.png)
    n=$(lit_pixels "$shot" 0 700 110 430)
    [ "$n" -gt 300 ] || fail "key 1 spawned nothing after C ($n lit pixels)"

    ends_cleanly_and_replays
    grep -c . "$work/game/replay.txt" | sed 's/^/journal lines: /'
    cat "$work/replay.out"
    cp "$work/game/replay.txt" "$out/replay.txt"
    ;;
keep)
    [ -n "$pimo_sim" ] || { echo "SKIP: no pimo-sim given"; exit 77; }
    prepare_game_dir
    start_game
    window_geometry
    press Tab 3
    sleep 1
    press p
    sleep 0.3
    saved=$(screenshot before-save.png)
    press F5
    sleep 0.3
    [ -s "$work/game/world-0001.pdw" ] || fail "F5 wrote no world-0001.pdw"
    press c F9
    # The confirmations at the bottom fade after three seconds.
    sleep 3.5
    loaded=$(screenshot loaded.png)
    d=$(changed_pixels "$saved" "$loaded")
    [ "$d" -eq 0 ] || fail "$d pixels differ between the saved world and the loaded one"

    # Below the overlay's rows, where the pictures are compared.
    xdotool mousemove --window "$window" 200 250 click 3
    sleep 0.3
    spawned=$(screenshot spawned.png)
    d=$(changed_pixels "$loaded" "$spawned")
    [ "$d" -gt 0 ] || fail "the right button drew nothing while paused"
    xdotool key --delay 50 ctrl+z
    sleep 0.3
    undone=$(screenshot undone.png)
    d=$(changed_pixels "$loaded" "$undone")
    [ "$d" -eq 0 ] || fail "$d pixels differ after Ctrl+Z from the picture before the spawn"

    ends_cleanly_and_replays
    ;;
draw)
    [ -n "$pob" ] || { echo "SKIP: no pob given"; exit 77; }
    prepare_game_dir
    start_game
    window_geometry
    press Tab b
    # A circle of radius 70 about (450, 220), from the top-left of the client area.
    xdotool mousemove --window "$window" 520 220 mousedown 1
    for k in $(seq 1 72); do
        read -r x y <<<"$(awk -v k="$k" 'BEGIN { a = k * 3.14159265 / 36
            printf "%d %d", 450 + 70 * cos(a), 220 - 70 * sin(a) }')"
        xdotool mousemove --window "$window" "$x" "$y"
        [ "$k" -eq 36 ] && screenshot half-drawn.png >/dev/null
    done
    xdotool mouseup 1
    sleep 0.2
    shot=$(screenshot drawn.png)
    # The outline being drawn is lit too, but only along the circle.
    inside=$(lit_pixels "$shot" 430 470 200 240)
    read -r bx0 by0 bx1 by1 <<<"$(textured_box "$shot" 350 700 110 430)"
    echo "drawn body: $bx0,$by0 to $bx1,$by1, $inside lit pixels of 1600 in its middle"
    [ "$inside" -gt 1200 ] && [ -n "$bx0" ] && [ "$bx0" -ge 375 ] && [ "$bx1" -le 525 ] &&
        [ "$by0" -ge 140 ] && [ "$by0" -le 175 ] ||
        fail "no body inside the circle drawn about (450, 220)"
    sleep 1.5
    shot=$(screenshot fallen.png)
    read -r _ fy0 _ _ <<<"$(textured_box "$shot" 350 700 110 430)"
    echo "a moment later its top: $fy0"
    [ -n "$fy0" ] && [ "$fy0" -gt $((by0 + 40)) ] || fail "the drawn body did not fall"

    press e
    sleep 0.3
    [ -s "$work/game/piece-0001.pob" ] || fail "E wrote no piece-0001.pob"
    "$pob" check "$work/game/piece-0001.pob" >"$work/check.out" 2>&1 ||
        fail "pob check: $(cat "$work/check.out")"
    grep -q '^draw ' "$work/game/replay.txt" || fail "no draw in the journal"
    ends_cleanly_and_replays
    ;;
*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac
echo "PASS ($scenario)"
