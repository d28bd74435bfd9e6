#!/usr/bin/env bash
# Set-up on a fresh Debian machine.
#   ./dravik.sh run    install what is missing, build, put the database beside the program, start it
#   ./dravik.sh test   install what is missing, build, run every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake make g++ pkg-config qt6-base-dev libgl-dev libsqlite3-dev googletest libgtest-dev
          libbenchmark-dev libreoffice-calc libreoffice-dev python3-uno fonts-liberation
          fonts-dejavu-core)
BUILD=${DRAVIK_BUILD_DIR:-build}

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD" -j"$(nproc)"
}

case "${1:-}" in
    run)
        install_missing
        build
        "$BUILD/bin/dravik-create-db" --if-missing
        exec "$BUILD/bin/dravik-lumo"
        ;;
    test)
        install_missing
        build
        cd "$BUILD"
        ctest --output-on-failure -j"$(nproc)"
        ;;
    *)
        echo "usage: $0 run|test" >&2
        exit 2
        ;;
esac
