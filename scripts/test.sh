#!/usr/bin/env bash
# Builds everything and runs every test: the sanitizer build's unit tests,
# short fuzz runs of every parser, then the full suite (under a private X
# server for the tests that need one). Ends with ctest's summary line.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

echo "== sanitizer build (address + undefined)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCLIPVEX_SANITIZE=ON -DCLIPVEX_GUI=OFF -DCLIPVEX_BENCH=OFF -DCLIPVEX_WERROR=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L unit --output-on-failure -j"$jobs"

echo "== fuzz build (libFuzzer, a few seconds per parser)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPVEX_FUZZ=ON -DCLIPVEX_WERROR=ON >/dev/null
cmake --build build-fuzz -j"$jobs"
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j"$jobs"

echo "== main build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPVEX_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure -j"$jobs"
