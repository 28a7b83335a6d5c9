#!/usr/bin/env bash
# Regenerates the game's textures (assets/*.tga), pieces (assets/*.pob), music
# (assets/theme.mp3) and icon (packaging/) from the generators in this folder. The results are committed,
# so only run this after changing a generator. Needs lame for the MP3 (apt-get install lame).
set -euo pipefail
cd "$(dirname "$0")/../.."

if ! command -v lame >/dev/null; then
    echo "make-assets.sh: lame is needed to encode the music (apt-get install lame)" >&2
    exit 1
fi

build=build/assetgen
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPIMO_BUILD_GAME=OFF -DPIMO_BUILD_TESTS=OFF -DPIMO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target pimo-textures pimo-music pimo-pieces pimo-icon

"$build/bin/pimo-textures" assets
"$build/bin/pimo-pieces" assets
icons=$(mktemp -d)
"$build/bin/pimo-icon" "$icons"
mv "$icons"/*.png packaging/linux/icons/
mv "$icons"/pimo-drask.ico packaging/windows/
rmdir "$icons"

wav=$(mktemp --suffix=.wav)
trap 'rm -f "$wav"' EXIT
"$build/bin/pimo-music" "$wav"
# Constant bit rate: simple players (MCI on Windows) loop it reliably. The loop
# begins and ends on silence, so the encoder's padding adds a pause, not a click.
lame --quiet --cbr -b 128 -q 2 --tt "Pimo Drask theme" "$wav" assets/theme.mp3
ls -l assets/*.tga assets/*.pob assets/theme.mp3
