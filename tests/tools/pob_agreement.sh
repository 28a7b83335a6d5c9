#!/usr/bin/env bash
# pob dump then pob build gives back every file byte for byte, odd.pob's
# non-finite numbers, negative counts and trailing bytes included. pob build
# refuses every piece pob check rejects, naming the line of each problem, and
# writes, with warnings, what check only warns about.
#   pob_agreement.sh POB TINY_TXT ODD_POB ASSETS
set -uo pipefail
pob=$(realpath "$1")
tiny=$(realpath "$2")
odd=$(realpath "$3")
assets=$(realpath "$4")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

for file in "$assets"/*.pob "$odd"; do
    "$pob" dump "$file" >round.txt && "$pob" build round.txt -o round.pob --force 2>/dev/null &&
        cmp -s "$file" round.pob || fail "$file does not survive dump and build"
done

# One wrong value at a time in a piece that is otherwise whole: LINE SED-EXPRESSION MESSAGE
while IFS='|' read -r line edit message; do
    sed "$edit" "$tiny" >bad.txt
    rm -f bad.pob
    rc=0
    "$pob" build bad.txt -o bad.pob 2>err.txt || rc=$?
    [ "$rc" -eq 1 ] || fail "$edit: build exits $rc"
    [ -e bad.pob ] && fail "$edit: build wrote bad.pob"
    grep -q "^bad.txt:$line: .*$message" err.txt || fail "$edit: no line $line '$message' in: $(cat err.txt)"
    # The same piece written anyway is what check rejects, with the same words.
    "$pob" build bad.txt -o bad.pob --force 2>/dev/null || fail "$edit: --force did not write"
    "$pob" check bad.pob >/dev/null 2>check.txt && fail "$edit: check passes it"
    grep -v warning check.txt | sed 's/^bad.pob: //' | sort >a.txt
    grep -v warning err.txt | grep -v 'not written' | sed 's/^bad.txt:[0-9]*: //' | sort >b.txt
    cmp -s a.txt b.txt || fail "$edit: check and build disagree: $(diff a.txt b.txt)"
done <<'CASES'
4|4s/^atom 0 0 0 0 1 /atom 0 0 0 0 0 /|mass 0 is not above 0
5|5s/ 3 0 1 / 3 0 60 /|group 60 is outside 0 to 49
6|6s/ 2 4 0 1 / 2 4000 0 1 /|iterations 4000 is above 1000
9|9s/^link 0 0 20 0 20 /link 0 0 21 0 20 /|end B (21, 0) matches no atom
10|10s/ 0.5 2 / nan 2 /|minRatio is not a finite number
16|16{s/"none.tga"$/"other.tga"/;p}|triangle 1 of 2 and 1 more: texture "other.tga" names no texture
CASES

# Pieces that load but come apart in the world, or lack a texture: warned about at
# their line, by build and check alike, written, and check still says ok.
# LINE SED-EXPRESSION WARNING (! none of it)
while IFS='|' read -r line edit message; do
    sed "$edit" "$tiny" >warned.txt
    "$pob" build warned.txt -o warned.pob 2>err.txt || fail "$edit: build refuses it"
    "$pob" check warned.pob >out.txt 2>check.txt || fail "$edit: check rejects it"
    grep -q '^warned.pob: ok$' out.txt || fail "$edit: check does not say ok"
    if [ "${message#!}" != "$message" ]; then
        grep -q "${message#!}" err.txt check.txt && fail "$edit: warns '${message#!}'"
        continue
    fi
    grep -q "^warned.txt:$line: warning: $message" err.txt || fail "$edit: build: $(cat err.txt)"
    grep -q "^warned.pob: warning: $message" check.txt || fail "$edit: check: $(cat check.txt)"
done <<'CASES'
3|s/20 0 /800 0 /g|the atoms span 800 by 15, more than the world's 700 by 530
3|s/10 15 /10 600 /g|the atoms span 20 by 600, more than the world's 700 by 530
3|s/20 0 /700 0 /g|!the atoms span
5|s/20 0 /0 0 /g|atom 2 of 3 stands on atom 1 at (0, 0)
9|s/20 0 /0 0 /g|link 1 of 3: both ends find atom 1
7|6a atom 90 90 90 90 1 3 0 1 00010101010101010101|atom 4 of 4: 0 links
13||texture 1 of 1: no file none.tga
CASES

touch none.tga
"$pob" check warned.pob 2>&1 | grep -q none.tga && fail "check warns about a texture that is there"

# Counts are optional; a wrong one is reported at its own line.
grep -v '^atoms\|^links\|^textures\|^triangles' "$tiny" >nocount.txt
"$pob" build nocount.txt -o nocount.pob 2>/dev/null || fail "build needs the count lines"
"$pob" build "$tiny" -o counted.pob 2>/dev/null
cmp -s nocount.pob counted.pob || fail "counts computed from the records differ"
sed 's/^links$/links 5/' "$tiny" >miscounted.txt
"$pob" build miscounted.txt -o x.pob 2>err.txt && fail "a wrong count is accepted"
grep -q '^miscounted.txt:8: links 5 but 3 records' err.txt || fail "wrong count: $(cat err.txt)"

# A file check rejects, dumped and built again, is refused for the same problems.
"$pob" dump "$odd" >odd.txt
"$pob" check "$odd" 2>&1 >/dev/null | sed 's/^[^:]*: //' | sort >a.txt
"$pob" build odd.txt -o odd.pob 2>err.txt && fail "odd.pob's text is built"
grep -v 'not written' err.txt | sed 's/^odd.txt:[0-9]*: //' | sort >b.txt
cmp -s a.txt b.txt || fail "odd.pob: check and build disagree: $(diff a.txt b.txt)"

# Help is on standard output.
"$pob" --help | grep -q 'docs/pieces.md' || fail "pob --help does not point to docs/pieces.md"
[ "$status" -eq 0 ] && echo PASS
exit "$status"
