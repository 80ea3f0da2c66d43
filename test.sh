#!/usr/bin/env bash
# Installs what is missing, builds, runs every test (headless), then builds the Debian package
# and checks it. Where clang++ is at hand, the reader's libFuzzer target is built in its own
# folder and run for a short while too. Non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
torvane_install_packages
torvane_build
build_dir=${TORVANE_BUILD_DIR:-build}
(cd "$build_dir" && ctest --output-on-failure -j "$(nproc)")
scripts/check-package.sh "$build_dir"
torvane_fuzz "${TORVANE_FUZZ_SECONDS:-20}"
