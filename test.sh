#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (headless). Non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
torvane_install_packages
torvane_build
build_dir=${TORVANE_BUILD_DIR:-build}
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)"
