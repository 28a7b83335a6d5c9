#!/usr/bin/env bash
# The packages, installed as a player installs them, and the installed game started.
#
#   package_e2e.sh deb   pimo-drask_VERSION_amd64.deb OUTDIR
#   package_e2e.sh setup pimo-drask-setup.exe OUTDIR
#
#   deb    dpkg -i on this machine (as root; it is removed again at the end); a user
#          who is not root starts /usr/games/pimo-drask from /tmp: it shows a frame,
#          a spawn key drops a piece (its assets were found), and debug.txt and
#          replay.txt land in that user's ~/.local/share/pimo-drask, the first
#          message saying so
#   setup  the installer run with /S in a Wine prefix of its own: the programs,
#          assets, Start-menu shortcut and Add/Remove Programs entry are there; the
#          installed game started from another folder drops a piece and writes its
#          replay.txt; uninstall.exe /S takes everything away again
#
# Exits 77 (skipped) when a tool is missing, or, for deb, when not root.
set -uo pipefail

scenario=$1
package=$(realpath -m "$2")
out=$3
wine_run=$(realpath "$(dirname "$0")/../../scripts/wine-run")

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
require_tools Xvfb xdotool convert import timeout
[ -f "$package" ] || { echo "SKIP: no $package (scripts/package-linux or package-windows makes it)"; exit 77; }

# No window manager here: the whole screen is measured, before and after a key.
win_x=0 win_y=0 win_w=1024 win_h=768

# Key 1 must add a textured piece to the screen.
drops_a_piece() {
    sleep 4  # the first message fades; it is text, not a piece
    point_at_window
    local before after
    before=$(pixels textured "$(screenshot "$scenario-before.png")")
    press 1
    sleep 1
    after=$(pixels textured "$(screenshot "$scenario-after.png")")
    echo "textured pixels: $before before key 1, $after after"
    [ $((after - before)) -gt 300 ] || fail "no piece dropped: its assets were not found"
}

case "$scenario" in
deb)
    [ "$(id -u)" -eq 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
    require_tools dpkg runuser useradd
    begin_run
    player=pimo-player
    id "$player" >/dev/null 2>&1 || useradd --create-home "$player" || fail "cannot add $player"
    home=$(getent passwd "$player" | cut -d: -f6)
    data=$home/.local/share/pimo-drask
    rm -rf "$data"
    more_logs() { [ -f "$data/debug.txt" ] && { echo "--- $data/debug.txt"; cat "$data/debug.txt"; }; }
    before_display_closes() { dpkg -r pimo-drask >/dev/null 2>&1; }
    dpkg -i "$package" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$work/dpkg.log")"
    start_xvfb
    (cd /tmp && exec runuser -u "$player" -- env -u XDG_DATA_HOME HOME="$home" DISPLAY="$DISPLAY" \
        SDL_AUDIODRIVER=dummy /usr/games/pimo-drask) >"$work/game.log" 2>&1 &
    game_pid=$!
    await_window 20
    drops_a_piece
    escape_ends_game 5
    for file in debug.txt replay.txt; do
        [ -f "$data/$file" ] || fail "no $file in $data"
        [ "$(stat -c %U "$data/$file")" = "$player" ] || fail "$data/$file is not $player's"
    done
    first=$(head -n1 "$data/debug.txt")
    [ "$first" = "Writing into $data (this folder is read-only)" ] || fail "first message: $first"
    dpkg -r pimo-drask >"$work/dpkg.log" 2>&1 || fail "dpkg -r: $(cat "$work/dpkg.log")"
    [ -e /usr/games/pimo-drask ] && fail "the game is still there after dpkg -r"
    ;;
setup)
    begin_run
    export PIMO_WINEPREFIX=$work/prefix HOME=$work/home
    # Wine would make menu entries in HOME for the shortcut.
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    mkdir -p "$HOME" "$work/other"
    before_display_closes() { timeout 60 "$wine_run" --wait "$package"; }
    start_xvfb
    timeout 300 "$wine_run" "$package" /S >"$work/wine.log" 2>&1 || fail "the installer failed"
    timeout 60 "$wine_run" --wait "$package"
    folder="$PIMO_WINEPREFIX/drive_c/Program Files/Pimo Drask"
    for file in pimo-drask.exe pimo-sim.exe pob.exe uninstall.exe README-windows.txt \
        assets/drask1.pob assets/pimo4.pob assets/crate.tga assets/theme.mp3; do
        [ -f "$folder/$file" ] || fail "not installed: $file"
    done
    shortcut=$(find "$PIMO_WINEPREFIX/drive_c" -name 'Pimo Drask.lnk' | head -n1)
    [[ $shortcut == */Start\ Menu/Programs/* ]] || fail "no Start-menu shortcut ($shortcut)"
    grep -q 'Uninstall\\\\Pimo Drask\]' "$PIMO_WINEPREFIX/system.reg" ||
        fail "not in Add/Remove Programs"

    (cd "$work/other" && exec timeout 120 "$wine_run" "$folder/pimo-drask.exe") >>"$work/wine.log" 2>&1 &
    game_pid=$!
    await_window 90
    drops_a_piece
    escape_ends_game 10
    timeout 60 "$wine_run" --wait "$package"
    appdata="$PIMO_WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Pimo Drask"
    [ -f "$folder/assets/replay.txt" ] || [ -f "$appdata/replay.txt" ] || fail "no replay.txt written"
    [ -e "$work/other/replay.txt" ] && fail "replay.txt written in the starting folder"

    timeout 120 "$wine_run" "$folder/uninstall.exe" /S >>"$work/wine.log" 2>&1 || fail "uninstall failed"
    timeout 60 "$wine_run" --wait "$package"
    [ -e "$folder" ] && fail "left behind: $(ls -R "$folder")"
    [ -e "$shortcut" ] && fail "the shortcut is still there"
    grep -q 'Uninstall\\\\Pimo Drask\]' "$PIMO_WINEPREFIX/system.reg" &&
        fail "still in Add/Remove Programs"
    ;;
*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac
echo "PASS ($scenario)"
