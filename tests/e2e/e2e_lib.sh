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

# Waits up to $1 seconds for a window named $2 (the game's by default) and sets `window`.
await_window() {
    window=$(timeout "$1" xdotool search --sync --onlyvisible --name "^${2:-Pimo Drask}\$" | head -n1)
    [ -n "$window" ] || fail "no \"${2:-Pimo Drask}\" window within $1 s"
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

# Pixels of the client area (win_x, win_y, win_w, win_h) in screenshot $2 within
# columns $3..$4 and rows $5..$6 (all of it without them). $1 says which and what:
# `textured` counts those carrying red or blue (texture, not the black background
# nor the green of links and loose atoms), `lit` those not black, and `box` prints
# the bounding box "x0 y0 x1 y1" of the textured ones, nothing when there are none.
pixels() {
    convert "$2" -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage -depth 8 txt:- |
        awk -F'[(),:]' -v what="$1" -v x0="${3:-0}" -v x1="${4:-100000}" -v y0="${5:-0}" \
            -v y1="${6:-100000}" '
            NR == 1 || $1 < x0 || $1 >= x1 || $2 < y0 || $2 >= y1 { next }
            what == "lit" ? $4 + $5 + $6 > 60 : $4 > 40 || $6 > 40 {
                if (n == 0 || $1 < a) a = $1; if (n == 0 || $1 > c) c = $1
                if (n == 0 || $2 < b) b = $2; if (n == 0 || $2 > d) d = $2; n++ }
            END { if (what != "box") print n + 0; else if (n > 0) print a, b, c, d }'
}

# Saves the whole screen as $1 in OUTDIR and prints its path.
screenshot() {
    import -window root "$out/$1" || fail "no screenshot"
    echo "$out/$1"
}
