#!/usr/bin/env bash
# The same world and picture on two systems, the Linux pimo-sim and pimo-sim.exe
# under Wine: given the same spawns of all eight pieces they print byte-identical
# dumps; a world the Linux pimo-sim saved part way, continued by pimo-sim.exe, ends
# as that run; and their --png pictures of one world differ in at most a few
# pixels, as the picture tests allow (skipped, status 77, without xvfb-run).
#
#   cross_system.sh LINUX_SIM WINDOWS_SIM.exe ASSETS
set -uo pipefail

linux_sim=$(realpath "$1")
windows_sim=$(realpath "$2")
wine_run=$(realpath "$(dirname "$0")/../../scripts/wine-run")
cd "$3" || exit 1
steps=3000 split=700

# Every piece, at the spawn heights of the game's keys and on top of one another,
# spread over the first thousand steps so late pieces land on a crumbling pile.
spawns=(0:drask1.pob:152:418 0:pimo1.pob:456:418 150:drask2.pob:304:418
        300:pimo2.pob:114:418 450:drask3.pob:456:380 600:pimo3.pob:266:418
        800:drask4.pob:608:418 1000:pimo4.pob:418:418 1000:drask1.pob:152:480
        1200:pimo4.pob:152:418)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL (cross-system): $*"
    exit 1
}
windows() { timeout 300 "$wine_run" "$windows_sim" "$@" 2>"$work/windows.err" ||
    fail "pimo-sim.exe $1 failed: $(grep -v '^ALSA lib' "$work/windows.err")"; }
linux() { "$linux_sim" "$@" 2>"$work/linux.err" || fail "pimo-sim $1 failed: $(cat "$work/linux.err")"; }
same() {
    cmp "$1" "$2" && return
    diff "$1" "$2" | head -n 20
    fail "$3"
}

linux --steps "$steps" --dump "${spawns[@]}" >"$work/linux.dump"
windows --steps "$steps" --dump "${spawns[@]}" >"$work/windows.dump"
grep -q "^atoms [1-9]" "$work/linux.dump" || fail "no atoms in the Linux dump"
same "$work/linux.dump" "$work/windows.dump" "the dumps differ"

# A world saved by Linux part way; the later spawns count from its start.
first=() rest=()
for s in "${spawns[@]}"; do
    at=${s%%:*}
    if [ "$at" -le "$split" ]; then first+=("$s"); else rest+=("$((at - split)):${s#*:}"); fi
done
linux --steps "$split" --save "$work/split.pdw" "${first[@]}"
windows --world "$work/split.pdw" --steps "$((steps - split))" --dump "${rest[@]}" >"$work/continued.dump"
same "$work/linux.dump" "$work/continued.dump" \
    "the world saved on Linux at step $split, continued on Windows, differs"
echo "PASS (determinism): $steps steps, byte-identical dumps, also from step $split"

command -v xvfb-run >/dev/null && command -v compare >/dev/null || { echo "SKIP (picture)"; exit 77; }
# Status 3 only says a spawn left records out (a piece partly above the world).
spawns=(0:pimo3.pob:150:300 0:drask2.pob:170:160 0:pimo1.pob:400:420 0:drask4.pob:420:200
        40:pimo4.pob:600:500)
status=0
env -u DISPLAY "$linux_sim" --steps 130 --png "$work/linux.png" "${spawns[@]}" 2>"$work/linux.err" || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "pimo-sim --png failed: $(cat "$work/linux.err")"
# A Wine session keeps the display it started on: let the last one end first, and
# end this one while its display still exists.
timeout 60 "$wine_run" --wait "$windows_sim"
status=0
timeout 300 xvfb-run -a bash -c '"$1" "${@:2}"; status=$?; timeout 60 "$1" --wait "$2"; exit $status' _ \
    "$wine_run" "$windows_sim" --steps 130 --png "$work/windows.png" "${spawns[@]}" \
    2>"$work/windows.err" || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] ||
    fail "pimo-sim.exe --png failed: $(grep -v '^ALSA lib' "$work/windows.err")"
# Pixels further apart than a colour distance of 9.5%, about the picture tests' tolerance.
differing=$(compare -metric AE -fuzz 9.5% "$work/linux.png" "$work/windows.png" null: 2>&1)
[[ "$differing" =~ ^[0-9]+$ ]] || fail "the pictures cannot be compared: $differing"
[ "$differing" -le 40 ] || fail "$differing pixels differ"
echo "PASS (picture): pimo-sim --png on Linux and on Windows, $differing pixels differ"
