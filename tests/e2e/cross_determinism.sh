#!/usr/bin/env bash
# The same world on two systems: the Linux pimo-sim and pimo-sim.exe under Wine,
# given the same spawns of all eight pieces, must print byte-identical dumps; and a
# world the Linux pimo-sim saved part way, continued by each, ends as that run.
#
#   cross_determinism.sh LINUX_SIM WINDOWS_SIM.exe ASSETS
set -uo pipefail

linux_sim=$(realpath "$1")
windows_sim=$(realpath "$2")
assets=$(realpath "$3")
wine_run=$(realpath "$(dirname "$0")/../../scripts/wine-run")
steps=3000

# Every piece, at the spawn heights of the game's keys and on top of one another,
# spread over the first thousand steps so late pieces land on a crumbling pile.
spawns=(0:drask1.pob:152:418 0:pimo1.pob:456:418 150:drask2.pob:304:418
        300:pimo2.pob:114:418 450:drask3.pob:456:380 600:pimo3.pob:266:418
        800:drask4.pob:608:418 1000:pimo4.pob:418:418 1000:drask1.pob:152:480
        1200:pimo4.pob:152:418)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL (determinism): $*"
    exit 1
}

(cd "$assets" && "$linux_sim" --steps "$steps" --dump "${spawns[@]}") >"$work/linux.dump" \
    2>"$work/linux.err" || fail "the Linux pimo-sim failed: $(cat "$work/linux.err")"
(cd "$assets" && timeout 300 "$wine_run" "$windows_sim" --steps "$steps" --dump "${spawns[@]}") \
    >"$work/windows.dump" 2>"$work/windows.err" ||
    fail "pimo-sim.exe failed: $(grep -v '^ALSA lib' "$work/windows.err")"
[ -s "$work/linux.dump" ] || fail "the Linux dump is empty"
head -n2 "$work/linux.dump" | tr '\n' ' '
echo "($(wc -c <"$work/linux.dump") bytes)"
if ! cmp "$work/linux.dump" "$work/windows.dump"; then
    diff "$work/linux.dump" "$work/windows.dump" | head -n 20
    fail "the dumps differ"
fi

# A world saved by Linux part way; the later spawns count from its start.
split=700
first=() rest=()
for s in "${spawns[@]}"; do
    at=${s%%:*}
    if [ "$at" -le "$split" ]; then first+=("$s"); else rest+=("$((at - split)):${s#*:}"); fi
done
(cd "$assets" && "$linux_sim" --steps "$split" --save "$work/split.pdw" "${first[@]}") \
    2>"$work/linux.err" || fail "the Linux pimo-sim could not save: $(cat "$work/linux.err")"
(cd "$assets" && timeout 300 "$wine_run" "$windows_sim" --world "$work/split.pdw" \
    --steps "$((steps - split))" --dump "${rest[@]}") >"$work/continued.dump" 2>"$work/windows.err" ||
    fail "pimo-sim.exe --world failed: $(grep -v '^ALSA lib' "$work/windows.err")"
if ! cmp "$work/linux.dump" "$work/continued.dump"; then
    diff "$work/linux.dump" "$work/continued.dump" | head -n 20
    fail "the world saved on Linux at step $split, continued on Windows, differs"
fi
echo "PASS (determinism): $steps steps, byte-identical dumps on Linux and Windows, also" \
    "from a world saved on Linux at step $split"
