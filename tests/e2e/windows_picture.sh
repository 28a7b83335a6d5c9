#!/usr/bin/env bash
# The same picture on two systems: pimo-sim --png on Linux (Mesa, offscreen) and
# pimo-sim.exe --png under Wine (a hidden WGL window, in a virtual X server) draw
# the same world; the pictures may differ in at most a few pixels, as the picture
# tests allow. Exit status 77: a tool is missing.
#
#   windows_picture.sh LINUX_SIM WINDOWS_SIM.exe ASSETS
set -uo pipefail

linux_sim=$(realpath "$1")
windows_sim=$(realpath "$2")
assets=$(realpath "$3")
wine_run=$(realpath "$(dirname "$0")/../../scripts/wine-run")
for tool in xvfb-run compare; do
    command -v "$tool" >/dev/null || { echo "SKIP (picture): no $tool"; exit 77; }
done

spawns=(0:pimo3.pob:150:300 0:drask2.pob:170:160 0:pimo1.pob:400:420 0:drask4.pob:420:200
        40:pimo4.pob:600:500)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL (picture): $*"
    exit 1
}

# Status 3 only says a spawn left records out (a piece partly above the world).
ran() { [ "$1" -eq 0 ] || [ "$1" -eq 3 ]; }
status=0
(cd "$assets" && env -u DISPLAY "$linux_sim" --steps 130 --png "$work/linux.png" "${spawns[@]}") \
    2>"$work/linux.err" || status=$?
ran "$status" || fail "the Linux pimo-sim failed: $(cat "$work/linux.err")"
# A Wine session keeps the display it started on: let the last one end first, and
# end this one while its display still exists.
timeout 60 "$wine_run" --wait "$windows_sim"
status=0
(cd "$assets" && timeout 300 xvfb-run -a bash -c \
    '"$1" "${@:2}"; status=$?; timeout 60 "$1" --wait "$2"; exit $status' _ \
    "$wine_run" "$windows_sim" --steps 130 --png "$work/windows.png" "${spawns[@]}") \
    2>"$work/windows.err" || status=$?
ran "$status" || fail "pimo-sim.exe failed: $(grep -v '^ALSA lib' "$work/windows.err")"
# Pixels further apart than a colour distance of 9.5%, about the picture tests' tolerance.
differing=$(compare -metric AE -fuzz 9.5% "$work/linux.png" "$work/windows.png" null: 2>&1)
[[ "$differing" =~ ^[0-9]+$ ]] || fail "the pictures cannot be compared: $differing"
[ "$differing" -le 40 ] || fail "$differing pixels differ"
echo "PASS (picture): pimo-sim --png on Linux and on Windows, $differing pixels differ"
