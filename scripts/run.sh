#!/usr/bin/env bash
# Builds Clipvex and starts it on the sample workspace.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
bash scripts/sample-workspace.sh build workspace
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
fi
export XDG_CONFIG_HOME="$PWD/workspace/.config"
cd workspace/id1
exec ../../build/bin/clipvex "$@"
