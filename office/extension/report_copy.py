# The action of the button "Copy Summary Data to Report Worksheet" on the sheet TOC Overview of
# the Dravik Lumo workbook.
#
# The button is a push button of type URL whose target is vnd.dravik.lumo:CopySummaryToReport.
# The office hands that URL to this protocol handler (ProtocolHandler.xcu), which copies the
# overview into the sheet Report as values. Nothing in the workbook is a macro, so the office's
# default macro security opens it without a warning.

import datetime

import unohelper
from com.sun.star.frame import XDispatch, XDispatchProvider
from com.sun.star.lang import XInitialization, XServiceInfo

IMPLEMENTATION = "org.dravik.lumo.ReportCopy"
SERVICE = "com.sun.star.frame.ProtocolHandler"
PROTOCOL = "vnd.dravik.lumo:"
COPY_COMMAND = "CopySummaryToReport"

SOURCE_SHEET = "TOC Overview"
TARGET_SHEET = "Report"
# Each of these ranges on Report holds the cells at the same address on TOC Overview.
COPIED_NAMES = ("RPT_CUSTOMER", "RPT_INDUSTRY", "RPT_BUSINESS", "RPT_SERVER", "RPT_ANSWERS",
                "RPT_CAPACITY", "RPT_COSTS", "RPT_TOTAL")
STAMP_NAME = "RPT_COPIED"
# What an empty overview cell clears on Report: values, dates, texts and formulas.
CONTENTS = 1 | 2 | 4 | 16


def _date_serial(moment, null_date):
    """The office's number for a local date and time: days since the document's null date."""
    null = datetime.datetime(null_date.Year, null_date.Month, null_date.Day)
    delta = moment.replace(microsecond=0) - null
    return delta.days + delta.seconds / 86400.0


def copy_summary_to_report(doc, now=None):
    """Copies the overview into Report: values and number formats, no formulas.

    Returns False, touching nothing, when doc is not the workbook (no sheets or names of its own).
    """
    if not doc or not hasattr(doc, "Sheets") or not hasattr(doc, "NamedRanges"):
        return False
    sheets, names = doc.Sheets, doc.NamedRanges
    if not (sheets.hasByName(SOURCE_SHEET) and sheets.hasByName(TARGET_SHEET)):
        return False
    if not all(names.hasByName(name) for name in COPIED_NAMES + (STAMP_NAME,)):
        return False
    source_sheet = sheets.getByName(SOURCE_SHEET)
    # With automatic calculation switched off the overview may be stale.
    doc.calculate()
    # One step for Undo, as the user sees it: one press.
    undo = doc.getUndoManager()
    undo.enterUndoContext("Copy Summary Data to Report Worksheet")
    doc.lockControllers()
    try:
        for name in COPIED_NAMES:
            target = names.getByName(name).getReferredCells()
            area = target.RangeAddress
            source = source_sheet.getCellRangeByPosition(area.StartColumn, area.StartRow,
                                                         area.EndColumn, area.EndRow)
            # Cell by cell rather than setDataArray, which Undo would not take back.
            for row, line in enumerate(source.getDataArray()):
                for column, value in enumerate(line):
                    cell = target.getCellByPosition(column, row)
                    if isinstance(value, float):
                        cell.setValue(value)
                    elif value:
                        cell.setString(value)  # as text, never read as input
                    else:
                        cell.clearContents(CONTENTS)
                    # The same format shows the same text as the overview.
                    cell.NumberFormat = source.getCellByPosition(column, row).NumberFormat
        stamp = names.getByName(STAMP_NAME).getReferredCells().getCellByPosition(0, 0)
        stamp.setValue(_date_serial(now or datetime.datetime.now(), doc.NullDate))
    finally:
        doc.unlockControllers()
        undo.leaveUndoContext()
    return True


class ReportCopy(unohelper.Base, XInitialization, XDispatchProvider, XDispatch, XServiceInfo):
    """Protocol handler for vnd.dravik.lumo: URLs, one instance per frame."""

    def __init__(self, ctx, *args):
        self.ctx = ctx
        self.frame = None

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

    # XDispatch
    def dispatch(self, url, args):
        if self.frame is None or url.Path != COPY_COMMAND:
            return
        controller = self.frame.getController()
        doc = controller.getModel() if controller else None
        if copy_summary_to_report(doc):
            # Show the result where the user looks next.
            controller.setActiveSheet(doc.Sheets.getByName(TARGET_SHEET))

    def addStatusListener(self, listener, url):
        pass

    def removeStatusListener(self, listener, url):
        pass

    # XServiceInfo
    def getImplementationName(self):
        return IMPLEMENTATION

    def supportsService(self, name):
        return name == SERVICE

    def getSupportedServiceNames(self):
        return (SERVICE,)


g_ImplementationHelper = unohelper.ImplementationHelper()
g_ImplementationHelper.addImplementation(ReportCopy, IMPLEMENTATION, (SERVICE,))
