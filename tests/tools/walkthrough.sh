#!/usr/bin/env bash
# Runs docs/pieces.md's walkthrough as a newcomer would: every ```sh block of the
# document, in order, as written, from the top of a repository-like folder whose
# build/release/bin holds the programs just built.
#   walkthrough.sh DOC ASSETS POB PIMO_SIM PIMO_DRASK
# The game's block needs a display: under xvfb-run the game must start with the
# piece and still run three seconds later; without xvfb-run the piece only has to
# load whole in pimo-sim.
set -uo pipefail
doc=$(realpath "$1")
assets=$(realpath "$2")
pob=$(realpath "$3")
sim=$(realpath "$4")
game=$(realpath "$5")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/build/release/bin"
cp -r "$assets" "$work/assets"
rm -f "$work/assets/debug.txt"
ln -s "$pob" "$work/build/release/bin/pob"
ln -s "$sim" "$work/build/release/bin/pimo-sim"
cat >"$work/build/release/bin/pimo-drask" <<WRAPPER
#!/usr/bin/env bash
[ "\$1" = --piece ] && [ \$# -eq 2 ] || { echo "walkthrough: unexpected game arguments: \$*"; exit 1; }
"$sim" --steps 0 "0:\$2:152:418" || exit 1
if command -v xvfb-run >/dev/null; then
    # A first start of a user of its own: nothing but the missing settings is said.
    XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 xvfb-run -a timeout 3 "$game" "\$@"
    status=\$?
    [ "\$status" -eq 124 ] || { echo "walkthrough: the game ended with \$status"; exit 1; }
    grep -qv '^No settings file (' debug.txt && { echo "walkthrough: debug.txt:"; cat debug.txt; exit 1; }
fi
exit 0
WRAPPER
chmod +x "$work/build/release/bin/pimo-drask"

# The blocks, joined into one script that stops at the first failing command.
{
    echo "set -euo pipefail"
    awk '/^```sh$/ { inside = 1; next } /^```$/ { inside = 0; next } inside { print }' "$doc"
} >"$work/walkthrough.sh"
grep -q 'pob build' "$work/walkthrough.sh" || { echo "FAIL: no walkthrough in $doc"; exit 1; }
cd "$work" || exit 1
if ! bash -x "$work/walkthrough.sh" >"$work/out.txt" 2>&1; then
    echo "FAIL: the walkthrough stops:"
    tail -n 30 "$work/out.txt"
    exit 1
fi
# The changes it describes reached the piece.
"$pob" info my-pieces/mine.pob | grep -q 'textures: jelly.tga$' || { echo "FAIL: texture not changed"; exit 1; }
echo PASS
