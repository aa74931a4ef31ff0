#!/bin/bash
# oracle_demogen.sh DEMOGEN PLAY_ORACLE - generate demos for two maps and
# require the real engine to play each of them to its end (verdict PASS).
set -u
demogen=$1 oracle=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/demogen_oracle.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
for map in start e1m1; do
    "$demogen" --blocks 600 --seed 11 --map "$map" "$work/$map.dem" || { echo "demogen failed for $map"; exit 1; }
    verdict=$(bash "$oracle" "$work/$map.dem")
    echo "$verdict"
    case $verdict in PASS*) ;; *) status=1 ;; esac
done
exit $status
