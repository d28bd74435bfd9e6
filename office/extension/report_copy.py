# The action of the button "Copy Summary Data to Report Worksheet" on the sheet TOC Overview of
# the Dravik Lumo workbook.
#
# The button is a push button of type URL whose target is vnd.dravik.lumo:CopySummaryToReport.
# The office hands that URL to this protocol handler (ProtocolHandler.xcu), which copies the
# overview into the sheet Report as values. Nothing in the workbook is a macro, so the office's
# default macro security opens it without a warning.
#
# A program can make the same copy in a workbook it opened hidden: it dispatches the same URL on
# that document's frame (with dispatchWithNotification to learn whether it worked). Nothing is
# shown then, and nothing waits for the user.
#
# The copy never waits for anything outside the office: a click runs it on the office's main
# thread, and a TOC report waiting there for its own calls would never get them. The report
# instead reads RPT_COPIED before and after it reads the rest, and reads again when it changed;
# every copy gives RPT_COPIED a new value (the time to the millisecond, and always later than
# the one before), so that two copies within a second still tell apart.

import datetime
import os
import threading
from urllib.parse import unquote, urlparse

import uno
import unohelper
from com.sun.star.awt import XCallback
from com.sun.star.frame import (DispatchResultEvent, XDispatchProvider, XNotifyingDispatch)
from com.sun.star.frame.DispatchResultState import FAILURE, SUCCESS
from com.sun.star.lang import XInitialization, XServiceInfo
from com.sun.star.table import CellRangeAddress
from com.sun.star.table.CellContentType import VALUE

IMPLEMENTATION = "org.dravik.lumo.ReportCopy"
SERVICE = "com.sun.star.frame.ProtocolHandler"
PROTOCOL = "vnd.dravik.lumo:"
COPY_COMMAND = "CopySummaryToReport"

SOURCE_SHEET = "TOC Overview"
# Each of these ranges on Report holds the cells at the same address on TOC Overview.
COPIED_NAMES = ("RPT_CUSTOMER", "RPT_INDUSTRY", "RPT_BUSINESS", "RPT_SERVER", "RPT_ANSWERS",
                "RPT_CAPACITY", "RPT_COSTS", "RPT_TOTAL")
STAMP_NAME = "RPT_COPIED"
# The error values the office writes as constants; an overview cell showing one of them is copied
# as a formula of just that constant, so that Report shows, and is, the same error. Any other
# error ("Err:502") has no constant and is copied as the text it shows.
# What an empty overview cell clears on Report: values, dates, texts and formulas.
CONTENTS = 1 | 2 | 4 | 16
ERROR_CONSTANTS = ("#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A")
ONE_MILLISECOND = 1 / 86400000.0
MESSAGE_TITLE = "Dravik Lumo"
# Longer than a double click takes: its second click must land on the button, not on Report.
SHOW_REPORT_AFTER_SECONDS = 0.5


class ReportMissing(Exception):
    """The workbook has no Report (or no overview) to copy to; the text says what is wrong."""


def _date_serial(moment, null_date):
    """The office's number for a local date and time, to the millisecond: days since the null
    date."""
    null = datetime.datetime(null_date.Year, null_date.Month, null_date.Day)
    delta = moment - null
    return delta.days + (delta.seconds + delta.microseconds // 1000 / 1000.0) / 86400.0


def report_ranges(doc):
    """The cells of every RPT_ name, found by the names alone, so that a renamed Report works.

    Returns the ranges by name, the index of their sheet and the names themselves, or raises
    ReportMissing.
    """
    names = doc.NamedRanges
    ranges, sheet, named_ranges = {}, None, {}
    for name in (STAMP_NAME,) + COPIED_NAMES:
        if not names.hasByName(name):
            raise ReportMissing("The Report worksheet is damaged: its name %s is missing" % name)
        named = names.getByName(name)
        cells = named.getReferredCells()
        # A deleted sheet leaves its names behind, leading to #REF! (and to another sheet's cells).
        if cells is None or "#REF!" in named.getContent():
            raise ReportMissing("The Report worksheet has been deleted")
        if sheet is None:
            sheet = cells.RangeAddress.Sheet
        elif cells.RangeAddress.Sheet != sheet:
            raise ReportMissing("The Report worksheet is damaged: %s is not on the sheet of %s"
                                % (name, STAMP_NAME))
        ranges[name] = cells
        named_ranges[name] = named
    return ranges, sheet, named_ranges


def overview_sheet(doc):
    """TOC Overview, or under another name the sheet that holds this button."""
    sheets = doc.Sheets
    if sheets.hasByName(SOURCE_SHEET):
        return sheets.getByName(SOURCE_SHEET)
    for sheet in sheets:
        forms = sheet.DrawPage.Forms
        for form in (forms.getByIndex(i) for i in range(forms.Count)):
            for index in range(form.Count):
                if getattr(form.getByIndex(index), "TargetURL", "") == PROTOCOL + COPY_COMMAND:
                    return sheet
    raise ReportMissing("The TOC Overview worksheet is missing")


def copy_overview(doc, overview, ranges, undoable):
    """Copies the overview's cells at the addresses of the copied ranges into those ranges:
    numbers as numbers, texts as texts (never read as input), empty cells cleared, errors kept
    visible, and each cell's number format, so that the same text shows.

    Each cell or range object a handler asks for costs the office about two milliseconds, which
    made a press, and a report of every saved record, slow: the overview is read as one block,
    the number formats are set a whole format at a time, and a copy that need not be undoable
    writes each range whole. An undoable one writes cell by cell, since Undo does not take back
    a whole range written into empty cells.
    """
    areas = [(ranges[name], ranges[name].RangeAddress) for name in COPIED_NAMES]
    left = min(area.StartColumn for _, area in areas)
    top = min(area.StartRow for _, area in areas)
    block = overview.getCellRangeByPosition(left, top, max(area.EndColumn for _, area in areas),
                                            max(area.EndRow for _, area in areas))
    shown = block.getDataArray()
    errors = []
    for target, area in areas:
        rows = []
        for row in range(area.StartRow, area.EndRow + 1):
            cells = []
            for column in range(area.StartColumn, area.EndColumn + 1):
                value = shown[row - top][column - left]
                if value is None:  # an error value: kept visible, never a blank
                    errors.append((row, column))
                    value = ""
                cells.append(value)
            rows.append(tuple(cells))
        if not undoable:
            target.setDataArray(tuple(rows))
            continue
        for row, line in enumerate(rows):
            for column, value in enumerate(line):
                cell = target.getCellByPosition(column, row)
                if isinstance(value, float):
                    cell.setValue(value)
                elif value:
                    cell.setString(value)
                else:
                    cell.clearContents(CONTENTS)
    report = areas[0][1].Sheet
    for row, column in errors:
        text = block.getCellByPosition(column - left, row - top).getString()
        cell = doc.Sheets.getByIndex(report).getCellByPosition(column, row)
        if text in ERROR_CONSTANTS:
            cell.setFormula("=" + text)
        else:
            cell.setString(text)

    # Where the overview's cells have a number format, the same cells of Report get it.
    formats = {}
    groups = block.getUniqueCellFormatRanges()
    for index in range(groups.Count):
        group = groups.getByIndex(index)
        same = formats.setdefault(group.NumberFormat, [])
        for part in group.RangeAddresses:
            for _, area in areas:
                first = (max(part.StartColumn, area.StartColumn), max(part.StartRow, area.StartRow))
                last = (min(part.EndColumn, area.EndColumn), min(part.EndRow, area.EndRow))
                if first[0] <= last[0] and first[1] <= last[1]:
                    same.append(CellRangeAddress(report, *first, *last))
    for number_format, addresses in formats.items():
        if addresses:
            cells = doc.createInstance("com.sun.star.sheet.SheetCellRanges")
            cells.addRangeAddresses(tuple(addresses), False)
            cells.NumberFormat = number_format


class Places:
    """Where a workbook's copy goes: Report's ranges and the overview, looked up once and kept
    for the next copy in the same workbook while every name still says what it said. A program
    that makes a copy for each of many entries keeps its handler, and with it these: looking
    them up costs the office more than the copy itself."""

    def __init__(self, doc):
        self.doc = doc
        self.ranges, self.report_sheet, self.named = report_ranges(doc)
        self.overview = overview_sheet(doc)
        self.overview_name = self.overview.Name
        self.contents = {name: named.getContent() for name, named in self.named.items()}

    def still(self, doc):
        """Whether these are still the places of doc."""
        try:
            return (doc == self.doc and self.overview.Name == self.overview_name and
                    all(named.getContent() == self.contents[name]
                        for name, named in self.named.items()))
        except Exception:  # a name or the sheet is gone
            return False


def copy_summary_to_report(doc, now=None, undoable=True, places=None):
    """Copies the overview into Report: values and number formats, no formulas but errors.

    Returns the places copied to, which a next copy into the same workbook may pass again.
    Raises ReportMissing, touching nothing, when the workbook has no Report or overview to copy.
    A copy that is not undoable records nothing for Undo.
    """
    if not doc or not hasattr(doc, "Sheets") or not hasattr(doc, "NamedRanges"):
        raise ReportMissing("This is no Dravik Lumo workbook")
    if places is None or not places.still(doc):
        places = Places(doc)
    ranges, source_sheet = places.ranges, places.overview
    # With automatic calculation switched off the overview may be stale.
    doc.calculate()
    # One step for Undo, as the user sees it: one press.
    undo = doc.getUndoManager()
    if undoable:
        undo.enterUndoContext("Copy Summary Data to Report Worksheet")
    else:
        undo.lock()
    doc.lockControllers()
    try:
        copy_overview(doc, source_sheet, ranges, undoable)
        stamp = ranges[STAMP_NAME].getCellByPosition(0, 0)
        serial = _date_serial(now or datetime.datetime.now(), doc.NullDate)
        # Later than the copy before, even when the clock went back or two copies share a
        # millisecond.
        if stamp.getType() == VALUE and serial <= stamp.getValue():
            serial = stamp.getValue() + ONE_MILLISECOND
        stamp.setValue(serial)
    finally:
        doc.unlockControllers()
        if undoable:
            undo.leaveUndoContext()
        else:
            undo.unlock()
    return places


def missing_report_text(doc, what):
    """What the button says in Calc when there is no Report to copy to."""
    name = unquote(os.path.basename(urlparse(doc.URL).path)) if doc and doc.URL else ""
    workbook = "The workbook %s" % name if name else "The Dravik Lumo workbook"
    return "%s.\n\n%s in the Dravik Lumo program folder has it." % (what, workbook)


def _undoable(args):
    """False when the dispatch's arguments say Undoable = False."""
    return all(arg.Value is not False for arg in args or () if arg.Name == "Undoable")


class _ShowSheet(unohelper.Base, XCallback):
    """Turns the window to a sheet, on the office's main thread."""

    def __init__(self, handler, controller, sheet):
        self.handler, self.controller, self.sheet = handler, controller, sheet

    def notify(self, data):
        try:
            self.controller.setActiveSheet(self.sheet)
        except Exception:  # the window closed meanwhile
            pass
        finally:
            self.handler.showing = False


class ReportCopy(unohelper.Base, XInitialization, XDispatchProvider, XNotifyingDispatch,
                 XServiceInfo):
    """Protocol handler for vnd.dravik.lumo: URLs, one instance per frame."""

    def __init__(self, ctx, *args):
        self.ctx = ctx
        self.frame = None
        self.showing = False  # a press's turn to Report is still to come
        self.places = None  # of the last copy

    # XInitialization: the office passes the frame the URL is dispatched in.
    def initialize(self, args):
        if args:
            self.frame = args[0]

    # XDispatchProvider
    def queryDispatch(self, url, target_frame, search_flags):
        if url.Protocol == PROTOCOL and url.Path == COPY_COMMAND:
            return self
        return None

    def queryDispatches(self, requests):
        return tuple(self.queryDispatch(r.FeatureURL, r.FrameName, r.SearchFlags)
                     for r in requests)

    # XDispatch. A program that makes the copy in a workbook of its own, where nobody undoes,
    # passes Undoable = False: the copy is then quicker.
    def dispatch(self, url, args):
        self.press(url, _undoable(args))

    # XNotifyingDispatch: the same, telling the caller how it went (the message as Result).
    def dispatchWithNotification(self, url, args, listener):
        failure = self.press(url, _undoable(args))
        if listener:
            listener.dispatchFinished(DispatchResultEvent(self, FAILURE if failure else SUCCESS,
                                                          failure or ""))

    def addStatusListener(self, listener, url):
        pass

    def removeStatusListener(self, listener, url):
        pass

    def press(self, url, undoable=True):
        """Copies; returns what went wrong, or None."""
        if self.frame is None or url.Path != COPY_COMMAND:
            return "nothing to copy"
        window = self.frame.getContainerWindow()
        shown = window is not None and window.isVisible()
        # The second click of a double click: the first one's copy stands.
        if shown and self.showing:
            return None
        controller = self.frame.getController()
        doc = controller.getModel() if controller else None
        try:
            self.places = copy_summary_to_report(doc, undoable=undoable, places=self.places)
            report_sheet = self.places.report_sheet
        except ReportMissing as missing:
            text = missing_report_text(doc, str(missing))
            if shown:
                self.tell(window, text)
            return text
        if shown:
            # Shown where the user looks next, once the double click is over.
            self.showing = True
            callback = _ShowSheet(self, controller, doc.Sheets.getByIndex(report_sheet))
            later = self.ctx.ServiceManager.createInstanceWithContext(
                "com.sun.star.awt.AsyncCallback", self.ctx)

            def show():
                try:
                    later.addCallback(callback, None)
                except Exception:  # the office is ending
                    self.showing = False

            timer = threading.Timer(SHOW_REPORT_AFTER_SECONDS, show)
            timer.daemon = True
            timer.start()
        return None

    def tell(self, window, text):
        toolkit = self.ctx.ServiceManager.createInstanceWithContext("com.sun.star.awt.Toolkit",
                                                                    self.ctx)
        box = toolkit.createMessageBox(
            window, uno.Enum("com.sun.star.awt.MessageBoxType", "ERRORBOX"),
            uno.getConstantByName("com.sun.star.awt.MessageBoxButtons.BUTTONS_OK"),
            MESSAGE_TITLE, text)
        box.execute()

    # XServiceInfo
    def getImplementationName(self):
        return IMPLEMENTATION

    def supportsService(self, name):
        return name == SERVICE

    def getSupportedServiceNames(self):
        return (SERVICE,)


g_ImplementationHelper = unohelper.ImplementationHelper()
g_ImplementationHelper.addImplementation(ReportCopy, IMPLEMENTATION, (SERVICE,))
