#!/usr/bin/env bash
# Times `dravik-toc-report --pdf` with the office already running and the workbook open in it,
# its Report sheet filled as the overview's button fills it. Prints each run and the median.
#
#   bench/report_pdf_timing.sh [build/bin] [runs]
#
# The office is a headless one of its own (private profile, and a pipe of its own: the program
# takes its pipe's name from $USER and $XDG_RUNTIME_DIR, set here), so a running Dravik Lumo is
# never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=$(realpath "${1:-build/bin}")
RUNS=${2:-7}
SOFFICE=/usr/lib/libreoffice/program/soffice

export USER="dravikbench$$"
WORK=$(mktemp -d)
export XDG_RUNTIME_DIR="$WORK"  # the report's lock file and its pipe's name go with the rest
# The pipe's random part, where the program looks for it.
PART=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
mkdir -m 700 "$WORK/dravik-lumo" && echo "$PART" >"$WORK/dravik-lumo/office-pipe"
PIPE="dravik_lumo_calc_${USER}_$PART"
OFFICE_PID=
cleanup() {
    [ -n "$OFFICE_PID" ] && kill -- "-$OFFICE_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# The program's folder: the program, its office module, the workbook and the template side by side.
mkdir -p "$WORK/bin"
cp "$BIN/dravik-toc-report" "$BIN/dravik-lumo-calc.so" "$BIN/Dravik-Lumo-Report.ott" \
    "$BIN"/Dravik-Lumo_V*a.tabb "$WORK/bin/"
WORKBOOK=$(ls "$WORK"/bin/Dravik-Lumo_V*a.tabb)

setsid "$SOFFICE" --headless --invisible --norestore --nologo --nodefault --nolockcheck \
    "--accept=pipe,name=$PIPE;urp;StarOffice.ComponentContext" \
    "-env:UserInstallation=file://$WORK/profile" >/dev/null 2>&1 &
OFFICE_PID=$!

# The typical entry written into the workbook's input cells, then the button's own copy.
/usr/bin/python3 - "$PIPE" "$WORKBOOK" office/extension <<'EOF'
import sys, time
import uno
from com.sun.star.beans import PropertyValue

pipe, workbook, extension = sys.argv[1:4]
sys.path.insert(0, extension)
import report_copy

local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
for _ in range(600):
    try:
        ctx = resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        break
    except Exception:
        time.sleep(0.1)
else:
    sys.exit("the office did not answer")
desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
hidden = PropertyValue(Name="Hidden", Value=False)
doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(workbook), "_blank", 0, (hidden,))
typical = {"DL": "1", "DLQ0": "Acme Storage", "DLQ1": 1, "DLQ3": 1500, "DLQ4": 1, "DLQ5": 0.35,
           "DLQ6": 0.2, "DLQ7": 0.4, "DLQ8": 12, "DLQ9": 0.3, "DLQ10": 1, "DLQ11": 25000}
for name, value in typical.items():
    cell = doc.NamedRanges.getByName(name).getReferredCells().getCellByPosition(0, 0)
    if isinstance(value, str):
        cell.setString(value)
    else:
        cell.setValue(value)
doc.Sheets.getByName("Y").getCellRangeByName("F8").setValue(2)
report_copy.copy_summary_to_report(doc)  # raises when there is no Report to copy to
EOF

times=()
for i in $(seq 1 "$RUNS"); do
    rm -f "$WORK/report.pdf"
    start=$(date +%s%N)
    "$WORK/bin/dravik-toc-report" --pdf "$WORK/report.pdf"
    end=$(date +%s%N)
    [ -s "$WORK/report.pdf" ] || { echo "run $i wrote no PDF" >&2; exit 1; }
    ms=$(( (end - start) / 1000000 ))
    times+=("$ms")
    echo "run $i: ${ms} ms"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
slow=$(printf '%s\n' "${times[@]}" | awk -v m="$median" '$1 > m + 1500' | wc -l)
echo "dravik-toc-report --pdf, office running, workbook open: median ${median} ms of $RUNS runs," \
     "$slow of them over 1.5 s longer"
[ -n "${KEEP_PDF:-}" ] && cp "$WORK/report.pdf" "$KEEP_PDF"
exit 0
