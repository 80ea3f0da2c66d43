#!/usr/bin/env bash
# ./run.sh            start the desktop window
# ./run.sh ARGS...    run torvane-cli with ARGS (for example: ./run.sh info, ./run.sh create ...)
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
torvane_install_packages >&2
torvane_build >&2
build_dir=${TORVANE_BUILD_DIR:-build}

if [ $# -gt 0 ]; then
    exec "$build_dir/bin/torvane-cli" "$@"
fi
if [ ! -x "$build_dir/bin/torvane" ]; then
    exec "$build_dir/bin/torvane-cli" info
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show the window on; use the command line instead, e.g. ./run.sh create --shape round -o spiral.son (./run.sh --help lists all)." >&2
    exit 1
fi
exec "$build_dir/bin/torvane"
