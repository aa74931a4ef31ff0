#!/bin/bash
# lmpc_oracle_test.sh LMPC DEMO ORACLE WORKDIR
# Dump DEMO, edit the dump as the editor would, compile it, and have a real
# engine play the result: it must PASS. A compile of the same edit with one
# corrupted entity update must not PASS.
set -u
lmpc=$1 demo=$2 oracle=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work" || exit 1
fail() { echo "FAIL: $*"; exit 1; }

"$lmpc" -s -f "$demo" "$work/full.txt" || fail "lmpc -s"
"$lmpc" -l -f "$work/full.txt" "$work/full.dem" || fail "lmpc -l of the unedited dump"
cmp -s "$demo" "$work/full.dem" || fail "unedited round trip differs"

python3 "$here/edit_dump.py" "$work/full.txt" "$work/edited.txt" || fail "edit"
"$lmpc" -l -f "$work/edited.txt" "$work/edited.dem" || fail "lmpc -l of the edited dump"
python3 "$here/edit_dump.py" "$work/full.txt" "$work/broken.txt" --corrupt || fail "edit --corrupt"
"$lmpc" -l -f "$work/broken.txt" "$work/broken.dem" || fail "lmpc -l of the broken dump"

verdict=$(bash "$oracle" "$work/edited.dem"); rc=$?
echo "edited: $verdict"
[ $rc -eq 0 ] && [ "${verdict%% *}" = PASS ] || fail "the engine did not play the edited demo"

verdict=$(bash "$oracle" "$work/broken.dem"); rc=$?
echo "broken: $verdict"
[ "${verdict%% *}" != PASS ] && [ $rc -ne 0 ] || fail "the engine accepted a corrupted entity update"
echo "OK"
