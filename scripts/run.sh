#!/usr/bin/env bash
# Builds Clipvex and starts it on the sample workspace.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
bash scripts/sample-workspace.sh build workspace
cd workspace
exec ../build/bin/clipvex "$@"
