#!/usr/bin/env bash
# Usage: check_install.sh BUILD_DIR PREFIX
set -euo pipefail
build="$1"
prefix="$2"
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
expect() {
    if [ ! -e "$prefix/$1" ]; then
        echo "missing after install: $1"
        fail=1
    fi
}
expect bin/quorvel
expect share/applications/io.github.quorvel.Quorvel.desktop
expect share/metainfo/io.github.quorvel.Quorvel.metainfo.xml
expect share/mime/packages/quorvel.xml
expect share/org.kde.syntax-highlighting/syntax/quorvel.xml
expect share/icons/hicolor/128x128/apps/quorvel.png
for tool in quorvel-cli quorvel-sim; do
    if [ -e "$build/tools/${tool#quorvel-}/$tool" ] || [ -e "$build/tools/simulator/$tool" ]; then
        expect "bin/$tool"
    fi
done

desktop-file-validate "$prefix/share/applications/io.github.quorvel.Quorvel.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/io.github.quorvel.Quorvel.metainfo.xml" ||
    appstreamcli validate --no-net "$prefix/share/metainfo/io.github.quorvel.Quorvel.metainfo.xml"

if command -v xmllint >/dev/null; then
    xmllint --noout "$prefix/share/mime/packages/quorvel.xml"
    xmllint --noout "$prefix/share/org.kde.syntax-highlighting/syntax/quorvel.xml"
fi
grep -q '<glob pattern="\*.prgb"/>' "$prefix/share/mime/packages/quorvel.xml" || {
    echo "the program file type has no *.prgb glob"
    fail=1
}
size=$(file -b "$prefix/share/icons/hicolor/128x128/apps/quorvel.png")
case "$size" in
*"128 x 128"*) ;;
*)
    echo "application icon is not 128x128: $size"
    fail=1
    ;;
esac

for page in "$prefix"/share/man/man1/*.1; do
    [ -e "$page" ] || continue
    if command -v groff >/dev/null; then
        warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1 || true)
        if [ -n "$warnings" ]; then
            echo "$page: $warnings"
            fail=1
        fi
    fi
done

# The Debian package: its dependencies are the Qt runtime packages the programs link.
if command -v dpkg-shlibdeps >/dev/null && command -v cpack >/dev/null; then
    pkgdir="$prefix-deb"
    rm -rf "$pkgdir"
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$pkgdir" >"$pkgdir.log" 2>&1 || {
        cat "$pkgdir.log"
        fail=1
    }
    deb=$(ls "$pkgdir"/*.deb 2>/dev/null | head -n 1)
    if [ -z "$deb" ]; then
        echo "no .deb was made"
        fail=1
    else
        depends=$(dpkg-deb -f "$deb" Depends)
        echo "Depends: $depends"
        # The runtime package names follow the Qt the build was configured with.
        case "$(sed -n 's/^QUORVEL_QT:[A-Z]*=//p' "$build/CMakeCache.txt")" in
        6) needed_packages="libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6core5compat6 libqt6charts6 qt6-translations-l10n" ;;
        *) needed_packages="libqt5core5a libqt5gui5 libqt5widgets5 libqt5serialport5 libqt5charts5 qttranslations5-l10n" ;;
        esac
        for needed in $needed_packages; do
            case "$depends" in
            *"$needed"*) ;;
            *)
                echo "the package does not depend on $needed"
                fail=1
                ;;
            esac
        done
        dpkg-deb -c "$deb" >"$pkgdir/contents.txt"
        grep -q './usr/bin/quorvel$' "$pkgdir/contents.txt" || {
            echo "the package holds no quorvel program"
            fail=1
        }
    fi
fi

if [ "$fail" -ne 0 ]; then
    echo "install check failed"
    exit 1
fi
echo "install layout ok"
