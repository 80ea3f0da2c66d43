#!/usr/bin/env bash
# Takes one screenshot of the real window per shape tab, with its live preview, and one of the
# L and Q plot, under Xvfb, on the example template, into docs/screenshots/. The window takes the
# place and size of a first start. The template is named relative to the folder the
# window starts in, so its path field shows a plain file name.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${TORVANE_BUILD_DIR:-build}
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir"
cmake --build "$build_dir" --target torvane -j "$(nproc)"
program=$(pwd)/$build_dir/bin/torvane
out=$(pwd)/docs/screenshots
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp resources/templates/builtin-rfic.son "$work/rfic.son"

shoot() { # tab index, file name, preview page
    local home="$work/home-$2"
    mkdir -p "$home/config/Ostrel"
    cat >"$home/config/Ostrel/Torvane.conf" <<CONF
[Preview]
Visible=true
Page=${3:-0}

[Base]
SonTemplate=rfic.son
LengthIndex=2
InductanceIndex=3
SpiralType=$1
CONF
    (cd "$work" && HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
        timeout 60 xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
            "$1" & pid=$!
            window=
            for _ in $(seq 100); do
                window=$(xwininfo -root -tree 2>/dev/null | awk "/\"Torvane\"/ && / [0-9][0-9][0-9]+x[0-9][0-9][0-9]+/ {print \$1; exit}")
                [ -n "$window" ] && break
                sleep 0.1
            done
            sleep 3 # let the first paint, the preview and the L and Q plot finish
            [ -n "$window" ] && import -window "$window" "$2"
            kill "$pid"
            [ -n "$window" ]' _ "$program" "$out/$2")
    echo "$out/$2"
}

shoot 0 tab-round.png
shoot 1 tab-nsided.png
shoot 2 tab-diffround.png
shoot 3 tab-diffnsided.png
shoot 0 lq-plot.png 1
