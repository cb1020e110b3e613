#!/usr/bin/env bash
# Builds the Debian package from the build folder ($1) into a scratch folder,
# checks its dependencies and files, unpacks it and runs mealctl from there
# with an empty environment.
set -euo pipefail
BUILD=$1
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$BUILD/CPackConfig.cmake" -B "$TMP/out" >"$TMP/cpack.log" 2>&1 || { cat "$TMP/cpack.log"; fail cpack; }
DEB=$(ls "$TMP"/out/mealpos_*.deb)
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
# Linked (found by dpkg-shlibdeps) and loaded at run time (declared by hand).
for dep in libqt6core6 libqt6widgets6 libmariadb3 libxlsxwriter4 libqt6sql6-mysql libpcsclite1; do
  grep -Eq "(^|, )$dep( |,|$)" <<<"$DEPENDS" || fail "Depends lacks $dep: $DEPENDS"
done
FILES=$(dpkg-deb -c "$DEB" | awk '{print $6}')
for f in usr/bin/mealhost usr/bin/mealctl usr/bin/posterm-sim usr/lib/mealpos/libMealPlugin.so \
  usr/lib/mealpos/libposterm.so usr/lib/mealpos/libcardreader.so usr/share/mealpos/schema/mysql.sql \
  usr/share/applications/mealhost.desktop usr/share/icons/hicolor/scalable/apps/mealhost.svg \
  usr/share/doc/mealpos/README.md; do
  grep -qx "\./$f" <<<"$FILES" || fail "the package lacks /$f"
done

dpkg-deb -x "$DEB" "$TMP/root"
env -i "$TMP/root/usr/bin/mealctl" --help >"$TMP/help.txt" 2>&1 || { cat "$TMP/help.txt"; fail "mealctl --help"; }
grep -q upgrade-schema "$TMP/help.txt" || fail "mealctl --help lists no commands"
echo "package: $(basename "$DEB") checked"
