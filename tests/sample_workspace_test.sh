#!/usr/bin/env bash
# sample_workspace_test.sh BUILD_DIR: the sample workspace holds the demo
# that its game parameters' "+playdemo NAME" plays when the game starts, and
# that demo converts.
set -euo pipefail
build=$1
ws=$(mktemp -d)
trap 'rm -rf "$ws"' EXIT
CLIPVEX_GAME_DATA=$ws/none bash "$(dirname "$0")/../scripts/sample-workspace.sh" "$build" "$ws"
conf=$ws/.config/Clipvex/Clipvex.conf
params=$(sed -n 's/^addparams=//p' "$conf")
folder=$(sed -n 's/^dempath=//p' "$conf")
demo=$(sed -n 's/.*+playdemo \([^ ]*\).*/\1/p' <<<"$params")
[ -n "$demo" ] || { echo "no +playdemo in: $params"; exit 1; }
file=$ws/$folder/${demo%.dem}.dem
[ -f "$file" ] || { echo "the game parameters play $demo, but $file is missing"; exit 1; }
"$build/bin/lmpc" -s -f "$file" "$ws/check.txt" >/dev/null
grep -q "block {" "$ws/check.txt" || { echo "$file has no blocks"; exit 1; }
echo "the game starts with $file"
