#!/usr/bin/env bash
# What a desktop and a shell need to open .dem files with Clipvex, checked on
# an installation into a temporary prefix: the desktop entry passes the file
# and names the demo type; the MIME package declares *.dem at a low weight
# and without magic, and the database built from it maps *.dem to that type;
# the program answers --help and --version and refuses a third file.
# Arguments: cmake, the build folder, a scratch folder.
set -euo pipefail
cmake=$1 build=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
DESTDIR= "$cmake" --install "$build" --prefix "$out/prefix" >"$out/install.log"
share=$out/prefix/share
desktop=$share/applications/clipvex.desktop
package=$share/mime/packages/clipvex.xml
clipvex=$out/prefix/bin/clipvex

fail() { echo "FAIL: $*" >&2; exit 1; }

grep -qx 'Exec=clipvex %f' "$desktop" || fail "the desktop entry does not pass the file"
grep -qx 'MimeType=application/x-quake-demo;' "$desktop" || fail "the desktop entry names no demo type"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
xmllint --noout "$package" || fail "the MIME package is no well-formed XML"

# A database of the package alone, as update-mime-database reads it.
db=$out/data/mime
mkdir -p "$db/packages"
cp "$package" "$db/packages/"
XDG_DATA_HOME=$out/data XDG_DATA_DIRS=$out/data update-mime-database "$db" >"$out/db.log" 2>&1
[ ! -s "$out/db.log" ] || fail "update-mime-database: $(cat "$out/db.log")"
grep -qx '10:application/x-quake-demo:\*\.dem' "$db/globs2" || fail "no *.dem glob of weight 10"
! grep -q 'x-quake-demo' "$db/magic" || fail "the demo type has magic"
# The installation rebuilt the prefix's own database.
grep -qx '10:application/x-quake-demo:\*\.dem' "$share/mime/globs2" || fail "the install left the database unbuilt"

"$clipvex" --version | grep -qx 'Clipvex [0-9]*\.[0-9]*\.[0-9]*' || fail "--version"
"$clipvex" --help | grep -q '\[FILE.dem|FILE.txt\] \[SECOND\]' || fail "--help"
if QT_QPA_PLATFORM=offscreen "$clipvex" a.dem b.dem c.dem >/dev/null 2>"$out/three.log"; then
  fail "three files were taken"
fi
grep -q 'at most two files' "$out/three.log" || fail "three files: $(cat "$out/three.log")"
echo "desktop entry, MIME type and command line: ok"
