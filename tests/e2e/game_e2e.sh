#!/usr/bin/env bash
# The real game in a virtual X server, driven like a player would drive it: the
# Linux game, or the Windows one (GAME ending in .exe) under Wine.
#
#   game_e2e.sh SCENARIO GAME ASSETS OUTDIR [OTHER_SIM]
#
# pimo-sim and pob are the ones beside GAME; OTHER_SIM is another system's pimo-sim
# that must replay the game's journal too. PIMO_SEND_WM_DELETE names the helper
# that closes a window as a window manager would (for `close`).
#
# SCENARIO is one of
#   play     the window is 700 x 430; keys 1 and 0 drop textured pieces where they
#            should; Escape ends the game with status 0 and an empty debug.txt
#   close    closing the window ends the game with status 0
#   missing  without theme.mp3 and pimo3.pob the game runs on, logs
#            "Unable to open pimo3.pob" when it picks that file, and still obeys
#   badtexture  (Windows) the drask pieces' textures are not TGA files: key 1 brings up the
#            "Invalid Image" message box; Return dismisses it and the game runs
#            on, drops a piece for key 9 and ends with status 0 on Escape;
#            debug.txt names the texture and says why it was refused
#   nodisplay  with no display the game says so on stderr and ends with status 1
#            within a second
#   elsewhere  started from a folder without pieces (on Windows with `start`, with
#            no standard handles, as a shortcut starts it), the game moves to the
#            assets folder beside its executable (debug.txt lands there); --piece
#            with a relative name still finds the file where the user was
#   piece    --piece FILE: every spawn key drops FILE; a pipe or a missing file
#            given so is logged at once, and the game runs on
#   sandbox  Tab hides the overlay text; a piece dragged with the left button is
#            drawn higher; paused, two screenshots a second apart are the same
#            below the overlay and N changes the picture; C empties the world and
#            a spawn key still works; pimo-sim --replay matches the game's replay.txt
#   keep     paused, F5 saves world-0001.pdw, C and F9 give back the saved picture;
#            a spawn undone with Ctrl+Z gives back the picture before it; pimo-sim
#            --replay matches the journal with its load and undo
#   desk     resized to 1000 x 500, a piece dropped with the right button lands
#            under the pointer; F11 covers the screen and F11 again gives back the
#            window; the size is kept in settings.ini for the next start
#   draw     B and a circle dragged with the left button: a body appears inside
#            the circle, then falls; E writes piece-0001.pob, which pob check
#            accepts; pimo-sim --replay matches the journal with its draw
#
# Screenshots are left in OUTDIR. Each Wine run has a time limit, as a message box
# nobody answers would block it for good. Exits 77 (skipped) when a tool is missing.
set -uo pipefail

scenario=$1
game=$(realpath "$2")
assets=$(realpath "$3")
out=$4
other_sim=${5:+$(realpath "$5")}
bin=$(dirname "$game")
wine_run=$(realpath "$(dirname "$0")/../../scripts/wine-run")

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
require_tools Xvfb xdotool xwininfo convert import timeout

if [[ $game == *.exe ]]; then
    exe=.exe
    prefix=$(realpath -m "$bin/../wineprefix")
    # Each scenario is a first start: the settings an earlier one left in the prefix
    # (the overlay hidden by its Tab, say) would change what the game shows.
    rm -rf "$prefix"/drive_c/users/*/AppData/Roaming/"Pimo Drask"
    # Wine's session outlives the game by a few seconds and keeps its X display;
    # the next run, on another display, must not find it.
    end_wine_session() { timeout 60 "$wine_run" --wait "$game"; }
    before_display_closes() { end_wine_session; }
    more_logs() { [ -f "$work/wine.log" ] && { echo "--- wine"; grep -v '^ALSA lib' "$work/wine.log" | tail -n 20; }; }
    # PROGRAM ARGS...: one of the programs beside the game, from the current folder.
    tool() { timeout 120 "$wine_run" "$bin/$1.exe" "${@:2}"; }
    # The first run of a fresh Wine prefix makes it, which takes a while.
    window_wait=90 quit_wait=10
    # Wine plays sound through ALSA: the default device of this home is the null
    # one, so the music plays into an output device on any machine.
    launch() {
        mkdir -p "$work/home"
        echo 'pcm.!default { type null }' >"$work/home/.asoundrc"
        HOME="$work/home" exec timeout 120 "$wine_run" "$@" >>"$work/wine.log" 2>&1
    }
else
    exe=""
    end_wine_session() { :; }
    tool() { "$bin/$1" "${@:2}"; }
    window_wait=20 quit_wait=5
    # Music needs no sound card here; the X libraries and the GL driver keep their
    # allocations for the life of the process, which is not ours to report.
    export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    launch() { exec "$@"; }
fi

begin_run
start_xvfb
end_wine_session

# The game's working directory: a copy of the assets, so debug.txt is written there.
prepare_game_dir() {
    mkdir -p "$work/game"
    cp -r "$assets"/. "$work/game/"
    rm -f "$work/game/debug.txt"
}

start_game() {
    (cd "$work/game" && launch "$game" "$@") &
    game_pid=$!
    await_window "$window_wait"
    window_geometry
}

# The client area in screen pixels. Wine draws the frame itself, the client area
# being its one child X window.
window_geometry() {
    local info child
    info=$(xwininfo -id "$window")
    win_x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    win_y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    win_w=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
    win_h=$(awk '/^ *Height:/ {print $NF}' <<<"$info")
    [ -n "$exe" ] || return 0
    child=$(xwininfo -tree -id "$window" | awk '/^ +0x[0-9a-f]+ / {print $(NF-1), $NF}' | head -n1)
    [[ $child =~ ^([0-9]+)x([0-9]+)\+-?[0-9]+\+-?[0-9]+\ \+(-?[0-9]+)\+(-?[0-9]+)$ ]] ||
        fail "no client window: $child"
    win_w=${BASH_REMATCH[1]} win_h=${BASH_REMATCH[2]}
    win_x=$((win_x + BASH_REMATCH[3])) win_y=$((win_y + BASH_REMATCH[4]))
}

# Moves the pointer to $1, $2 in the client area; more xdotool commands may follow.
move() {
    xdotool mousemove $((win_x + $1)) $((win_y + $2)) "${@:3}"
}

# The lines of debug.txt $1 but for a first start's saying that there are no
# settings yet, and any others given as patterns after it.
debug_lines() {
    local file=$1 patterns=(-e '^No settings file (')
    shift
    for p in "$@"; do patterns+=(-e "$p"); done
    tr -d '\r' <"$file" | grep -v "${patterns[@]}"
}

# Escape ends the game with nothing in debug.txt.
ends_cleanly() {
    escape_ends_game "$quit_wait"
    [ -f "$work/game/debug.txt" ] || fail "no debug.txt"
    local said
    said=$(debug_lines "$work/game/debug.txt")
    [ -z "$said" ] || fail "debug.txt is not empty: $said"
}

# COMMAND...: a pimo-sim replays the game's journal to the same world.
replays() {
    (cd "$work/game" && "$@" --replay replay.txt) >"$work/replay.out" 2>&1 &&
        grep "matches" "$work/replay.out" || fail "$* --replay: $(cat "$work/replay.out")"
}

ends_cleanly_and_replays() {
    ends_cleanly
    end_wine_session
    cp "$work/game/replay.txt" "$out/$scenario-replay$exe.txt"
    replays tool pimo-sim
    [ -z "$other_sim" ] || replays "$other_sim"
}

# Textured pixels of a screenshot named $1 in columns $2..$3 must be more than 300.
expect_piece() {
    local n
    n=$(pixels textured "$(screenshot "$1")" "$2" "$3")
    echo "$1: $n textured pixels in columns $2 to $3"
    [ "$n" -gt 300 ] || fail "no piece in columns $2 to $3 of $1 ($n textured pixels)"
}

# Pixels that differ between screenshots $1 and $2 in the client area below the
# overlay's corner lines (rows 110 and down).
changed_pixels() {
    local geometry="${win_w}x$((win_h - 110))+${win_x}+$((win_y + 110))"
    convert "$1" -crop "$geometry" +repage "$work/changed-a.png"
    convert "$2" -crop "$geometry" +repage "$work/changed-b.png"
    compare -metric AE "$work/changed-a.png" "$work/changed-b.png" null: 2>&1 | cut -d' ' -f1
}

# Presses key 3 and waits for its piece to rest on the floor (the same box on two
# screenshots half a second apart, touching the bottom); prints the piece's
# textured box (x0 y0 x1 y1 in client pixels) from screenshot $1, or fails.
drop_and_land() {
    local box="" previous="" y1=0
    press 3
    for _ in $(seq 60); do
        sleep 0.5
        previous=$box
        box=$(pixels box "$(screenshot "$1")" 350 700 110 430)
        y1=${box##* }
        [ -n "$box" ] && [ "$y1" -ge 425 ] && [ "$box" = "$previous" ] && break
    done
    [ -n "$box" ] && [ "$y1" -ge 425 ] && [ "$box" = "$previous" ] ||
        fail "no piece came to rest after key 3" >&2
    echo "$box"
}

case "$scenario" in
play)
    prepare_game_dir
    start_game
    [ "$win_w" = 700 ] && [ "$win_h" = 430 ] || fail "client area is ${win_w} x ${win_h}"
    press Tab  # the information overlay is not a piece
    n=$(pixels textured "$(screenshot empty$exe.png)")
    [ "$n" -eq 0 ] || fail "$n coloured pixels before any piece was dropped"
    press 1 0
    sleep 1
    expect_piece pieces$exe.png 0 350
    expect_piece pieces$exe.png 350 700
    ends_cleanly
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
    move 760 140 click 3
    sleep 0.5
    read -r x0 y0 x1 y1 <<<"$(pixels box "$(screenshot desk-drop.png)")"
    echo "dropped piece: $x0,$y0 to $x1,$y1"
    [ -n "$x0" ] || fail "no piece after the right button"
    mx=$(((x0 + x1) / 2 - 760)) my=$(((y0 + y1) / 2 - 140))
    [ "${mx#-}" -lt 70 ] && [ "${my#-}" -lt 70 ] ||
        fail "the piece's middle is $mx, $my away from the pointer (760, 140)"
    for want in "1024 768" "1000 500"; do
        point_at_window
        press F11
        sleep 1
        window_geometry
        [ "$win_w $win_h" = "$want" ] || fail "F11 gave ${win_w} x ${win_h}, not $want"
    done
    escape_ends_game "$quit_wait"
    grep -q '^width = 1000$' "$XDG_CONFIG_HOME/pimo-drask/settings.ini" ||
        fail "settings.ini does not keep the width: $(cat "$XDG_CONFIG_HOME/pimo-drask/settings.ini")"
    ;;
close)
    prepare_game_dir
    start_game
    press 7
    "$PIMO_SEND_WM_DELETE" "$window" || fail "could not ask the window to close"
    wait_exit "$quit_wait"
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
    unexpected=$(debug_lines "$work/game/debug.txt" '^Unable to open pimo3.pob$')
    grep -q 'Unable to open pimo3.pob' "$work/game/debug.txt" && [ -z "$unexpected" ] ||
        fail "40 presses of 0, and debug.txt says: $(cat "$work/game/debug.txt")"
    press 1
    sleep 0.5
    expect_piece missing$exe.png 0 700
    escape_ends_game "$quit_wait"
    ;;
badtexture)
    prepare_game_dir
    for texture in crate brick plank stone; do
        echo "This is not a picture but a few words of text." >"$work/game/$texture.tga"
    done
    start_game
    game_window=$window
    press 1
    await_window 20 "Invalid Image"
    xdotool mousemove --window "$window" 10 10
    screenshot invalid-image$exe.png >/dev/null
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
    window=$game_window
    point_at_window
    press 9
    sleep 1
    expect_piece after-box$exe.png 350 700
    escape_ends_game "$quit_wait"
    debug_lines "$work/game/debug.txt" |
        grep -Eq '^Unable to load texture (crate|brick|plank|stone)\.tga: not an uncompressed or run-length true-colour TGA$' ||
        fail "debug.txt does not name the refused texture"
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
    cp "$game" "$work/dist/pimo-drask$exe"
    cp -r "$assets"/. "$work/dist/assets/"
    rm -f "$work/dist/assets/debug.txt"
    cp "$assets/drask2.pob" "$work/other/mine.pob"
    if [ -n "$exe" ]; then
        # `start` returns at once; the game is not our child, so its window is
        # watched. It starts the game in the game's own folder, where no mine.pob is.
        piece=nothing.pob
        (cd "$work/other" && PIMO_WINEPREFIX=$prefix launch start /unix \
            "$work/dist/pimo-drask.exe" --piece $piece)
    else
        piece=mine.pob
        (cd "$work/other" && exec "$work/dist/pimo-drask" --piece $piece) &
        game_pid=$!
    fi
    await_window "$window_wait"
    window_geometry
    press 7
    sleep 1
    [ -n "$exe" ] || expect_piece elsewhere.png 0 700
    press Escape
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name '^Pimo Drask$' >/dev/null || break
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Pimo Drask$' >/dev/null && fail "Escape did not end the game"
    [ -n "$game_pid" ] && { wait_exit 5; [ "$status" -eq 0 ] || fail "exit status $status"; }
    [ -f "$work/dist/assets/debug.txt" ] || fail "no debug.txt beside the assets"
    said=$(debug_lines "$work/dist/assets/debug.txt" 'nothing\.pob')
    [ -n "$said" ] && fail "debug.txt: $said"
    [ -z "$exe" ] || grep -q 'nothing\.pob' "$work/dist/assets/debug.txt" ||
        fail "debug.txt does not name nothing.pob"
    [ -e "$work/other/debug.txt" ] && fail "debug.txt written in the starting folder"
    ;;
piece)
    prepare_game_dir
    mkfifo "$work/pipe.pob"
    for file in "$work/pipe.pob" "$work/none.pob"; do
        rm -f "$work/game/debug.txt"
        start_game --piece "$file"
        press 1 0
        sleep 0.5
        want="Unable to open $file"
        [ "$file" = "$work/pipe.pob" ] && want="$want: not a regular file"
        [ "$(grep -cxF "$want" "$work/game/debug.txt")" -eq 2 ] ||
            fail "keys 1 and 0 did not both try $file: $(cat "$work/game/debug.txt")"
        kill -0 "$game_pid" 2>/dev/null || fail "the game ended"
        escape_ends_game "$quit_wait"
    done
    ;;
sandbox)
    prepare_game_dir
    start_game
    # The overlay's corner lines are drawn in the top-left; Tab hides them.
    # The window can show before its first frame is drawn (slow under Wine).
    for _ in $(seq 20); do
        n=$(pixels lit "$(screenshot overlay$exe.png)" 0 350 0 110)
        [ "$n" -gt 200 ] && break
        sleep 0.25
    done
    [ "$n" -gt 200 ] || fail "no overlay text in the corner ($n lit pixels)"
    press Tab
    n=$(pixels lit "$(screenshot no-overlay$exe.png)" 0 350 0 110)
    [ "$n" -eq 0 ] || fail "Tab left $n lit pixels in the corner"
    press Tab

    # Drop a piece, let it come to rest on the floor, take it in the middle and
    # lift it 150 pixels.
    read -r x0 y0 x1 y1 <<<"$(drop_and_land landed$exe.png)"
    [ -n "$y1" ] || exit 1
    cx=$(((x0 + x1) / 2)) cy=$(((y0 + y1) / 2))
    move "$cx" "$cy" mousedown 1
    for i in $(seq 1 30); do
        move "$cx" $((cy - 5 * i))
        sleep 0.05
    done
    sleep 1
    read -r _ ly0 _ _ <<<"$(pixels box "$(screenshot lifted$exe.png)" 350 700 110 430)"
    xdotool mouseup 1
    echo "lifted piece top: $ly0 (was $y0)"
    [ -n "$ly0" ] && [ "$ly0" -lt $((y0 - 60)) ] || fail "the dragged piece was not drawn higher"

    # A piece in flight, paused: the picture stands still until N.
    press 7
    for _ in $(seq 100); do
        read -r _ fy0 _ _ <<<"$(pixels box "$(screenshot falling$exe.png)" 0 350 110 430)"
        [ -n "$fy0" ] && [ "$fy0" -ge 130 ] && break
        sleep 0.1
    done
    press p
    sleep 0.3
    a=$(screenshot paused-a$exe.png)
    sleep 1
    b=$(screenshot paused-b$exe.png)
    d=$(changed_pixels "$a" "$b")
    [ "$d" -eq 0 ] || fail "$d pixels changed below the overlay while paused"
    press n
    sleep 0.3
    d=$(changed_pixels "$b" "$(screenshot stepped$exe.png)")
    [ "$d" -gt 0 ] || fail "N changed nothing below the overlay"

    press p c
    sleep 0.5
    n=$(pixels lit "$(screenshot cleared$exe.png)" 0 700 110 400)
    [ "$n" -eq 0 ] || fail "$n lit pixels left after C"
    press 1
    sleep 1.5
    expect_piece after-clear$exe.png 0 700
    ends_cleanly_and_replays
    ;;
keep)
    prepare_game_dir
    start_game
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
    move 200 250 click 3
    sleep 0.3
    d=$(changed_pixels "$loaded" "$(screenshot spawned.png)")
    [ "$d" -gt 0 ] || fail "the right button drew nothing while paused"
    xdotool key --delay 50 ctrl+z
    sleep 0.3
    d=$(changed_pixels "$loaded" "$(screenshot undone.png)")
    [ "$d" -eq 0 ] || fail "$d pixels differ after Ctrl+Z from the picture before the spawn"
    ends_cleanly_and_replays
    ;;
draw)
    prepare_game_dir
    start_game
    press Tab b
    # A circle of radius 70 about (450, 220), from the top-left of the client area.
    move 520 220 mousedown 1
    for k in $(seq 1 72); do
        read -r x y <<<"$(awk -v k="$k" 'BEGIN { a = k * 3.14159265 / 36
            printf "%d %d", 450 + 70 * cos(a), 220 - 70 * sin(a) }')"
        move "$x" "$y"
        [ "$k" -eq 36 ] && screenshot half-drawn.png >/dev/null
    done
    xdotool mouseup 1
    sleep 0.2
    shot=$(screenshot drawn.png)
    # The outline being drawn is lit too, but only along the circle.
    inside=$(pixels lit "$shot" 430 470 200 240)
    read -r bx0 by0 bx1 by1 <<<"$(pixels box "$shot" 350 700 110 430)"
    echo "drawn body: $bx0,$by0 to $bx1,$by1, $inside lit pixels of 1600 in its middle"
    [ "$inside" -gt 1200 ] && [ -n "$bx0" ] && [ "$bx0" -ge 375 ] && [ "$bx1" -le 525 ] &&
        [ "$by0" -ge 140 ] && [ "$by0" -le 175 ] ||
        fail "no body inside the circle drawn about (450, 220)"
    sleep 1.5
    read -r _ fy0 _ _ <<<"$(pixels box "$(screenshot fallen.png)" 350 700 110 430)"
    echo "a moment later its top: $fy0"
    [ -n "$fy0" ] && [ "$fy0" -gt $((by0 + 40)) ] || fail "the drawn body did not fall"

    press e
    sleep 0.3
    [ -s "$work/game/piece-0001.pob" ] || fail "E wrote no piece-0001.pob"
    (cd "$work/game" && tool pob check piece-0001.pob) >"$work/check.out" 2>&1 ||
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
