#!/usr/bin/env bash
# A pipe, a device and a folder given as piece files: pimo-sim and pob each answer
# at once with one line naming the file, instead of blocking in open() or reading
# until memory runs out.
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
[ "$status" -eq 0 ] && echo PASS
exit "$status"
