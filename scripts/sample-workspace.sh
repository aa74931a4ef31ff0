#!/usr/bin/env bash
# Lays out the sample workspace: a folder standing in for the game's folder,
# with the converter (and the preview game once built) in it, the game
# subdirectory "id1" with generated sample demos (and the short clipvex.dem
# that the default game parameters' "+playdemo clipvex" plays when the game
# starts), and settings pointing at all of it (in WORKSPACE_DIR/.config,
# used through XDG_CONFIG_HOME).
# When free game data lies beside the checkout (../shared/fixtures/quake-data,
# or the folder holding id1/ named by CLIPVEX_GAME_DATA), its files are linked
# into the workspace's id1/, so that the preview game draws the sample demos'
# maps and models; nothing of it is copied.
# Usage: sample-workspace.sh BUILD_DIR WORKSPACE_DIR
set -euo pipefail
build=$1
ws=$2
mkdir -p "$ws/id1" "$ws/.config/Clipvex"
ws=$(cd "$ws" && pwd)
data=${CLIPVEX_GAME_DATA:-$(dirname "$0")/../../shared/fixtures/quake-data}
if [ -d "$data/id1" ]; then
  for entry in "$data"/id1/*; do
    name=$(basename "$entry")
    case $name in *.dem|quake*.pcx) continue ;; esac
    [ -e "$ws/id1/$name" ] || [ -L "$ws/id1/$name" ] || ln -s "$(cd "$(dirname "$entry")" && pwd)/$name" "$ws/id1/$name"
  done
fi
for tool in lmpc demogen winquake; do
  if [ -x "$build/bin/$tool" ]; then ln -sf "$(cd "$build/bin" && pwd)/$tool" "$ws/$tool"; fi
done
if [ -x "$build/bin/demogen" ]; then
  [ -f "$ws/id1/sample_start.dem" ] || "$build/bin/demogen" --blocks 600 --map start --seed 1 "$ws/id1/sample_start.dem"
  [ -f "$ws/id1/sample_e1m1.dem" ] || "$build/bin/demogen" --blocks 1500 --map e1m1 --seed 2 "$ws/id1/sample_e1m1.dem"
  [ -f "$ws/id1/clipvex.dem" ] || "$build/bin/demogen" --blocks 200 --map start --seed 3 "$ws/id1/clipvex.dem"
fi
conf="$ws/.config/Clipvex/Clipvex.conf"
if [ ! -f "$conf" ]; then
  cat > "$conf" <<CONF
[General]
WinQuakePath=$ws/
lmpcpath=$ws/
dempath=id1
addparams=-startwindowed  +_windowed_mouse 0 +vid_mode 0 +playdemo clipvex
fastpre=0
CONF
fi
