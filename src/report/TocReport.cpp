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

int MakeTocReport(wb::ReportOffice& office, MessageBoxes& msg, const Clock& clock,
                  const TocReportRequest& request) {
    const bool pdf = !request.pdfPath.isEmpty();
    const QDir folder(request.programFolder);
    const QString templatePath = folder.filePath(kReportTemplateName);
    const auto failure = [&request](int number, Stage stage) {
        return FailureText(number, stage, request.programFolder, request.timeLimit,
                           request.pdfPath);
    };

    // Before anything is opened: a target that is refused, or no template.
    if (const QString refused =
            pdf ? RefusedPdfTarget(request.pdfPath, request.programFolder) : QString();
        !refused.isEmpty()) {
        msg.MsgBox(refused, kStyleCritical);
        return 1;
    }
    if (!QFileInfo(templatePath).isFile()) {
        msg.MsgBox(failure(wb::kErrFileNotFound, Stage::Making), kStyleCritical);
        return 1;
    }

    // Every office call, from the connection to the last close, within the time limit.
    BoundedReportOffice bounded(office, request.timeLimit);
    Stage stage = Stage::Opening;
    std::shared_ptr<wb::ShownWorkbook> book;
    std::shared_ptr<wb::TextDocument> doc;
    Said said{QString(), kStyleCritical};
    try {
        // For a PDF only, nothing shows: a workbook the office does not have open is read
        // hidden and closed again.
        book = bounded.TakeWorkbook(folder.filePath(WorkbookFileName()), pdf);
        stage = Stage::Reading;
        CheckReportSheet(*book, request.programFolder);
        const ReportData data = ReadReport(*book);
        // Never copied: the user presses the button on the overview, if it is still there under
        // its name.
        if (NeverCopied(data) && !pdf) {
            try {
                book->TurnTo(QStringLiteral("TOC Overview"));
            } catch (const wb::AutomationError& e) {
                if (e.number() != wb::kErrUndefinedName) {
                    throw;
                }
            }
        }
        CheckFigures(data);

        stage = Stage::Making;
        doc = bounded.NewFromTemplate(templatePath, pdf);
        FillReport(*doc, data, clock.Now().date());
        QByteArray pdfData;
        if (pdf) {
            stage = Stage::Writing;
            pdfData = doc->ExportPdf();
            doc->Close();
        } else {
            doc->Show();
        }
        book->Release();
        bounded.Release();
        // Written only now, whole, when the office has nothing left to do.
        if (pdf && !WritePdf(request.pdfPath, pdfData)) {
            msg.MsgBox(CannotWritePdfText(request.pdfPath), kStyleCritical);
            return 1;
        }
        return 0;
    } catch (const Said& e) {
        said = e;
    } catch (const wb::AutomationError& e) {
        said.text = failure(e.number(), stage);
    } catch (const std::exception&) {  // a runtime error of the office's library
        said.text = failure(wb::kErrGeneral, stage);
    }

    // A half-made report is of no use to anyone.
    if (doc) {
        doc->Close();
    }
    if (book) {
        book->Release();
    }
    bounded.Release();
    msg.MsgBox(said.text, said.style);
    return 1;
}
