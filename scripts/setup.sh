# Shared by run.sh and test.sh: install what is missing, then configure and build in build/.
# Sourced, not run.

TORVANE_PACKAGES=(cmake make g++ qt6-base-dev qt6-base-dev-tools qt6-svg-dev xvfb xauth fonts-dejavu-core dpkg-dev file)
# The plot of L and Q; Debian's Qt Charts CMake files need the OpenGL ones, which it does not pull in.
TORVANE_PACKAGES+=(qt6-charts-dev libqt6opengl6-dev)
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

# The libFuzzer target of the project reader, built with clang++ in build-fuzz/ (the core only,
# with AddressSanitizer and UndefinedBehaviorSanitizer) and run for $1 seconds on the built-in
# template. Skipped, with a note, without clang++ or its libFuzzer runtime.
torvane_fuzz() {
    local seconds=$1 fuzz_dir=${TORVANE_FUZZ_BUILD_DIR:-build-fuzz} corpus status
    if ! command -v clang++ >/dev/null; then
        echo "No clang++: the fuzz target is not built."
        return 0
    fi
    if ! printf 'extern "C" int LLVMFuzzerTestOneInput(const char *, unsigned long) { return 0; }' |
        clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null; then
        echo "clang++ has no libFuzzer runtime: the fuzz target is not built."
        return 0
    fi
    if [ ! -f "$fuzz_dir/CMakeCache.txt" ]; then
        CXX=clang++ cmake -S . -B "$fuzz_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DTORVANE_FUZZ=ON -DTORVANE_BUILD_GUI=OFF
    fi
    cmake --build "$fuzz_dir" -j "$(nproc)" --target fuzz_project_reader
    corpus=$(mktemp -d)
    cp resources/templates/*.son "$corpus"/
    status=0
    "$fuzz_dir/tests/fuzz/fuzz_project_reader" -max_total_time="$seconds" -timeout=10 \
        -artifact_prefix="$fuzz_dir/" -print_final_stats=1 "$corpus" || status=$?
    rm -rf "$corpus"
    return "$status"
}
