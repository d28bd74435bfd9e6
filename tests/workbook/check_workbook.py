#!/usr/bin/python3
"""Checks the built workbook in a real headless office, the way the program uses it.

Writes answers into the named ranges as a user would type them (and as text), reads the six
DL_DEF_ defaults back, looks at the overview, and presses the overview's report button as the
office does on a click, with the office extension that handles it registered. One office is
started for the whole run, on a private profile and pipe, and stopped at the end.

    check_workbook.py --workbook bin/Dravik-Lumo_V117a.tabb --soffice /usr/bin/soffice \
                      --profile <dir> [--extension bin/dravik-report-copy.oxt]
                      [--print-defaults] [unittest options]
"""

import argparse
import datetime
import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import uno
import unohelper
from com.sun.star.beans import PropertyValue
from com.sun.star.form.FormButtonType import URL as URL_BUTTON
from com.sun.star.frame import XDispatchResultListener
from com.sun.star.frame.DispatchResultState import FAILURE as DISPATCH_FAILURE
from com.sun.star.frame.DispatchResultState import SUCCESS as DISPATCH_SUCCESS
from com.sun.star.task import XInteractionHandler
from com.sun.star.sheet.FormulaResult import ERROR as FORMULA_ERROR
from com.sun.star.table.CellContentType import FORMULA, TEXT, VALUE

ARGS = None
OFFICE = None

SHEETS = ["TOC Overview", "Report", "Inputs", "Y", "Defaults", "Notes"]
INPUT_NAMES = ["DL", "DLQ0", "DLQ1", "DLQ3", "DLQ4", "DLQ5", "DLQ6", "DLQ7", "DLQ8", "DLQ9",
               "DLQ10", "DLQ11"]
DEFAULT_NAMES = ["DL_DEF_SP", "DL_DEF_RC", "DL_DEF_R1", "DL_DEF_GR", "DL_DEF_OPER",
                 "DL_DEF_OUTCOST"]
# The Report sheet's names, read by the report program, and what each copies from TOC Overview.
REPORT_RANGES = {
    "RPT_COPIED": "$Report.$B$3", "RPT_CUSTOMER": "$Report.$B$4", "RPT_INDUSTRY": "$Report.$B$5",
    "RPT_BUSINESS": "$Report.$B$6", "RPT_SERVER": "$Report.$B$7",
    "RPT_ANSWERS": "$Report.$A$10:$D$17", "RPT_CAPACITY": "$Report.$A$21:$F$24",
    "RPT_COSTS": "$Report.$A$28:$D$36", "RPT_TOTAL": "$Report.$D$37",
}
REPORT_HEADINGS = ["A9:D9", "A19", "A20:F20", "A26", "A27:D27", "A37"]
BUSINESS_CELLS = ["E8", "F8", "G8", "H8", "I8", "J8"]
BUSINESS_CODES = ["1", "2", "3", "4", "5", "99"]

# What the workbook promises: per industry SP, RC, R1, growth Vastor, growth Open, OPER, OUTCOST.
INDUSTRIES = {
    "1": (0.30, 0.35, 0.45, 0.25, 0.30, 1, 100000),
    "2": (0.15, 0.10, 0.25, 0.125, 0.15, 0, 20000),
    "3": (0.10, 0.15, 0.20, 0.10, 0.20, 0, 10000),
    "4": (0.25, 0.30, 0.40, 0.20, 0.25, 1, 60000),
    "5": (0.20, 0.05, 0.30, 0.15, 0.175, 0, 30000),
    "6": (0.40, 0.25, 0.35, 0.40, 0.50, 1, 80000),
    "99": (0.10, 0.10, 0.15, 0.15, 0.20, 0, 15000),
}
# Per business type (in the order of E8:J8): what a tick adds to SP, RC, R1 and OUTCOST.
ADJUSTMENTS = [
    (0.10, 0.05, 0.05, 25000),
    (0.05, 0.05, 0.10, 15000),
    (0.05, 0.00, 0.00, 5000),
    (0.00, 0.05, 0.05, 10000),
    (0.05, 0.00, 0.05, 10000),
    (0.00, 0.00, 0.05, 5000),
]


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def round_half_even(x):
    return round(x)  # Python's round is half-to-even, as the program's


class Recorder(unohelper.Base, XInteractionHandler):
    """Counts the questions the office asks while loading, and answers none of them."""

    def __init__(self):
        self.requests = 0

    def handle(self, request):
        self.requests += 1
        for choice in request.getContinuations():
            if choice.queryInterface(uno.getTypeByName("com.sun.star.task.XInteractionAbort")):
                choice.select()


class Office:
    """A headless office on a private profile, reached over a pipe of its own."""

    def __init__(self, soffice, profile):
        self.pipe = "dravik_wbcheck_%d" % os.getpid()
        self.proc = subprocess.Popen(
            [soffice, "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), "--headless",
             "--invisible", "--norestore", "--nologo", "--nolockcheck",
             "--accept=pipe,name=%s;urp;" % self.pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + 120
        while True:
            try:
                ctx = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except Exception:  # the office is not listening yet
                if self.proc.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("the office did not start")
                time.sleep(0.1)
        self.ctx = ctx
        self.desktop = ctx.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", ctx)

    def register(self, oxt):
        """Registers the extension for the profile's user, as office/register_extension.py does."""
        path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "office",
                            "register_extension.py")
        spec = importlib.util.spec_from_file_location("register_extension", path)
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        manager = self.ctx.getValueByName("/singletons/com.sun.star.deployment.ExtensionManager")
        manager.addExtension(uno.systemPathToFileUrl(os.path.abspath(oxt)), (), "user", None,
                             module.Environment())

    def load(self, path, *props):
        url = uno.systemPathToFileUrl(os.path.abspath(path))
        return self.desktop.loadComponentFromURL(url, "_blank", 0,
                                                 (prop("Hidden", True),) + props)

    def stop(self):
        try:
            self.desktop.terminate()
        except Exception:  # the bridge goes down with the office
            pass
        try:
            self.proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


class Book:
    """The workbook as the program sees it: named ranges and "Sheet:Cell" addresses."""

    def __init__(self, doc):
        self.doc = doc

    def cell(self, name):
        if ":" in name:
            sheet, address = name.split(":", 1)
            return self.doc.Sheets.getByName(sheet).getCellRangeByName(address)
        # Not getCellRangeByName: names like DLQ1 read as cell addresses there.
        cells = self.doc.NamedRanges.getByName(name).getReferredCells()
        return cells.getCellByPosition(0, 0)

    def put(self, name, text):
        """As typed into the cell: 25% becomes 0.25, 1 a number, ab text."""
        self.cell(name).setFormula(text)

    def put_text(self, name, text):
        self.cell(name).setString(text)

    def put_number(self, name, number):
        self.cell(name).setValue(number)

    def get(self, name):
        return value_of(self.cell(name))

    def answer_page1(self, industry, ticked=()):
        self.put("DLQ0", "Test company")
        self.put("DLQ1", industry)
        for member, cell in enumerate(BUSINESS_CELLS):
            self.put("Y:" + cell, BUSINESS_CODES[member] if member in ticked else "0")

    def defaults(self):
        return [self.get(name) for name in DEFAULT_NAMES]


def value_of(cell):
    kind = cell.getType()
    if kind == FORMULA:
        if cell.getError() != 0:
            return "#ERROR%d" % cell.getError()
        # FormulaResultType2: 1 VALUE, 2 STRING
        return cell.getValue() if cell.FormulaResultType2 == 1 else cell.getString()
    if kind == VALUE:
        return cell.getValue()
    if kind == TEXT:
        return cell.getString()
    return ""


def expected_defaults(industry, server, ticked):
    sp, rc, r1, gr_vastor, gr_open, oper, outcost = INDUSTRIES[industry]
    for member in ticked:
        sp += ADJUSTMENTS[member][0]
        rc += ADJUSTMENTS[member][1]
        r1 += ADJUSTMENTS[member][2]
        outcost += ADJUSTMENTS[member][3]
    growth = gr_vastor if server == "1" else gr_open
    return [min(1.0, sp), min(1.0, rc), min(1.0, r1), growth, oper, outcost]


class WorkbookTest(unittest.TestCase):
    def setUp(self):
        self.doc = OFFICE.load(ARGS.workbook)
        self.book = Book(self.doc)

    def tearDown(self):
        self.doc.close(True)

    def assertDefaults(self, expected, context):
        actual = self.book.defaults()
        for name, want, got in zip(DEFAULT_NAMES, expected, actual):
            self.assertIsInstance(got, float, "%s %s: %r" % (context, name, got))
            # Exactly the double nearest the decimal figure: 0.4, never 0.39999999999999997.
            self.assertEqual(got, round(want, 6), "%s %s" % (context, name))

    def error_cells(self):
        """Every formula cell on every sheet whose result is an error."""
        found = []
        for sheet_name in SHEETS:
            sheet = self.doc.Sheets.getByName(sheet_name)
            errors = sheet.queryFormulaCells(FORMULA_ERROR)
            if errors.Count:
                found.append("%s: %s" % (sheet_name, errors.RangeAddressesAsString))
        return found

    def shown_errors(self):
        """Every cell on every sheet that shows an error: a formula's, or the program's ERR."""
        found = self.error_cells()
        for sheet_name in SHEETS:
            rows = self.doc.Sheets.getByName(sheet_name).getCellRangeByName("A1:L60").getDataArray()
            found += ["%s row %d: %s" % (sheet_name, r + 1, v) for r, row in enumerate(rows)
                      for v in row if v == "ERR"]
        return found


class OpeningTest(WorkbookTest):
    def test_the_office_opens_it_by_content_and_as_calc8(self):
        for props in ((), (prop("FilterName", "calc8"),)):
            doc = OFFICE.load(ARGS.workbook, *props)
            try:
                self.assertTrue(doc.supportsService("com.sun.star.sheet.SpreadsheetDocument"))
                self.assertEqual(list(doc.Sheets.ElementNames), SHEETS)
            finally:
                doc.close(True)

    def test_every_range_the_program_uses_is_one_cell_of_the_workbook(self):
        names = self.doc.NamedRanges
        for name in INPUT_NAMES + DEFAULT_NAMES:
            self.assertTrue(names.hasByName(name), name)
            area = names.getByName(name).getReferredCells().RangeAddress
            self.assertEqual((area.StartColumn, area.StartRow), (area.EndColumn, area.EndRow),
                             name)
            sheet = self.doc.Sheets.getByIndex(area.Sheet).Name
            self.assertEqual(sheet, "Inputs" if name in INPUT_NAMES else "Defaults", name)
        self.assertTrue(self.doc.Sheets.hasByName("Y"))

    def test_the_stored_results_are_those_of_a_full_recalculation(self):
        def everything():
            return [self.doc.Sheets.getByName(name).getCellRangeByName("A1:L60").getDataArray()
                    for name in SHEETS]

        stored = everything()
        self.doc.calculateAll()
        self.assertEqual(everything(), stored)

    def test_no_cell_shows_an_error_before_any_answer_or_after_valid_ones(self):
        self.assertEqual(self.shown_errors(), [])
        self.assertEqual(self.book.get("DL_DEF_SP"), "")  # blank until page 1 is answered
        self.book.put("DL", "1")
        self.book.answer_page1("4", ticked=[2])
        for name, text in (("DLQ3", "800"), ("DLQ4", "1"), ("DLQ8", "2"), ("DLQ10", "0")):
            self.book.put(name, text)
        self.assertEqual(self.shown_errors(), [])

    def test_the_overview_has_its_capacity_chart(self):
        charts = self.doc.Sheets.getByName("TOC Overview").Charts
        self.assertEqual(charts.Count, 1)
        ranges = charts.getByIndex(0).getRanges()
        self.assertEqual([(r.StartColumn, r.StartRow, r.EndColumn, r.EndRow) for r in ranges],
                         [(0, 19, 2, 23)])  # A20:C24, the years and two capacity columns


class DefaultsTest(WorkbookTest):
    def test_each_industry_alone_gives_its_own_defaults(self):
        for industry in INDUSTRIES:
            self.book.answer_page1(industry)
            self.assertDefaults(expected_defaults(industry, "", []), "industry " + industry)

    def test_each_business_type_adds_its_adjustment(self):
        for member in range(6):
            self.book.answer_page1("3", ticked=[member])
            self.assertDefaults(expected_defaults("3", "", [member]), "type %d" % member)
        self.book.answer_page1("1", ticked=range(6))
        self.assertDefaults(expected_defaults("1", "", range(6)), "all six")

    def test_a_share_never_exceeds_one(self):
        # No industry reaches 100% with the shipped figures; a bigger adjustment must stop there.
        self.book.put("Y:E13", "90%")
        self.book.answer_page1("6", ticked=[0])
        self.assertEqual(self.book.get("DL_DEF_SP"), 1.0)

    def test_growth_follows_the_server_type_and_open_is_assumed_before_a_choice(self):
        for industry, row in INDUSTRIES.items():
            self.book.answer_page1(industry, ticked=[1])
            self.book.put("DLQ4", "")
            self.assertEqual(self.book.get("DL_DEF_GR"), row[4], industry + " none")
            self.book.put("DLQ4", "1")
            self.assertEqual(self.book.get("DL_DEF_GR"), row[3], industry + " Vastor")
            self.book.put("DLQ4", "2")
            self.assertEqual(self.book.get("DL_DEF_GR"), row[4], industry + " Open")

    def test_growth_of_manufacturing_on_vastor_is_an_exact_rounding_tie(self):
        self.book.answer_page1("2", ticked=[0])
        self.book.put("DLQ4", "1")
        growth = self.book.get("DL_DEF_GR")
        self.assertEqual(growth * 100, 12.5)
        self.assertEqual(round_half_even(growth * 100), 12)

    def test_shown_whole_percentages_of_a_typical_answer(self):
        # Finance with ERP, as the pages show them (x100, halves to even).
        self.book.answer_page1("1", ticked=[1])
        sp, rc, r1, gr, oper, outcost = self.book.defaults()
        self.assertEqual([round_half_even(v * 100) for v in (sp, rc, r1, gr)], [35, 40, 55, 30])
        self.assertEqual((round_half_even(oper), round_half_even(outcost)), (1, 115000))

    def test_an_industry_that_is_not_one_of_the_seven_gives_ERR(self):
        for code in ("", "7", "ab", "0", "-1", "p", "1.5"):
            self.book.answer_page1(code, ticked=[1])
            sp, *others = self.book.defaults()
            self.assertEqual(sp, "ERR", repr(code))
            self.assertEqual(others, [0.0] * 5, repr(code))
        self.book.put("DLQ1", "4")
        self.assertAlmostEqual(self.book.get("DL_DEF_SP"), 0.30, places=12)

    def test_answers_written_as_text_count_like_typed_ones(self):
        self.book.put_text("DLQ1", "1")
        for member, cell in enumerate(BUSINESS_CELLS):
            self.book.put_text("Y:" + cell, "2" if member == 1 else "0")
        self.book.put_text("DLQ4", "1")
        self.assertDefaults(expected_defaults("1", "1", [1]), "as text")
        self.book.put_text("DLQ1", " 99 ")
        self.assertDefaults(expected_defaults("99", "1", [1]), "as text with blanks")


class OverviewTest(WorkbookTest):
    def toc(self, address):
        return self.book.get("TOC Overview:" + address)

    def test_a_full_run_is_summarised_with_the_answers(self):
        book = self.book
        book.put("DL", "1")
        book.answer_page1("1", ticked=[1])
        for name, text in (("DLQ3", "1000"), ("DLQ4", "2"), ("DLQ5", "20%"), ("DLQ6", "10%"),
                           ("DLQ7", "50%"), ("DLQ8", "4"), ("DLQ9", "10%"), ("DLQ10", "1")):
            book.put(name, text)
        book.put_number("DLQ11", 5000)  # page 1 writes the rounded default as a number

        self.assertEqual(self.toc("B4"), "Test company")
        self.assertEqual(self.toc("B5"), "1 - Finance")
        self.assertEqual(self.toc("B6"), "ERP")
        self.assertEqual(self.toc("B7"), "2 - Open")
        capacity = [self.toc("B%d" % row) for row in range(21, 25)]
        for got, want in zip(capacity, [1000, 1100, 1210, 1331]):
            self.assertAlmostEqual(got, want, places=9)
        # Raw = capacity + RAID1 mirror (50%) + remote copy (10%).
        self.assertAlmostEqual(self.toc("C24"), 1331 * 1.6, places=9)
        primary, premium, mirror, remote = 1331 * 3, 1331 * 0.2 * 4, 1331 * 0.5 * 3, 1331 * 0.1 * 4
        servers, management = 4 * 1500, (1100 + 1210 + 1331) * 0.5
        downtime = 3 * 2 * 5000  # continuous operation: 2 hours a year
        self.assertAlmostEqual(
            self.toc("D37"),
            primary + premium + mirror + remote + servers + management + downtime, places=6)
        self.assertEqual(self.error_cells(), [])

    def test_empty_answers_fall_back_to_the_defaults(self):
        self.book.answer_page1("2", ticked=[0])
        self.book.put("DLQ3", "500")
        self.assertAlmostEqual(self.toc("D11"), 0.25, places=12)   # SP 15% + e-Commerce 10%
        self.assertAlmostEqual(self.toc("D15"), 0.15, places=12)   # growth, Open assumed
        self.assertEqual(self.toc("D16"), 0.0)                     # not required
        self.assertEqual(self.toc("B36"), 16.0)                    # outage hours otherwise
        self.assertEqual(self.toc("D17"), 45000.0)                 # 20000 + 25000
        self.book.put_text("DLQ0", "   ")
        self.assertEqual(self.toc("B4"), "(not answered)")
        self.assertEqual(self.error_cells(), [])

    def test_an_unknown_industry_still_gives_a_readable_overview(self):
        self.book.answer_page1("ab", ticked=[0])
        self.book.put("DLQ3", "abc")
        self.assertEqual(self.toc("B5"), "(unknown code ab)")
        self.assertEqual(self.toc("D10"), 0.0)
        self.assertEqual(self.toc("D37"), 0.0)
        self.assertEqual(self.error_cells(), [])


class ReportTest(WorkbookTest):
    def shown(self, sheet, address):
        cells = self.doc.Sheets.getByName(sheet).getCellRangeByName(address)
        area = cells.RangeAddress
        return [[cells.getCellByPosition(c, r).getString()
                 for c in range(area.EndColumn - area.StartColumn + 1)]
                for r in range(area.EndRow - area.StartRow + 1)]

    def report(self, name, sheet="Report"):
        """What the cells of an RPT_ name show, on Report or at the same cells of another sheet."""
        return self.shown(sheet, REPORT_RANGES[name].replace("$Report.", "").replace("$", ""))

    def press(self, listener=None):
        """What a click on the overview's button does: dispatch its URL through the frame; with a
        listener as a program does it, to be told how it went."""
        forms = self.doc.Sheets.getByName("TOC Overview").DrawPage.Forms
        button = forms.getByIndex(0).getByIndex(0)
        url = uno.createUnoStruct("com.sun.star.util.URL")
        url.Complete = button.TargetURL
        _, url = OFFICE.ctx.ServiceManager.createInstanceWithContext(
            "com.sun.star.util.URLTransformer", OFFICE.ctx).parseStrict(url)
        flag = lambda name: uno.getConstantByName("com.sun.star.frame.FrameSearchFlag." + name)
        frame = self.doc.CurrentController.Frame
        dispatch = frame.queryDispatch(url, button.TargetFrame,
                                       flag("SELF") | flag("PARENT") | flag("SIBLINGS"))
        self.assertIsNotNone(dispatch, "nothing handles " + button.TargetURL)
        if listener:
            dispatch.dispatchWithNotification(url, (), listener)
        else:
            dispatch.dispatch(url, (prop("Referer", self.doc.URL),))

    def test_the_workbook_opens_without_a_macro_question_and_an_empty_report(self):
        # Opened as a user's office opens it, a workbook that counted as containing macros would
        # ask first (and loadComponentFromURL would wait behind the question).
        recorder = Recorder()
        mode = uno.getConstantByName("com.sun.star.document.MacroExecMode.USE_CONFIG")
        doc = OFFICE.load(ARGS.workbook, prop("MacroExecutionMode", mode),
                          prop("InteractionHandler", recorder))
        doc.close(True)
        self.assertEqual(recorder.requests, 0)
        buttons = []
        for sheet in self.doc.Sheets:
            forms = sheet.DrawPage.Forms
            for form in (forms.getByIndex(i) for i in range(forms.Count)):
                for index in range(form.Count):
                    self.assertEqual(form.getScriptEvents(index), (), sheet.Name)
                    buttons.append((sheet.Name, form.getByIndex(index)))
        self.assertEqual(len(buttons), 1)
        sheet, button = buttons[0]
        self.assertEqual((sheet, button.Label, button.ButtonType),
                         ("TOC Overview", "Copy Summary Data to Report Worksheet", URL_BUTTON))
        self.assertTrue(button.TargetURL.startswith("vnd.dravik.lumo:"), button.TargetURL)

        names = self.doc.NamedRanges
        for name, content in REPORT_RANGES.items():
            self.assertEqual(names.getByName(name).Content, content, name)
            self.assertTrue(all(text == "" for row in self.report(name) for text in row), name)
        for address in REPORT_HEADINGS:
            self.assertEqual(self.shown("Report", address), self.shown("TOC Overview", address))

    def test_the_button_copies_what_the_overview_shows_as_values(self):
        if not ARGS.extension:
            self.skipTest("no --extension given")
        book = self.book
        book.put("DL", "1")
        book.answer_page1("1", ticked=[0, 1])
        for name, text in (("DLQ3", "12500"), ("DLQ4", "1"), ("DLQ5", "35%"), ("DLQ6", "12.5%"),
                           ("DLQ7", ""), ("DLQ8", "4"), ("DLQ9", "10%"), ("DLQ10", "1")):
            book.put(name, text)
        book.put_number("DLQ11", 140000)
        before = datetime.datetime.now().replace(second=0, microsecond=0)
        never = self.shown("Report", "A1:H40")
        self.press()
        # Undo takes the first press back too, into the empty cells it filled.
        self.doc.UndoManager.undo()
        self.assertEqual(self.shown("Report", "A1:H40"), never)
        self.press()

        copied = [name for name in REPORT_RANGES if name != "RPT_COPIED"]
        for name in copied:
            self.assertEqual(self.report(name), self.report(name, "TOC Overview"), name)
        self.assertEqual(self.report("RPT_CUSTOMER"), [["Test company"]])
        report = self.doc.Sheets.getByName("Report")
        formula = uno.getConstantByName("com.sun.star.sheet.CellFlags.FORMULA")
        self.assertEqual(report.queryContentCells(formula).Count, 0)
        stamp = self.doc.NamedRanges.getByName("RPT_COPIED").getReferredCells()
        self.assertEqual(stamp.getCellByPosition(0, 0).getType(), VALUE)
        shown = stamp.getCellByPosition(0, 0).getString()
        self.assertRegex(shown, r"^\d{4}-\d\d-\d\d \d\d:\d\d$")
        when = datetime.datetime.strptime(shown, "%Y-%m-%d %H:%M")
        self.assertTrue(before <= when <= datetime.datetime.now(), shown)

        def everything_but_the_stamp():
            sheet = self.shown("Report", "A1:H40")
            sheet[2][1] = None
            return sheet

        first = everything_but_the_stamp()
        self.press()
        self.assertEqual(everything_but_the_stamp(), first)

        # A snapshot: a changed answer reaches Report only with the next press.
        book.put("DLQ3", "20000")
        self.assertEqual(everything_but_the_stamp(), first)
        self.press()
        for name in copied:
            self.assertEqual(self.report(name), self.report(name, "TOC Overview"), name)
        self.assertNotEqual(self.report("RPT_TOTAL"), first[36][3:4])
        # One Undo takes one press back, whole.
        self.doc.UndoManager.undo()
        self.assertEqual(everything_but_the_stamp(), first)


    def stamp(self):
        return self.doc.NamedRanges.getByName("RPT_COPIED").getReferredCells().getValue()

    def test_errors_stay_errors_and_every_copy_has_a_later_stamp(self):
        if not ARGS.extension:
            self.skipTest("no --extension given")
        self.book.answer_page1("1")
        self.book.put("DLQ3", "1E200")
        self.book.put("DLQ9", "1E200")
        total = self.doc.Sheets.getByName("TOC Overview").getCellRangeByName("D37")
        self.assertNotEqual(total.getError(), 0)
        stamps = []
        for _ in range(3):
            self.press()
            stamps.append(self.stamp())
        # Within one second, and each later than the one before.
        self.assertTrue(stamps[0] < stamps[1] < stamps[2], stamps)
        copied = self.doc.NamedRanges.getByName("RPT_TOTAL").getReferredCells()
        self.assertEqual((copied.getError(), copied.getString()),
                         (total.getError(), total.getString()))

    def test_report_is_found_by_its_names_and_a_missing_one_is_said(self):
        if not ARGS.extension:
            self.skipTest("no --extension given")

        class Outcome(unohelper.Base, XDispatchResultListener):
            def dispatchFinished(self, event):
                self.state, self.text = event.State, event.Result

            def disposing(self, source):
                pass

        self.book.answer_page1("1")
        self.doc.Sheets.getByName("Report").Name = "Rapport"
        outcome = Outcome()
        self.press(outcome)
        self.assertEqual(outcome.state, DISPATCH_SUCCESS)
        self.assertEqual(self.report("RPT_CUSTOMER", "Rapport"), [["Test company"]])
        for damage, said in ((lambda: self.doc.NamedRanges.removeByName("RPT_TOTAL"),
                              "its name RPT_TOTAL is missing"),
                             (lambda: self.doc.Sheets.removeByName("Rapport"), "deleted")):
            damage()
            before = self.stamp()
            self.press(outcome)
            self.assertEqual(outcome.state, DISPATCH_FAILURE)
            self.assertIn(said, outcome.text)
            self.assertIn("program folder has it", outcome.text)
            self.assertEqual(self.stamp(), before)


def print_defaults():
    """The defaults per industry, read from the real workbook, for people writing tests."""
    doc = OFFICE.load(ARGS.workbook)
    try:
        book = Book(doc)
        print("industry, business types, server: SP RC R1 GR OPER OUTCOST")
        for industry in INDUSTRIES:
            for ticked, label in (([], "none"), ([1], "2 - ERP")):
                book.answer_page1(industry, ticked)
                for server in ("2", "1"):
                    book.put("DLQ4", server)
                    print("%-3s %-8s %s: %s" % (industry, label, server,
                                                 " ".join("%r" % v for v in book.defaults())))
    finally:
        doc.close(True)


def main():
    global ARGS, OFFICE
    parser = argparse.ArgumentParser()
    parser.add_argument("--workbook", required=True)
    parser.add_argument("--soffice", default="/usr/bin/soffice")
    parser.add_argument("--profile", required=True)
    parser.add_argument("--extension", help="the office extension behind the report button")
    parser.add_argument("--print-defaults", action="store_true")
    ARGS, rest = parser.parse_known_args()
    if not os.path.isfile(ARGS.workbook):
        print("no workbook at " + ARGS.workbook, file=sys.stderr)
        return 1
    # Work on a copy: the office locks what it opens, and the tests must not touch the build.
    scratch = tempfile.mkdtemp(prefix="dravik-wbcheck-")
    try:
        copy = os.path.join(scratch, os.path.basename(ARGS.workbook))
        shutil.copyfile(ARGS.workbook, copy)
        ARGS.workbook = copy
        OFFICE = Office(ARGS.soffice, os.path.abspath(ARGS.profile))
        try:
            if ARGS.extension:
                OFFICE.register(ARGS.extension)
            if ARGS.print_defaults:
                print_defaults()
                return 0
            program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
            return 0 if program.result.wasSuccessful() else 1
        finally:
            OFFICE.stop()
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
