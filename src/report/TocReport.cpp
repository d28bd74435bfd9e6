#include "report/TocReport.h"

#include "report/ReportContent.h"
#include "report/ReportTarget.h"
#include "shell/AppIdentity.h"
#include "shell/Platform.h"
#include "workbook/Automation.h"
#include "workbook/OfficeWorker.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

// What a report has opened in the office, and how far it got.
struct Made {
    Stage stage = Stage::Opening;
    std::shared_ptr<wb::ShownWorkbook> book;
    std::shared_ptr<wb::TextDocument> doc;
    QByteArray pdf;
};

// The report itself: the workbook read, checked and poured into a new document, which is shown
// or exported. Throws what the office or the checks throw.
void Make(BoundedReportOffice& office, const Clock& clock, const TocReportRequest& request,
          Made& made) {
    const bool pdf = !request.pdfPath.isEmpty();
    const QDir folder(request.programFolder);
    // For a PDF only, nothing shows: a workbook the office does not have open is read hidden and
    // closed again.
    made.book = office.TakeWorkbook(folder.filePath(WorkbookFileName()), pdf);
    made.stage = Stage::Reading;
    CheckReportSheet(*made.book, request.programFolder);
    const ReportData data = ReadReport(*made.book);
    // Never copied: the user presses the button on the overview, if it is still there under its
    // name.
    if (NeverCopied(data) && !pdf) {
        try {
            made.book->TurnTo(QStringLiteral("TOC Overview"));
        } catch (const wb::AutomationError& e) {
            if (e.number() != wb::kErrUndefinedName) {
                throw;
            }
        }
    }
    CheckFigures(data);

    made.stage = Stage::Making;
    made.doc = office.NewFromTemplate(folder.filePath(kReportTemplateName), pdf);
    FillReport(*made.doc, data, clock.Now().date());
    if (pdf) {
        made.stage = Stage::Writing;
        made.pdf = made.doc->ExportPdf();
        made.doc->Close();
    } else {
        made.doc->Show();
    }
    made.book->Release();
    office.Release();
}

}  // namespace

int MakeTocReport(wb::ReportOffice& office, MessageBoxes& msg, const Clock& clock,
                  const TocReportRequest& request) {
    const bool pdf = !request.pdfPath.isEmpty();
    const FailureContext context{request.programFolder, request.timeLimit, request.pdfPath};

    // Before anything is opened: a target that is refused, or no template.
    if (const QString refused =
            pdf ? RefusedPdfTarget(request.pdfPath, request.programFolder) : QString();
        !refused.isEmpty()) {
        msg.MsgBox(refused, kStyleCritical);
        return 1;
    }
    if (!QFileInfo(QDir(request.programFolder).filePath(kReportTemplateName)).isFile()) {
        msg.MsgBox(FailureText(wb::kErrFileNotFound, Stage::Making, context), kStyleCritical);
        return 1;
    }

    // Every office call, from the connection to the last close, within the time limit.
    BoundedReportOffice bounded(office, request.timeLimit);
    Made made;
    Failure failure;
    try {
        Make(bounded, clock, request, made);
        // Written only now, whole, when the office has nothing left to do.
        if (const QString failed = pdf ? WritePdf(request.pdfPath, made.pdf) : QString();
            !failed.isEmpty()) {
            msg.MsgBox(failed, kStyleCritical);
            return 1;
        }
        return 0;
    } catch (...) {
        failure = CurrentFailure(made.stage, context);
    }

    // A half-made report is of no use to anyone.
    if (made.doc) {
        made.doc->Close();
    }
    if (made.book) {
        made.book->Release();
    }
    bounded.Release();
    msg.MsgBox(failure.text, failure.style);
    return 1;
}
