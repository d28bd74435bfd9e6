#!/usr/bin/env bash
# Times `dravik-toc-report --records all --pdf-dir DIR` over a database of saved records, with the
# office already running. Prints each run, the median and the load average.
#
#   bench/record_reports_timing.sh [build/bin] [records] [runs]
#   JOBS=N bench/record_reports_timing.sh ...     with --jobs N (a build that has it)
#   MEMORY=1 bench/record_reports_timing.sh ...   also the peak memory of the program and of each
#                                                 office, and each one's at a tenth of the run, at
#                                                 half and at the end
#
# A build whose batch makes its reports in offices of its own (--jobs) leaves the office started
# here alone, as it leaves the user's; its own offices have their profiles in the work folder too.
#
# The database holds records with different answers (industries, business types, server types,
# capacities), as a consultant's would. The office is a headless one of its own (private profile,
# and a pipe of its own: the program takes its pipe name from $USER, which is set here), started
# here, or reused when one answers on that pipe; one report is made before the timing, so that the
# office has loaded the workbook, the template and the report button's extension once.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=$(realpath "${1:-build/bin}")
RECORDS=${2:-100}
RUNS=${3:-3}
SOFFICE=/usr/lib/libreoffice/program/soffice

export USER="${DRAVIK_BENCH_USER:-dravikbatch$$}"
WORK=$(mktemp -d)
export HOME="$WORK"
export XDG_RUNTIME_DIR="$WORK"  # the report's lock file and its pipe's name go with the rest
# The pipe's random part, where the program looks for it.
PART=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
mkdir -m 700 "$WORK/dravik-lumo" && echo "$PART" >"$WORK/dravik-lumo/office-pipe"
PIPE="dravik_lumo_calc_${USER}_$PART"
export TMPDIR="$WORK/tmp"  # and the profiles of a batch's own offices
mkdir -p "$TMPDIR"
unset DISPLAY WAYLAND_DISPLAY
OFFICE_PID=
cleanup() {
    [ -n "$OFFICE_PID" ] && kill -- "-$OFFICE_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# The program's folder: the programs, the office module, the workbook, the template and the
# extension side by side, and a database of records.
mkdir -p "$WORK/bin" "$WORK/pdf"
cp "$BIN/dravik-toc-report" "$BIN/dravik-create-db" "$BIN/dravik-lumo-calc.so" \
    "$BIN/Dravik-Lumo-Report.ott" "$BIN/dravik-report-copy.oxt" "$BIN"/Dravik-Lumo_V*a.tabb \
    "$WORK/bin/"
"$WORK/bin/dravik-create-db" --if-missing >/dev/null
/usr/bin/python3 - "$WORK/bin/dravik.mdb" "$RECORDS" <<'EOF'
import sqlite3, sys
path, count = sys.argv[1], int(sys.argv[2])
industries = ["1 - Finance", "2 - Manufacturing", "3 - Public", "4 - Insurance", "5 - Industrial",
              "6 - Communication", "99 - Other"]
types = ["1 - e-Commerce", "2 - ERP", "3 - Business Intelligence", "4 - SCM", "5 - CRM",
         "99 - Other"]
db = sqlite3.connect(path)
columns = [row[1] for row in db.execute("PRAGMA table_info(Details)")][:18]
rows = []
for n in range(count):
    ticked = [types[i] if (n >> i) % 2 or i == n % 6 else " " for i in range(6)]
    rows.append([f"Customer {n + 1:03d} GmbH", industries[n % 7], *ticked,
                 str(500 + 37 * n), ["1 - Vastor", "2 - Open"][n % 2], str(10 + n % 30),
                 str(5 + n % 20), str(20 + n % 40), str(2 + n % 25), str(5 + n % 35),
                 ["0 - Not required", "1 - Required"][n % 3 == 0], str(1000 * (5 + n % 90)),
                 f"2026-01-{1 + n % 28:02d} 09:{n % 60:02d}:00"])
db.executemany("INSERT INTO Details (%s) VALUES (%s)" % (
    ", ".join('"%s"' % c for c in columns), ", ".join("?" * len(columns))), rows)
db.commit()
EOF

answers() {
    /usr/bin/python3 -c "
import uno
local = uno.getComponentContext()
local.ServiceManager.createInstanceWithContext('com.sun.star.bridge.UnoUrlResolver', local) \\
    .resolve('uno:pipe,name=$PIPE;urp;StarOffice.ComponentContext')" 2>/dev/null
}
if ! answers; then
    setsid "$SOFFICE" --headless --invisible --norestore --nologo --nodefault --nolockcheck \
        "--accept=pipe,name=$PIPE;urp;StarOffice.ComponentContext" \
        "-env:UserInstallation=file://$WORK/profile" >/dev/null 2>&1 &
    OFFICE_PID=$!
    for _ in $(seq 1 600); do answers && break; sleep 0.1; done
fi
"$WORK/bin/dravik-toc-report" --records 1 --pdf-dir "$WORK/pdf" >/dev/null

# sample PID: every half second, the resident and peak memory (kB) of the program and of every
# office in the work folder (the one started here, or a batch's own), one line each.
sample() {
    while kill -0 "$1" 2>/dev/null; do
        for p in "$1" $(pgrep -f "soffice.bin.*$WORK"); do
            kind=program
            [ "$p" = "$1" ] || kind="the office running"
            grep -qa "$TMPDIR" "/proc/$p/cmdline" 2>/dev/null && kind="an office of the batch"
            awk -v p="$p" -v k="$kind" '/^VmRSS/ {r=$2} /^VmHWM/ {h=$2} END {if (h) print p, r, h, k}' \
                "/proc/$p/status" 2>/dev/null
        done
        sleep 0.5
    done >"$WORK/memory.txt"
}
memory() {
    awk '
        {
            if (!($1 in count)) { order[++n] = $1 }
            rss[$1, ++count[$1]] = $2; peak[$1] = $3; kind[$1] = substr($0, index($0, $4))
        }
        END {
            for (i = 1; i <= n; ++i) {
                p = order[i]; c = count[p]
                printf "  %s (%s): peak %d MB; %d, %d and %d MB at a tenth, half and the end\n",
                    kind[p], p, peak[p] / 1024, rss[p, int(c / 10) + 1] / 1024,
                    rss[p, int(c / 2) + 1] / 1024, rss[p, c] / 1024
            }
        }' "$WORK/memory.txt"
}

times=()
for i in $(seq 1 "$RUNS"); do
    rm -f "$WORK"/pdf/*.pdf
    start=$(date +%s%N)
    "$WORK/bin/dravik-toc-report" --records all --pdf-dir "$WORK/pdf" ${JOBS:+--jobs "$JOBS"} \
        >"$WORK/out.txt" &
    batch=$!
    sampler=
    if [ -n "${MEMORY:-}" ]; then
        sample "$batch" &
        sampler=$!
    fi
    wait "$batch"
    end=$(date +%s%N)
    [ -z "$sampler" ] || wait "$sampler"
    made=$(ls "$WORK"/pdf/*.pdf | wc -l)
    [ "$made" -eq "$RECORDS" ] || { echo "run $i wrote $made PDFs" >&2; exit 1; }
    ms=$(( (end - start) / 1000000 ))
    times+=("$ms")
    echo "run $i: $RECORDS PDFs in ${ms} ms (load average $(cut -d' ' -f1-3 /proc/loadavg))"
    [ -n "${MEMORY:-}" ] && memory "$batch"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
echo "dravik-toc-report --records all, $RECORDS records, office running: median ${median} ms" \
     "of $RUNS runs ($(( median / RECORDS )) ms a record)"
[ -n "${KEEP_PDF_DIR:-}" ] && cp "$WORK"/pdf/*.pdf "$KEEP_PDF_DIR"/
exit 0
