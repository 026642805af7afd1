# Shared by scripts/run and scripts/test: install what is missing, then build into build/.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"

missing_packages() {
    local pkg
    grep -v -E '^\s*(#|$)' "$ROOT/scripts/packages.txt" | while read -r pkg; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || echo "$pkg"
    done
}

install_packages() {
    local missing
    missing="$(missing_packages | tr '\n' ' ')"
    [ -z "${missing// /}" ] && return 0
    echo "Installing: $missing"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    # shellcheck disable=SC2086
    $sudo apt-get update -qq \
        && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# build [TARGET ...]: everything, or only the targets named (and what they need), into
# $BUILD with the settings in $CMAKE_SETTINGS (none: an optimised build with debug symbols).
build() {
    # shellcheck disable=SC2086
    cmake -S "$ROOT" -B "$BUILD" ${CMAKE_SETTINGS:--DCMAKE_BUILD_TYPE=RelWithDebInfo} >/dev/null
    local targets=()
    [ "$#" -gt 0 ] && targets=(--target "$@")
    cmake --build "$BUILD" -j "$(nproc)" "${targets[@]}"
}
