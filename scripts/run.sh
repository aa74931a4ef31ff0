#!/usr/bin/env bash
# Builds the programs Clipvex starts (the editor, the converter, the demo
# generator and the preview game when the tree has it) and starts the editor
# on the sample workspace. The tests and benchmarks are left to `make test`.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(clipvex lmpc demogen)
# The preview game joins once its target exists.
known=$(cmake --build build --target help)
if grep -q '^winquake:' <<<"$known"; then targets+=(winquake); fi
cmake --build build -j"$(nproc)" --target "${targets[@]}"
bash scripts/sample-workspace.sh build workspace
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
fi
export XDG_CONFIG_HOME="$PWD/workspace/.config"
cd workspace/id1
exec ../../build/bin/clipvex "$@"
