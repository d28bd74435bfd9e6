#!/usr/bin/env bash
# The user's installation as dravik.sh makes it, in a private HOME:
# - run installs as install does and starts the very program the menu entry starts;
# - a workbook the user changed survives install and uninstall, a newer one going beside it;
# - uninstall keeps what the office has open, and removes the rest but the database.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
work=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export HOME=$work USER=dravik_install_$$ QT_QPA_PLATFORM=offscreen DRAVIK_BUILD_DIR=$build
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
prefix=$HOME/.local
dir=$prefix/lib/dravik-lumo
book=$dir/Dravik-Lumo_V117a.tabb

# run: the process it ends in is the installed program that the menu entry names.
"$src/dravik.sh" run >"$work/run.log" 2>&1 &
pid=$!
for _ in $(seq 3000); do
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$dir/dravik-lumo" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$work/run.log"; fail "run ended"; }
    sleep 0.1
done
[ "$(readlink "/proc/$pid/exe")" = "$dir/dravik-lumo" ] || fail "run started $(readlink "/proc/$pid/exe")"
for _ in $(seq 300); do  # listening for a second start: the program is up
    [ -S "$XDG_RUNTIME_DIR/dravik-lumo/instance" ] && break || sleep 0.1
done
grep -qx "Exec=\"$dir/dravik-lumo\"" "$prefix/share/applications/dravik-lumo.desktop" ||
    fail "the menu entry starts another program"
[ -f "$dir/dravik.mdb" ] && [ -f "$book" ] || fail "no database or workbook in $dir"
[ "$(stat -c %a "$dir")" = 700 ] && [ "$(stat -c %a "$dir/dravik.mdb")" = 600 ] ||
    fail "the program folder or the database can be read by others"
kill -TERM "$pid"
wait "$pid" || fail "SIGTERM at the splash ended with $?"
pid=

# A changed workbook stays; with no newer one shipped nothing goes beside it.
echo "the user's answers" >>"$book"
cp "$book" "$work/changed"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
cmp -s "$book" "$work/changed" || fail "install replaced the changed workbook"
[ ! -e "$book.dist" ] || fail "a .dist without a newer workbook"
# As after an older version's install: this version's workbook goes beside it, said in one line.
echo "an older version's checksum" >"$dir/.Dravik-Lumo_V117a.tabb.shipped"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1
cmp -s "$book" "$work/changed" || fail "install replaced the changed workbook"
cmp -s "$build/bin/Dravik-Lumo_V117a.tabb" "$book.dist" || fail "no shipped workbook beside it"
[ "$(grep -c "Kept your changed" "$work/install.log")" -eq 1 ] || fail "not said in one line"

# Uninstall keeps the changed workbook and a file the office has open, and says why.
touch "$dir/.~lock.Dravik-Lumo-Report.ott#"
cmake -DACTION=uninstall -DPREFIX="$prefix" -P "$src/cmake/Install.cmake" >"$work/uninstall.log" 2>&1
cmp -s "$book" "$work/changed" || fail "uninstall removed the changed workbook"
[ -f "$dir/Dravik-Lumo-Report.ott" ] && [ -f "$dir/dravik.mdb" ] || fail "uninstall removed too much"
[ ! -e "$dir/dravik-lumo" ] && [ ! -e "$book.dist" ] &&
    [ ! -e "$prefix/share/applications/dravik-lumo.desktop" ] || fail "uninstall left the programs"
grep -q "Kept $book: you changed it" "$work/uninstall.log" || fail "no word on the workbook"
grep -q "Kept $dir/Dravik-Lumo-Report.ott: it is open" "$work/uninstall.log" || fail "no word on the open file"

# An unchanged workbook goes with the programs; the database stays, alone: also in a prefix whose
# name holds a blank, an "ü" and quotes, with LANG unset.
other="$work/pré fix \"q\" 'q'"
(unset LANG LC_ALL; cmake --install "$build" --prefix "$other" >/dev/null) || fail "install into $other"
(unset LANG LC_ALL; cmake -DACTION=uninstall -DPREFIX="$other" -P "$src/cmake/Install.cmake" \
    >/dev/null) || fail "uninstall from $other"
[ "$(ls -A "$other/lib/dravik-lumo")" = "dravik.mdb" ] || fail "left: $(ls -A "$other/lib/dravik-lumo")"

# A clone whose path holds a blank, an "ü" and quotes builds its office documents, in a build
# folder with a blank and an "ü" (dravik.sh builds elsewhere where the clone's path holds a quote,
# which CMake's own checks cannot take).
clone="$work/a clone ü \"q\" 'q'"
mkdir -p "$clone"
(cd "$src" && git ls-files -z 2>/dev/null | xargs -0 cp --parents -t "$clone") ||
    cp -r "$src/CMakeLists.txt" "$src/cmake" "$src/assets" "$src/src" "$src/office" "$clone/"
cmake -S "$clone" -B "$work/b ü ild" >"$work/clone.log" 2>&1 &&
    timeout 300 cmake --build "$work/b ü ild" --target workbook report_template >>"$work/clone.log" 2>&1 ||
    { tail -20 "$work/clone.log"; fail "the documents of a clone at $clone"; }
