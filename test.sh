#!/usr/bin/env bash
# Installs what is missing, builds, runs every test (headless), then builds the Debian package
# and checks it. Non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
torvane_install_packages
torvane_build
build_dir=${TORVANE_BUILD_DIR:-build}
(cd "$build_dir" && ctest --output-on-failure -j "$(nproc)")
scripts/check-package.sh "$build_dir"
