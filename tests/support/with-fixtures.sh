#!/usr/bin/env bash
# with-fixtures.sh NAME DEFAULT_FIXTURES PROGRAM [ARG...]
# Runs PROGRAM with the arguments that begin with "@FIXTURES@" (paths) taken
# under the fixtures folder: $CLIPVEX_FIXTURES, else DEFAULT_FIXTURES
# (fixtures/ of the shared folder beside the checkout). When the folder such
# an argument points into is missing, it prints one line naming that folder
# and ends with success: the test's SKIP_REGULAR_EXPRESSION (set by
# clipvex_add_fixture_test) makes ctest count it as skipped, and the test's
# NAME goes into the file CLIPVEX_SKIP_LOG names, if any.
set -u
name=$1
fixtures=${CLIPVEX_FIXTURES:-$2}
shift 2
fixtures=${fixtures%/}
args=()
for arg in "$@"; do
  if [[ $arg == @FIXTURES@* ]]; then
    arg=$(realpath -m -- "$fixtures${arg#@FIXTURES@}")
    folder=$(dirname -- "$arg")
    if [ ! -d "$folder" ]; then
      echo "Skipped for want of fixtures: $folder not found"
      if [ -n "${CLIPVEX_SKIP_LOG:-}" ]; then echo "ctest $name" >>"$CLIPVEX_SKIP_LOG"; fi
      exit 0
    fi
  fi
  args+=("$arg")
done
exec "${args[@]}"
