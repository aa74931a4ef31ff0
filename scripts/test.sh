#!/usr/bin/env bash
# Builds everything and runs every test: the sanitizer build's unit tests,
# short fuzz runs of every parser, then the full suite (under a private X
# server for the tests that need one). Tests that need the real demos, the
# free game data or the real-engine player and do not find them are skipped;
# the last line says how many were, and where they were looked for.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

# Where the tests look for the fixtures (tests/support/fixtures.h).
fixtures=${CLIPVEX_FIXTURES:-$(cd .. && pwd)/shared/fixtures}
skip_counts=()
skip_summary() {
  [ ${#skip_counts[@]} -gt 0 ] || return 0
  local total=0 parts=() entry
  for entry in "${skip_counts[@]}"; do
    total=$((total + ${entry%% *}))
    parts+=("${entry%% *} in ${entry#* }")
  done
  local joined
  joined=$(printf '%s, ' "${parts[@]}")
  echo "Skipped for want of fixtures: $total tests (${joined%, }); looked for them in $fixtures (CLIPVEX_FIXTURES names another folder)"
}
trap skip_summary EXIT

# run_ctest BUILD_DIR COMMAND...: runs the ctest command; each test skipped
# for want of fixtures writes a line into BUILD_DIR/fixture-skips.log, which
# is counted (other skips, such as a case that cannot run as root, are not).
run_ctest() {
  local dir=$1
  shift
  export CLIPVEX_SKIP_LOG="$PWD/$dir/fixture-skips.log"
  rm -f "$CLIPVEX_SKIP_LOG"
  local status=0
  "$@" || status=$?
  local count=0
  if [ -f "$CLIPVEX_SKIP_LOG" ]; then count=$(sort -u "$CLIPVEX_SKIP_LOG" | wc -l); fi
  skip_counts+=("$count $dir/")
  unset CLIPVEX_SKIP_LOG
  return "$status"
}

echo "== sanitizer build (address + undefined)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCLIPVEX_SANITIZE=ON -DCLIPVEX_GUI=OFF -DCLIPVEX_BENCH=OFF -DCLIPVEX_WERROR=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_ctest build-asan ctest --test-dir build-asan -L unit --output-on-failure -j"$jobs"

echo "== fuzz build (libFuzzer, a few seconds per parser)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPVEX_FUZZ=ON -DCLIPVEX_WERROR=ON >/dev/null
cmake --build build-fuzz -j"$jobs"
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j"$jobs"

echo "== main build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPVEX_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
run_ctest build xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure -j"$jobs"
