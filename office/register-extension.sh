#!/bin/sh
# Registers the office extension behind the workbook's button "Copy Summary Data to Report
# Worksheet" in the user's office profile.
#
#   register-extension.sh [--remove] [path/to/dravik-report-copy.oxt]
#
# Without a path the .oxt beside this script is taken; --remove unregisters it. Registering again
# replaces the installed copy (--force), so running this at every start or install is harmless.
# An office the user has open picks the change up at once; unopkg works while it runs.
set -eu

remove=
if [ "${1:-}" = --remove ]; then
    remove=--remove
    shift
fi
oxt=${1:-$(dirname "$0")/dravik-report-copy.oxt}
if [ -z "$remove" ] && [ ! -f "$oxt" ]; then
    echo "register-extension: no extension at $oxt" >&2
    exit 1
fi
unopkg=$(command -v unopkg || true)
[ -n "$unopkg" ] || unopkg=/usr/lib/libreoffice/program/unopkg
if [ ! -x "$unopkg" ]; then
    echo "register-extension: unopkg not found (is the office installed?)" >&2
    exit 1
fi

# Removing from a profile that never had it needs no office at all.
if [ -n "$remove" ] && ! find "${XDG_CONFIG_HOME:-$HOME/.config}/libreoffice" -path '*uno_packages*' \
        -name "$(basename "$oxt")" 2>/dev/null | grep -q .; then
    exit 0
fi
if [ "$(id -u)" -eq 0 ]; then
    # unopkg refuses per-user registrations for root: ask the office itself.
    exec /usr/bin/python3 "$(dirname "$0")/register_extension.py" $remove "$oxt"
fi
if [ -n "$remove" ]; then
    # Nothing registered is no failure.
    "$unopkg" remove "$(basename "$oxt")" 2>/dev/null || true
else
    "$unopkg" add --force --suppress-license "$oxt"
fi
