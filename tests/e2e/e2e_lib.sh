# shellcheck shell=bash disable=SC2034,SC2154
# Shared by the end-to-end scripts, which source it: a virtual X server, the
# game's working folder, keys, screenshots and the checks made on them.
#
# The caller sets `scenario`, `assets` and `out`, starts the game itself (setting
# `game_pid`) and measures the client area into win_x, win_y, win_w and win_h.
# A caller with more to do may define
#   more_logs              prints its own logs when a scenario fails
#   before_display_closes  runs at exit while the X server is still up

# Exits 77 (skipped) unless every tool named is installed.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
}

# A scratch folder in `work`, removed at exit along with the game and the X server.
begin_run() {
    mkdir -p "$out"
    out=$(realpath "$out")
    work=$(mktemp -d)
    # The game keeps its settings per user; each run starts as a first start.
    export XDG_CONFIG_HOME="$work/config"
    xvfb_pid=""
    game_pid=""
    trap cleanup EXIT
}

cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    if declare -F before_display_closes >/dev/null; then before_display_closes; fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}

fail() {
    echo "FAIL ($scenario): $*"
    [ -f "$work/game/debug.txt" ] && { echo "--- debug.txt"; cat "$work/game/debug.txt"; }
    if declare -F more_logs >/dev/null; then more_logs; fi
    exit 1
}

# Xvfb picks a free display itself and writes its number once it accepts clients.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(head -n1 "$work/display")"
}

# The game's working directory: a copy of the assets, so debug.txt is written there.
prepare_game_dir() {
    mkdir -p "$work/game"
    cp -r "$assets"/. "$work/game/"
    rm -f "$work/game/debug.txt"
}

# Waits up to $1 seconds for the game's window and sets `window`.
await_window() {
    window=$(timeout "$1" xdotool search --sync --onlyvisible --name '^Pimo Drask$' | head -n1)
    [ -n "$window" ] || fail "no \"Pimo Drask\" window within $1 s"
    point_at_window
}

# No window manager gives focus here; keys go where the pointer is.
point_at_window() {
    xdotool mousemove --window "$window" 350 215
}

press() {
    local key
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

# Escape must end the game with status 0 within $1 seconds.
escape_ends_game() {
    press Escape
    wait_exit "$1"
    [ "$status" -eq 0 ] || fail "exit status $status after Escape"
}

# The lines of debug.txt $1 but for a first start's saying that there are no
# settings yet, and any others given as patterns after it.
debug_lines() {
    local file=$1 patterns=(-e '^No settings file (')
    shift
    for p in "$@"; do patterns+=(-e "$p"); done
    grep -v "${patterns[@]}" "$file"
}

expect_empty_debug_txt() {
    [ -f "$work/game/debug.txt" ] || fail "no debug.txt"
    local said
    said=$(debug_lines "$work/game/debug.txt")
    [ -z "$said" ] || fail "debug.txt is not empty: $said"
}

# Pixels of the client area (win_x, win_y, win_w, win_h) in screenshot $1 between
# columns $2 and $3 (all of it without them) that carry red or blue: texture, not
# the black background nor the green of links and loose atoms.
textured_pixels() {
    convert "$1" -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage -depth 8 txt:- |
        awk -F'[(),:]' -v from="${2:-0}" -v to="${3:-100000}" '
            NR > 1 && $1 >= from && $1 < to && ($4 > 40 || $6 > 40) { n++ }
            END { print n + 0 }'
}

# Pixels of the client area in screenshot $1 within columns $2..$3 and rows
# $4..$5 (from the top) that are not black.
lit_pixels() {
    convert "$1" -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage -depth 8 txt:- |
        awk -F'[(),:]' -v x0="$2" -v x1="$3" -v y0="$4" -v y1="$5" '
            NR > 1 && $1 >= x0 && $1 < x1 && $2 >= y0 && $2 < y1 && ($4 + $5 + $6 > 60) { n++ }
            END { print n + 0 }'
}

# The bounding box "x0 y0 x1 y1" of the textured pixels of screenshot $1 within
# columns $2..$3 and rows $4..$5 of the client area; empty when there are none.
textured_box() {
    convert "$1" -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage -depth 8 txt:- |
        awk -F'[(),:]' -v x0="$2" -v x1="$3" -v y0="$4" -v y1="$5" '
            NR > 1 && $1 >= x0 && $1 < x1 && $2 >= y0 && $2 < y1 && ($4 > 40 || $6 > 40) {
                if (n == 0 || $1 < a) a = $1; if (n == 0 || $1 > c) c = $1
                if (n == 0 || $2 < b) b = $2; if (n == 0 || $2 > d) d = $2; n++ }
            END { if (n > 0) print a, b, c, d }'
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
        box=$(textured_box "$(screenshot "$1")" 350 700 110 430)
        y1=${box##* }
        [ -n "$box" ] && [ "$y1" -ge 425 ] && [ "$box" = "$previous" ] && break
    done
    [ -n "$box" ] && [ "$y1" -ge 425 ] && [ "$box" = "$previous" ] ||
        fail "no piece came to rest after key 3" >&2
    echo "$box"
}

# Pixels that differ between screenshots $1 and $2 in the client area below the
# overlay's corner lines (rows 110 and down).
changed_pixels() {
    local geometry="${win_w}x$((win_h - 110))+${win_x}+$((win_y + 110))"
    convert "$1" -crop "$geometry" +repage "$work/changed-a.png"
    convert "$2" -crop "$geometry" +repage "$work/changed-b.png"
    compare -metric AE "$work/changed-a.png" "$work/changed-b.png" null: 2>&1 | cut -d' ' -f1
}

# Saves the whole screen as $1 in OUTDIR and prints its path.
screenshot() {
    import -window root "$out/$1" || fail "no screenshot"
    echo "$out/$1"
}
