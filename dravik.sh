#!/usr/bin/env bash
# Set-up on a fresh Debian machine.
#   ./dravik.sh run               install what is missing, build the programs, install them for
#                                 the user as install does, start the installed program
#   ./dravik.sh test              install what is missing, build, run every test (installs
#                                 nothing for the user)
#   ./dravik.sh install [PREFIX]  install what is missing, build, install for the user in PREFIX
#                                 (~/.local): the program folder PREFIX/lib/dravik-lumo, the menu
#                                 entries, the icon and the report button's office extension; the
#                                 user's database and changed workbook are kept
#   ./dravik.sh uninstall [PREFIX]  remove the programs, the entries and the icon; keep the
#                                 database, a changed workbook and whatever the office has open
set -euo pipefail
cd "$(dirname "$0")"

# What building and running the programs needs; the tests need the second list besides.
PACKAGES=(cmake make g++ pkg-config qt6-base-dev libgl-dev libxcb1-dev libsqlite3-dev
          libqt6sql6-sqlite libqt6sql6-psql libpq-dev libreoffice-calc libreoffice-writer
          libreoffice-dev python3-uno fonts-liberation fonts-dejavu-core help2man)
# The team's tests start a PostgreSQL server of their own.
TEST_PACKAGES=(googletest libgtest-dev libbenchmark-dev poppler-utils locales clang-14
               libclang-rt-14-dev desktop-file-utils xvfb xdotool postgresql)
BUILD=${DRAVIK_BUILD_DIR:-build}
# CMake's own checks cannot build in a folder whose path holds a quote or a backslash: such a
# clone builds in a folder of the user's in the temporary folder instead.
case "$(realpath -m "$BUILD")" in
    *\"* | *\\*)
        BUILD=${TMPDIR:-/tmp}/dravik-lumo-build-$(id -u)-$(realpath -m "$BUILD" | sha1sum | cut -c1-12)
        mkdir -p -m 700 "$BUILD"
        if [ "$(stat -c %u "$BUILD")" != "$(id -u)" ]; then
            echo "dravik.sh: $BUILD belongs to another user; set DRAVIK_BUILD_DIR" >&2
            exit 1
        fi
        echo "Building in $BUILD: CMake cannot build in a folder whose path holds a quote."
        ;;
esac

# As root directly, else through sudo; without either, as_root says so and fails.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        return 127
    fi
}

# install_missing PACKAGE...
install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then
        echo "dravik.sh: missing packages ${missing[*]}; install them as root with:" \
             "apt-get install ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    as_root apt-get update -q
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The number-format tests also run the C library in a decimal-comma locale; without it they
# skip those cases.
comma_locale() {
    locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' ||
        as_root localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 ||
        echo "dravik.sh: no de_DE.UTF-8 locale; make it as root with:" \
             "localedef -i de_DE -c -f UTF-8 de_DE.UTF-8" >&2
}

# The build and tools run in a UTF-8 locale that exists: with LANG unset (cron, su -) or naming a
# locale the machine lacks, paths with an "ü" would be read in ASCII.
if ! locale charmap 2>/dev/null | grep -qix 'utf-\?8' || locale 2>&1 >/dev/null | grep -q .; then
    export LC_ALL=C.UTF-8
fi

# One build in a build folder, and one installation into a program folder, at a time: a second
# command waits for the first (two at once would write the same files).
# lock FOLDER: held until this command ends (or execs the program).
locks=()
lock() {
    local fd
    mkdir -p "$1"
    exec {fd}<"$1"
    flock "$fd"
    locks+=("$fd")
}
unlock_all() {
    local fd
    for fd in "${locks[@]}"; do exec {fd}<&-; done
    locks=()
}

# stage WHAT COMMAND...: runs one stage of the build or the installation with its output in the
# log file, says WHAT in one line, and on a failure names the log and shows its end.
LOG=$BUILD/dravik.log
stage() {
    local what=$1
    shift
    mkdir -p "$BUILD"
    echo "== $what: $*" >>"$LOG"
    printf '%s...' "$what"
    if "$@" >>"$LOG" 2>&1; then
        echo " done"
    else
        local status=$?
        echo " failed"
        tail -n 25 "$LOG" >&2
        echo "dravik.sh: $what failed; the whole output is in $LOG" >&2
        exit "$status"
    fi
}

# With a target, only it and what it needs (programs: what running and installing need); else
# everything, the tests included. An existing build folder keeps its configuration (a test build
# stays one); the build re-reads what changed.
build() {
    lock "$BUILD"
    mkdir -p "$BUILD"
    : >"$LOG"
    if [ -z "${1:-}" ]; then
        stage "Configuring $BUILD" cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DBUILD_TESTING=ON
    elif [ ! -f "$BUILD/CMakeCache.txt" ]; then
        stage "Configuring $BUILD" cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    stage "Building ${1:+the }${1:-everything}" cmake --build "$BUILD" -j"$(nproc)" ${1:+--target "$1"}
}

# The program folder PREFIX/lib/dravik-lumo with the programs, the workbook and the database,
# the menu entries, the icon, and the extension registered in the user's office profile.
install_for_user() {
    local prefix=$1
    lock "$prefix/lib/dravik-lumo"
    stage "Installing into $prefix" cmake --install "$BUILD" --prefix "$prefix"
    # What it kept of the user's, in its own words.
    sed -n '/^== Installing/,$p' "$LOG" | sed -n 's/^\(-- \)\{0,1\}\(Kept your changed .*\)/\2/p'
    "$prefix/lib/dravik-lumo/register-extension.sh" >>"$LOG" 2>&1 ||
        echo "The report button's extension is registered when the program next opens the workbook." >&2
}

# The last line of run and install: what went where.
installed() {
    local prefix=$1
    echo "Installed in $prefix/lib/dravik-lumo; the menu holds \"Dravik Lumo\"." \
         "Manual pages in $prefix/share/man/man1.${2:+ Starting $2.}"
}

case "${1:-}" in
    run)
        install_missing "${PACKAGES[@]}"
        build programs
        prefix=$HOME/.local
        install_for_user "$prefix"
        installed "$prefix" "$prefix/lib/dravik-lumo/dravik-lumo"
        # The very program the menu entries start: one program folder, one workbook, one database.
        # The locks stay with this command, not with the program.
        unlock_all
        exec "$prefix/lib/dravik-lumo/dravik-lumo"
        ;;
    test)
        install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        comma_locale
        build
        # The tests run dravik.sh themselves, which takes the same lock.
        unlock_all
        cd "$BUILD"
        ctest --output-on-failure -j"$(nproc)"
        ;;
    install)
        install_missing "${PACKAGES[@]}"
        build programs
        prefix=${2:-$HOME/.local}
        install_for_user "$prefix"
        installed "$prefix"
        ;;
    uninstall)
        prefix=${2:-$HOME/.local}
        [ -d "$prefix/lib/dravik-lumo" ] && lock "$prefix/lib/dravik-lumo"
        if [ -x "$prefix/lib/dravik-lumo/register-extension.sh" ]; then
            "$prefix/lib/dravik-lumo/register-extension.sh" --remove || true
        fi
        cmake -DACTION=uninstall -DPREFIX="$prefix" -P cmake/Install.cmake
        ;;
    *)
        echo "usage: $0 run|test|install [PREFIX]|uninstall [PREFIX]" >&2
        exit 2
        ;;
esac
