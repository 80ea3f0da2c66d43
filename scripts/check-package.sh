#!/usr/bin/env bash
# Builds the Debian package in the build folder and checks what it holds and depends on.
# Usage: scripts/check-package.sh [BUILD_DIR]
set -euo pipefail
build_dir=${1:-${TORVANE_BUILD_DIR:-build}}
cd "$build_dir"
rm -f torvane_*.deb
cpack -G DEB >/dev/null
shopt -s nullglob
debs=(torvane_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "expected one torvane_*.deb, found ${#debs[@]}" >&2; exit 1; }
deb=${debs[0]}

contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
status=0
for path in ./usr/bin/torvane ./usr/bin/torvane-cli ./usr/lib/torvane/torvane-render.so \
    ./usr/share/applications/torvane.desktop \
    ./usr/share/icons/hicolor/256x256/apps/torvane.png ./usr/share/man/man1/torvane-cli.1.gz \
    ./usr/share/doc/torvane/README.md; do
    grep -qxF "$path" <<<"$contents" || { echo "$deb lacks $path" >&2; status=1; }
done
depends=$(dpkg-deb --field "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" ||
        { echo "$deb does not depend on $package (Depends: $depends)" >&2; status=1; }
done
[ "$status" -eq 0 ] && echo "$build_dir/$deb: contents and dependencies as expected"
exit "$status"
