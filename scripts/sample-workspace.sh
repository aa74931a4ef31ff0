#!/usr/bin/env bash
# Lays out the sample workspace: the converter beside a folder of generated
# demos. Usage: sample-workspace.sh BUILD_DIR WORKSPACE_DIR
set -euo pipefail
build=$1
ws=$2
mkdir -p "$ws/demos"
for tool in lmpc demogen winquake; do
  if [ -x "$build/bin/$tool" ]; then ln -sf "$(cd "$build/bin" && pwd)/$tool" "$ws/$tool"; fi
done
if [ -x "$build/bin/demogen" ]; then
  [ -f "$ws/demos/sample_start.dem" ] || "$build/bin/demogen" --blocks 600 --map start --seed 1 "$ws/demos/sample_start.dem"
  [ -f "$ws/demos/sample_e1m1.dem" ] || "$build/bin/demogen" --blocks 1500 --map e1m1 --seed 2 "$ws/demos/sample_e1m1.dem"
fi
