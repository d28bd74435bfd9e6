#!/usr/bin/env bash
# Set-up on a fresh Debian machine.
#   ./dravik.sh run               install what is missing, build the programs, put the database
#                                 beside the program, start it
#   ./dravik.sh test              install what is missing, build, run every test
#   ./dravik.sh install [PREFIX]  install what is missing, build, install for the user in PREFIX
#                                 (~/.local): the program folder PREFIX/lib/dravik-lumo, the menu
#                                 entries and the icon; an existing database is kept
#   ./dravik.sh uninstall [PREFIX]  remove the programs, the entries and the icon; keep the database
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake make g++ pkg-config qt6-base-dev libgl-dev libxcb1-dev libsqlite3-dev googletest
          libgtest-dev libbenchmark-dev libreoffice-calc libreoffice-writer libreoffice-dev
          python3-uno poppler-utils fonts-liberation fonts-dejavu-core locales clang-14
          libclang-rt-14-dev desktop-file-utils xvfb xdotool)
BUILD=${DRAVIK_BUILD_DIR:-build}

SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    "${SUDO[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The number-format tests also run the C library in a decimal-comma locale.
comma_locale() {
    locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' ||
        "${SUDO[@]}" localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 || true
}

# With a target, only it and what it needs (run: the programs, the workbook); else everything.
build() {
    cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD" -j"$(nproc)" ${1:+--target "$1"}
}

case "${1:-}" in
    run)
        install_missing
        build programs
        "$BUILD/bin/dravik-create-db" --if-missing
        # The workbook's report button needs the office extension in the user's profile.
        office/register-extension.sh "$BUILD/bin/dravik-report-copy.oxt" ||
            echo "The button 'Copy Summary Data to Report Worksheet' will do nothing." >&2
        exec "$BUILD/bin/dravik-lumo"
        ;;
    test)
        install_missing
        comma_locale
        build
        cd "$BUILD"
        ctest --output-on-failure -j"$(nproc)"
        ;;
    install)
        install_missing
        build
        prefix=${2:-$HOME/.local}
        cmake --install "$BUILD" --prefix "$prefix"
        # Kept beside the programs, so that uninstall knows what was put down without the build.
        cp "$BUILD/install_manifest.txt" "$prefix/lib/dravik-lumo/.install-manifest"
        "$prefix/lib/dravik-lumo/register-extension.sh" ||
            echo "The button 'Copy Summary Data to Report Worksheet' will do nothing." >&2
        echo "Installed in $prefix/lib/dravik-lumo; the menu holds \"Dravik Lumo\"."
        ;;
    uninstall)
        prefix=${2:-$HOME/.local}
        if [ -x "$prefix/lib/dravik-lumo/register-extension.sh" ]; then
            "$prefix/lib/dravik-lumo/register-extension.sh" --remove || true
        fi
        cmake -DACTION=uninstall -DPREFIX="${2:-$HOME/.local}" -P cmake/Install.cmake
        ;;
    *)
        echo "usage: $0 run|test|install [PREFIX]|uninstall [PREFIX]" >&2
        exit 2
        ;;
esac
