#!/usr/bin/env bash
# A pipe, a device and a folder given as piece files: pimo-sim and pob each answer
# at once with one line naming the file, instead of blocking in open() or reading
# until memory runs out; and pimo-sim's exit statuses for partial and whole loads.
#   odd_files.sh PIMO_SIM POB
set -uo pipefail
sim=$1
pob=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkfifo pipe.pob
mkdir folder.pob
status=0

expect() {  # expect WANTED_STATUS LINE_REGEX COMMAND...
    local want=$1 line=$2
    shift 2
    local rc=0
    timeout 10 "$@" >out.txt 2>err.txt || rc=$?
    if [ "$rc" -ne "$want" ] || ! grep -Eq "$line" err.txt; then
        echo "FAIL: $* -> status $rc (wanted $want)"
        cat err.txt
        status=1
    fi
}

for file in pipe.pob /dev/zero folder.pob; do
    expect 3 "^Unable to open $file: not a regular file$" "$sim" --steps 1 "0:$file:100:100"
    expect 1 "^$file: cannot read: not a regular file$" "$pob" check "$file"
    expect 1 "^$file: cannot read: not a regular file$" "$pob" dump "$file"
    expect 1 "^$file: cannot read: not a regular file$" "$pob" build "$file" -o out.pob
done
# A file far larger than any piece is refused before it is read.
truncate -s 100M big.pob
expect 3 "^Unable to open big.pob: larger than any piece" "$sim" --steps 1 0:big.pob:1:1
expect 1 "^big.pob: cannot read: larger than any piece" "$pob" info big.pob
# Text is not a piece, and says so.
printf 'atoms\natom 0 0 0 0 1 3 0 1 00010101010101010101\n' >text.pob
expect 1 "^text.pob: not a piece file: its atom count is [0-9]+, more than any piece holds$" \
    "$pob" check text.pob
# A piece that loads with a record left out is not a whole load either.
cat >partial.txt <<'PIECE'
atom 0 0 0 0 1 3 0 1 00010101010101010101
atom 20 0 20 0 1 3 0 1 00010101010101010101
atom 10 15 10 15 1 3 0 1 00010101010101010101
link 0 0 20 0 20 0.5 2 0.2 00000000 3 0
link 0 0 10 15 18 0.5 2 0.2 00000000 3 0
link 20 0 10 15 18 0.5 2 0.2 00000000 3 0
link 20 0 99 99 18 0.5 2 0.2 00000000 3 0
PIECE
"$pob" build partial.txt -o partial.pob --force 2>/dev/null
expect 3 "^pimo-sim: 1 spawn: 0 loaded whole, 1 with records left out, 0 refused, 0 missing; 1 steps; 3 atoms left$" \
    "$sim" --steps 1 0:partial.pob:100:100
head -n 6 partial.txt >whole.txt
"$pob" build whole.txt -o whole.pob
expect 0 "^pimo-sim: 1 spawn: 1 loaded whole, 0 with records left out, 0 refused, 0 missing; 1 steps; 3 atoms left$" \
    "$sim" --steps 1 0:whole.pob:100:100
[ "$status" -eq 0 ] && echo PASS
exit "$status"
