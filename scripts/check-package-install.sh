#!/usr/bin/env bash
# Installs the built package on a fresh, minimal Debian (debootstrap into a temporary folder)
# with apt-get and runs torvane-cli from the PATH there. Needs root and Debian's archive.
# Usage: scripts/check-package-install.sh [BUILD_DIR]
set -euo pipefail
build_dir=$(cd "${1:-${TORVANE_BUILD_DIR:-build}}" && pwd)
shopt -s nullglob
debs=("$build_dir"/torvane_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "build the package first (scripts/check-package.sh)" >&2; exit 1; }
command -v debootstrap >/dev/null || apt-get install -y --no-install-recommends debootstrap
root=$(mktemp -d)
trap 'umount "$root/proc" 2>/dev/null || true; rm -rf "$root"' EXIT
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
debootstrap --variant=minbase "$suite" "$root" http://deb.debian.org/debian >/dev/null
mount -t proc proc "$root/proc"
cp "${debs[0]}" "$root/tmp/"
chroot "$root" /bin/sh -ec "
    export DEBIAN_FRONTEND=noninteractive
    apt-get update >/dev/null
    apt-get install -y /tmp/$(basename "${debs[0]}") >/dev/null
    command -v torvane torvane-cli
    torvane-cli --version
    torvane-cli info | head -n 5
    torvane-cli render --shape round -o /tmp/spiral.svg
    test -f /usr/share/applications/torvane.desktop
    ldd /usr/bin/torvane | grep 'not found' && exit 1 || true
"
echo "installed and ran on a fresh $suite"
