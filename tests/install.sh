#!/usr/bin/env bash
# The installed program: what `cmake --install` puts where, the desktop entry and the AppStream
# file as their validators see them, the folder the desktop entry starts the program in, and
# the Debian package's contents and dependencies. Usage: install.sh BUILD_DIR
set -uo pipefail
export LC_ALL=C.UTF-8
BUILD="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
check() { # check DESCRIPTION COMMAND...: one result line, as a test runner prints
    if "${@:2}" >"$WORK/out" 2>&1; then echo "PASS   : $1"; else
        echo "FAIL!  : $1"; sed 's/^/    /' "$WORK/out"; failures=$((failures + 1)); fi
}
PREFIX="$WORK/prefix"
check "cmake --install" cmake --install "$BUILD" --prefix "$PREFIX"

ENTRY="$PREFIX/share/applications/lumivast.desktop"
METAINFO="$PREFIX/share/metainfo/example.lumivast.Lumivast.metainfo.xml"
check "the program is executable" test -x "$PREFIX/bin/lumivast"
for size in 16 32 48 256; do
    icon="$PREFIX/share/icons/hicolor/${size}x${size}/apps/lumivast.png"
    check "icon of $size pixels" grep -q "PNG image data, $size x $size" <(file "$icon")
done
check "desktop-file-validate" bash -c '! desktop-file-validate "$1" | grep -i error' _ "$ENTRY"
check "appstreamcli validate" appstreamcli validate --no-net "$METAINFO"
for line in Name=Lumivast Categories=Amusement\; MimeType=image/gif\; Icon=lumivast Type=Application \
    'Comment=.*\p{Cyrillic}' 'Exec=.*%f'; do
    check "desktop entry: $line" grep -qP "(*UTF)^$line" "$ENTRY"
done

# The Exec value is a command line with the shell's quoting once the entry's own escapes
# (\\ for \) are undone. In place of the program, a script that notes where it started.
mkdir -p "$WORK/bin" "$WORK/home" "$WORK/it's \"odd\" \$x"
printf '#!/bin/sh\npwd > "%s/started-in"\n' "$WORK" >"$WORK/bin/lumivast"
chmod +x "$WORK/bin/lumivast"
exec_line="$(sed -n 's/^Exec=//p' "$ENTRY" | sed 's/\\\\/\\/g')"
started_in() { # started_in FILE: the folder the entry starts the program in for FILE
    rm -f "$WORK/started-in"
    local quoted=""
    [ -n "$1" ] && quoted="'${1//\'/\'\\\'\'}'"
    PATH="$WORK/bin:$PATH" HOME="$WORK/home" sh -c "${exec_line//%f/$quoted}" && cat "$WORK/started-in"
}
check "a picture's folder, with quotes and a dollar in its name" \
    test "$(started_in "$WORK/it's \"odd\" \$x/figure.gif")" = "$WORK/it's \"odd\" \$x"
check "from the menu: the home folder" test "$(started_in "")" = "$WORK/home"

check "cpack -G DEB" cpack -G DEB -B "$WORK/deb" --config "$BUILD/CPackConfig.cmake"
DEB="$(ls "$WORK"/deb/lumivast_*.deb 2>/dev/null | head -1)"
for dependency in libqt6widgets6 libqt6gui6 liblitehtml0 libgif7 qt6-qpa-plugins xdg-utils; do
    check "the package depends on $dependency" grep -q "$dependency" <(dpkg-deb -f "$DEB" Depends)
done
for file in usr/bin/lumivast usr/share/applications/lumivast.desktop \
    usr/share/icons/hicolor/256x256/apps/lumivast.png \
    usr/share/metainfo/example.lumivast.Lumivast.metainfo.xml; do
    check "the package holds /$file" grep -q "\./$file\$" <(dpkg-deb -c "$DEB" | awk '{print $6}')
done
echo "Totals: $failures failed"
exit $((failures > 0))
