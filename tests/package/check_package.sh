#!/usr/bin/env bash
# Builds the Debian package from the build folder $1 into a scratch folder,
# checks its dependencies and files, and runs mealctl from the unpacked tree
# with an empty environment.
set -euo pipefail
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cpack --config "$1/CPackConfig.cmake" -B "$TMP/out" >"$TMP/log" 2>&1 || { cat "$TMP/log"; fail cpack; }
DEB=$(ls "$TMP"/out/mealpos_*.deb)
DEPENDS=$(dpkg-deb -f "$DEB" Depends) FILES=$(dpkg-deb -c "$DEB")
# Linked (found by dpkg-shlibdeps) and loaded at run time (declared by hand).
for dep in libqt6core6 libqt6widgets6 libmariadb3 libxlsxwriter4 libqt6sql6-mysql libpcsclite1; do
  grep -Eq "(^|, )$dep( |,|$)" <<<"$DEPENDS" || fail "Depends lacks $dep"
done
for f in bin/mealhost bin/mealctl bin/posterm-sim lib/mealpos/libMealPlugin.so lib/mealpos/libposterm.so \
  lib/mealpos/libcardreader.so share/mealpos/schema/mysql.sql share/applications/mealhost.desktop \
  share/icons/hicolor/scalable/apps/mealhost.svg share/doc/mealpos/README.md; do
  grep -q " \./usr/$f$" <<<"$FILES" || fail "the package lacks /usr/$f"
done
dpkg-deb -x "$DEB" "$TMP/root"
HELP=$(env -i "$TMP/root/usr/bin/mealctl" --help 2>&1) || fail "mealctl --help from the package: $HELP"
grep -q upgrade-schema <<<"$HELP" || fail "mealctl --help lists no commands"
