#!/usr/bin/env bash
# Every piece of the game, dropped alone from its key's height, lands whole: all
# its atoms kept, at most four links lost. A world saved part way and continued
# with --world ends as the run that never stopped: the same dump and the same
# world file, byte for byte, whatever the split. World files it cannot read are
# refused in one line with status 2, and Ctrl+C stops a long replay with status 130.
# A pipe, a device and a folder given as piece files are answered at once with one
# line naming the file, by pimo-sim and pob alike, instead of blocking in open() or
# reading until memory runs out; and pimo-sim's status tells partial loads apart.
#   world_files.sh PIMO_SIM POB ASSETS
set -uo pipefail
sim=$(realpath "$1")
pob=$(realpath "$2")
cd "$3" || exit 1
assets=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

fail() {
    echo "FAIL: $*"
    status=1
}

# STATUS STDERR-REGEX COMMAND...: the command ends with STATUS, saying so on stderr.
expect() {
    local want=$1 line=$2 rc=0
    timeout 10 "${@:3}" >"$work/out" 2>"$work/err" || rc=$?
    [ "$rc" -eq "$want" ] && grep -Eq "$line" "$work/err" ||
        fail "${*:3}: status $rc (wanted $want): $(cat "$work/err")"
}

for piece in drask1 drask2 drask3 drask4 pimo1 pimo2 pimo3 pimo4; do
    read -r atoms links < <("$pob" info $piece.pob | sed -n 's/.*: \([0-9]*\) atoms, \([0-9]*\) links.*/\1 \2/p')
    "$sim" --steps 2000 --dump 0:$piece.pob:152:418 >"$work/landed" 2>"$work/err" ||
        fail "$piece: $(cat "$work/err")"
    grep -q " 1 loaded whole, " "$work/err" || fail "$piece: $(cat "$work/err")"
    left=$(sed -n 's/^links //p' "$work/landed")
    grep -qx "atoms $atoms" "$work/landed" && [ $((links - left)) -le 4 ] ||
        fail "$piece does not survive its landing: $(grep -E '^(atoms|links) ' "$work/landed")"
done

# Each case: total steps, the step of the save, spawns. Pieces against both walls
# and the floor, pieces cut by the wall, and spawns after the split, which the
# continued run gives counted from its own start.
cases=("1000 500 0:drask1.pob:152:418 0:pimo1.pob:456:418 0:drask2.pob:5:418 0:pimo2.pob:695:300"
       "900 337 0:drask3.pob:660:418 40:pimo3.pob:40:60 400:drask4.pob:350:418 600:pimo4.pob:690:100"
       "700 1 0:pimo1.pob:30:30 1:drask1.pob:670:418 1:pimo4.pob:350:500")
for c in "${cases[@]}"; do
    read -r steps split spawns <<<"$c"
    first=() rest=()
    for s in $spawns; do
        at=${s%%:*}
        if [ "$at" -le "$split" ]; then first+=("$s"); else rest+=("$((at - split)):${s#*:}"); fi
    done
    "$sim" --steps "$steps" --dump --save "$work/whole.pdw" $spawns >"$work/whole.dump" 2>/dev/null
    "$sim" --steps "$split" --save "$work/half.pdw" "${first[@]}" 2>/dev/null
    "$sim" --world "$work/half.pdw" --steps "$((steps - split))" --dump --save "$work/end.pdw" \
        "${rest[@]}" >"$work/end.dump" 2>/dev/null
    grep -q "^atoms [1-9]" "$work/whole.dump" || fail "$c: no atoms in the world"
    cmp -s "$work/whole.dump" "$work/end.dump" || fail "$c: the dumps differ"
    cmp -s "$work/whole.pdw" "$work/end.pdw" || fail "$c: the world files differ"
done

# Refused: status 2, one line on stderr naming the file, nothing on stdout.
head -c 1000 "$work/half.pdw" >"$work/cut.pdw"
printf 'PDWF\r\n\032\n' >"$work/short.pdw"
mkdir "$work/folder.pdw"
for bad in "$work/cut.pdw:checksum: " "$work/short.pdw:header: the file ends inside it" \
    "drask1.pob:header: not a world file" "$work/nope.pdw:no such file" \
    "$work/folder.pdw:not a regular file"; do
    file=${bad%%:*}
    expect 2 "^pimo-sim: $file: ${bad#*:}" "$sim" --world "$file" --steps 10 --dump
    [ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" -eq 1 ] || fail "--world $file: more than one line"
done
expect 1 "^pimo-sim: Could not create .*w.pdw" "$sim" --steps 1 --save "$work/no/such/folder/w.pdw"

# A replay far too long to finish, stopped by one SIGINT as Ctrl+C would (timeout
# without --foreground signals the whole group too, a second Ctrl+C).
printf 'pimo-drask journal 1\nspawn 0 drask1.pob 152 418\nend 4000000000 0000000000000000\n' \
    >"$work/long.txt"
rc=0
timeout --foreground --preserve-status -s INT 4 "$sim" --replay "$work/long.txt" 2>"$work/err" || rc=$?
[ "$rc" -eq 130 ] && grep -Eq "^pimo-sim: .*long.txt: stopped at step [0-9]+ of 4000000000$" \
    "$work/err" || fail "interrupted replay: status $rc, $(cat "$work/err")"

cd "$work" || exit 1
mkfifo pipe.pob
mkdir folder.pob
for file in pipe.pob /dev/zero folder.pob; do
    expect 3 "^Unable to open $file: not a regular file$" "$sim" --steps 1 "0:$file:100:100"
    for args in "check $file" "dump $file" "build $file -o out.pob"; do
        expect 1 "^$file: cannot read: not a regular file$" "$pob" $args
    done
done
# A file far larger than any piece is refused before it is read; text is not a piece.
truncate -s 100M big.pob
expect 3 "^Unable to open big.pob: larger than any piece" "$sim" --steps 1 0:big.pob:1:1
expect 1 "^big.pob: cannot read: larger than any piece" "$pob" info big.pob
printf 'atoms\natom 0 0 0 0 1 3 0 1 00010101010101010101\n' >text.pob
expect 1 "^text.pob: not a piece file: its atom count is [0-9]+, more than any piece holds$" \
    "$pob" check text.pob
# A piece that loads with a record left out is not a whole load (a whole one is,
# above): one link's end moved off every atom.
"$pob" dump "$assets/drask1.pob" | sed '0,/^link /s/^link [^ ]* [^ ]* /link 9999 9999 /' >partial.txt
"$pob" build partial.txt -o partial.pob --force 2>/dev/null
expect 3 "^pimo-sim: 1 spawn: 0 loaded whole, 1 with records left out, 0 refused, 0 missing; 1 steps; [0-9]+ atoms left$" \
    "$sim" --steps 1 0:partial.pob:152:418

[ "$status" -eq 0 ] && echo PASS
exit "$status"
