#include "report/TocReport.h"

#include "shell/AppIdentity.h"
#include "shell/Platform.h"
#include "workbook/Automation.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <memory>
#include <vector>

namespace {

// What the button "Copy Summary Data to Report Worksheet" leaves on the sheet "Report", read as
// the workbook shows it.
struct ReportData {
    QString copied;
    QString customer;
    QString industry;
    QString business;
    QString server;
    wb::ShownTable answers;   // answer, entered, default, used
    wb::ShownTable capacity;  // year, capacity, raw incl. copies, super perf., remote copy, RAID1
    wb::ShownTable costs;     // item, assumed, unit, 3-year cost
    QString total;
};

// How far the report got when something failed: the same number means different things.
enum class Stage { Opening, Reading, Making, Writing };

// A range of the expected size; any other is a workbook of another version.
wb::ShownTable Table(wb::ShownWorkbook& book, const QString& name, size_t rows, size_t columns) {
    wb::ShownTable table = book.ShownRange(name);
    bool fits = table.size() == rows;
    for (const std::vector<wb::ShownCell>& row : table) {
        fits = fits && row.size() == columns;
    }
    if (!fits) {
        throw wb::AutomationError(wb::kErrUndefinedName,
                                  name.toStdString() + " is not the range this report reads");
    }
    return table;
}

QString Text(wb::ShownWorkbook& book, const QString& name) {
    return Table(book, name, 1, 1)[0][0].text;
}

ReportData ReadReport(wb::ShownWorkbook& book) {
    ReportData d;
    d.copied = Text(book, QStringLiteral("RPT_COPIED"));
    d.customer = Text(book, QStringLiteral("RPT_CUSTOMER"));
    d.industry = Text(book, QStringLiteral("RPT_INDUSTRY"));
    d.business = Text(book, QStringLiteral("RPT_BUSINESS"));
    d.server = Text(book, QStringLiteral("RPT_SERVER"));
    d.answers = Table(book, QStringLiteral("RPT_ANSWERS"), 8, 4);
    d.capacity = Table(book, QStringLiteral("RPT_CAPACITY"), 4, 6);
    d.costs = Table(book, QStringLiteral("RPT_COSTS"), 9, 4);
    d.total = Text(book, QStringLiteral("RPT_TOTAL"));
    return d;
}

std::vector<std::vector<QString>> Texts(const wb::ShownTable& table) {
    std::vector<std::vector<QString>> rows;
    for (const std::vector<wb::ShownCell>& row : table) {
        std::vector<QString>& texts = rows.emplace_back();
        for (const wb::ShownCell& cell : row) {
            texts.push_back(cell.text);
        }
    }
    return rows;
}

void FillReport(wb::TextDocument& doc, const ReportData& d, const QDate& today) {
    doc.SetTitle(QStringLiteral("TOC Report ") + d.customer);

    // The title page.
    doc.SetBookmarkText(QStringLiteral("Customer"), d.customer);
    doc.SetBookmarkText(QStringLiteral("Industry"), d.industry);
    doc.SetBookmarkText(QStringLiteral("ReportDate"),
                        QLocale().toString(today, QLocale::LongFormat));
    doc.SetBookmarkText(QStringLiteral("CopiedAt"), d.copied);

    // The tables, as the workbook shows them.
    doc.FillTable(QStringLiteral("Profile"), 0, 1,
                  {{d.customer}, {d.industry}, {d.business}, {d.server}});
    doc.FillTable(QStringLiteral("Answers"), 1, 0, Texts(d.answers));
    doc.FillTable(QStringLiteral("Capacity"), 1, 0, Texts(d.capacity));
    doc.FillTable(QStringLiteral("Costs"), 1, 0, Texts(d.costs));
    doc.FillTable(QStringLiteral("Costs"), 10, 3, {{d.total}});

    // The charts take the numbers behind the texts.
    std::vector<QString> years;
    std::vector<std::vector<double>> capacities;
    for (const std::vector<wb::ShownCell>& row : d.capacity) {
        years.push_back(row[0].text);
        capacities.push_back({row[1].number.value_or(0), row[2].number.value_or(0)});
    }
    doc.SetChartData(QStringLiteral("CapacityChart"), years,
                     {QStringLiteral("Capacity"), QStringLiteral("Raw incl. copies")}, capacities);

    // Only the items with a cost of their own; the outage hours are inputs to the downtime.
    std::vector<QString> items;
    std::vector<std::vector<double>> costs;
    for (const std::vector<wb::ShownCell>& row : d.costs) {
        if (row[3].number) {
            items.push_back(row[0].text);
            costs.push_back({*row[3].number});
        }
    }
    doc.SetChartData(QStringLiteral("CostChart"), items, {QStringLiteral("3-year cost")}, costs);
}

QString FailureText(int number, Stage stage, const TocReportRequest& request) {
    switch (number) {
        case wb::kErrNoApplication:
            return QStringLiteral("Corla Tabb not found!\r\rPlease check the installation");
        case wb::kErrOfficeGone:
            return stage == Stage::Opening
                       ? QStringLiteral("Corla Tabb not found!\r\rPlease check the installation")
                       : QStringLiteral(
                             "Corla Tabb application has been closed, please start the report "
                             "again");
        case wb::kErrUndefinedName:
            return QStringLiteral(
                "You are using a wrong version of the Dravik worksheet, please reinstall Dravik");
        case wb::kErrFileNotFound:
            return stage == Stage::Opening
                       ? WorkbookFileName() +
                             QStringLiteral(" not found!\r\rOpen it in Corla Tabb or put it in ") +
                             QDir::toNativeSeparators(request.programFolder)
                       : kReportTemplateName +
                             QStringLiteral(" not found!\r\rPlease reinstall Dravik Lumo");
        case wb::kErrCannotWrite:
            return QStringLiteral("The report cannot be written to ") +
                   QDir::toNativeSeparators(request.pdfPath) +
                   QStringLiteral("\r\rPlease choose a file in a folder you can write to");
        default:
            return stage == Stage::Opening
                       ? WorkbookFileName() + QStringLiteral(" cannot be opened in Corla Tabb")
                       : QStringLiteral("General Error, please reinstall Dravik");
    }
}

}  // namespace

int MakeTocReport(wb::ReportOffice& office, MessageBoxes& msg, const Clock& clock,
                  const TocReportRequest& request) {
    const bool pdf = !request.pdfPath.isEmpty();
    const QDir folder(request.programFolder);
    const QString templatePath = folder.filePath(kReportTemplateName);

    Stage stage = Stage::Opening;
    std::shared_ptr<wb::ShownWorkbook> book;
    std::shared_ptr<wb::TextDocument> doc;
    int failure = 0;
    try {
        // A folder that is not there is not made: the name is more likely mistyped.
        if (pdf && !QFileInfo(QFileInfo(request.pdfPath).absolutePath()).isDir()) {
            stage = Stage::Writing;
            throw wb::AutomationError(wb::kErrCannotWrite, "no such folder");
        }
        if (!QFileInfo(templatePath).isFile()) {
            stage = Stage::Making;  // before anything is opened
            throw wb::AutomationError(wb::kErrFileNotFound, "no report template");
        }
        // For a PDF only, nothing shows: a workbook the office does not have open is read
        // hidden and closed again.
        book = office.TakeWorkbook(folder.filePath(WorkbookFileName()), pdf);
        stage = Stage::Reading;
        const ReportData data = ReadReport(*book);
        if (data.copied.trimmed().isEmpty()) {
            // Never copied: nothing to report. The user presses the button on the overview.
            if (!pdf) {
                book->TurnTo(QStringLiteral("TOC Overview"));
            }
            book->Release();
            office.Release();
            msg.MsgBox(QStringLiteral("The Report worksheet is empty.\r\rPlease go on the TOC "
                                      "Overview sheet and press the 'Copy Summary Data to Report "
                                      "Worksheet' button, then open the report again"),
                       kStyleExclamation);
            return 1;
        }

        stage = Stage::Making;
        doc = office.NewFromTemplate(templatePath, pdf);
        FillReport(*doc, data, clock.Now().date());
        if (pdf) {
            stage = Stage::Writing;
            doc->ExportPdf(request.pdfPath);
            doc->Close();
        } else {
            doc->Show();
        }
        book->Release();
        office.Release();
        return 0;
    } catch (const wb::AutomationError& e) {
        failure = e.number();
    } catch (const std::exception&) {  // a runtime error of the office's library
        failure = wb::kErrGeneral;
    }

    // A half-made report is of no use to anyone.
    if (doc) {
        doc->Close();
    }
    if (book) {
        book->Release();
    }
    office.Release();
    msg.MsgBox(FailureText(failure, stage, request), kStyleCritical);
    return 1;
}
