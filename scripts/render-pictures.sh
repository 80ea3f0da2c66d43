#!/usr/bin/env bash
# Redraws the window's pictures in resources/images/ from the spiral layouts.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${TORVANE_BUILD_DIR:-build}
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir"
cmake --build "$build_dir" --target torvane_render_pictures -j "$(nproc)"
"$build_dir/bin/torvane_render_pictures" resources/images
