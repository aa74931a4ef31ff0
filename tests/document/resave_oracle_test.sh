#!/bin/bash
# resave_oracle_test.sh RESAVE LMPC ORACLE WORKDIR DEMO...
# Each demo, opened and saved again as the editor does (with the console
# reset line and every time line rewritten), must play to its end in a real
# engine.
set -u
resave=$1 lmpc=$2 oracle=$3 work=$4
shift 4
rm -rf "$work" && mkdir -p "$work/converter" || exit 1
ln -s "$lmpc" "$work/converter/lmpc"
status=0
for demo in "$@"; do
  out="$work/resaved_$(basename "$demo")"
  "$resave" "$work/converter" "$demo" "$out" || { echo "FAIL: could not resave $demo"; status=1; continue; }
  verdict=$(ORACLE_STANDINS=1 bash "$oracle" "$out"); rc=$?
  echo "$verdict"
  [ $rc -eq 0 ] && [ "${verdict%% *}" = PASS ] || status=1
done
exit $status
