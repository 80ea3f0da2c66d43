# Shared by run.sh and test.sh: install what is missing, then configure and build in build/.
# Sourced, not run.

TORVANE_PACKAGES=(cmake make g++ qt6-base-dev qt6-base-dev-tools qt6-svg-dev xvfb xauth fonts-dejavu-core dpkg-dev file)
# The independent GDSII and DXF reader that the layout export tests check against.
TORVANE_PACKAGES+=(klayout)

torvane_missing_packages() {
    local package
    for package in "${TORVANE_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            printf '%s\n' "$package"
    done
}

torvane_install_packages() {
    local missing
    missing=$(torvane_missing_packages)
    [ -z "$missing" ] && return 0
    echo "Installing missing packages:" $missing
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || {
            echo "Missing packages ($missing) and no root rights to install them." >&2
            return 1
        }
        sudo=sudo
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update
    # shellcheck disable=SC2086
    $sudo apt-get install -y --no-install-recommends $missing
}

torvane_build() {
    local build_dir=${TORVANE_BUILD_DIR:-build}
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$build_dir" -j "$(nproc)"
}
