#include "report/ReportContent.h"

#include "entry/Questions.h"
#include "report/ReportTarget.h"
#include "report/TocReport.h"
#include "shell/AppIdentity.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>

#include <vector>

namespace {

// The names of the sheet "Report": when the overview was copied there, and what.
const QString kCopied = QStringLiteral("RPT_COPIED");
const QString kCustomer = QStringLiteral("RPT_CUSTOMER");
const QString kIndustry = QStringLiteral("RPT_INDUSTRY");
const QString kBusiness = QStringLiteral("RPT_BUSINESS");
const QString kServer = QStringLiteral("RPT_SERVER");
const QString kAnswers = QStringLiteral("RPT_ANSWERS");
const QString kCapacity = QStringLiteral("RPT_CAPACITY");
const QString kCosts = QStringLiteral("RPT_COSTS");
const QString kTotal = QStringLiteral("RPT_TOTAL");

// A copy made by the button while the report reads is met by reading again, this often.
constexpr int kReReads = 3;

// A range of the expected size (rows 0: any number of rows), its texts cleaned; any other size
// is a workbook of another version.
wb::ShownTable Table(wb::ShownTable table, const QString& name, size_t rows, size_t columns) {
    bool fits = rows == 0 || table.size() == rows;
    for (std::vector<wb::ShownCell>& row : table) {
        fits = fits && row.size() == columns;
        for (wb::ShownCell& cell : row) {
            cell.text = Printable(cell.text);
        }
    }
    if (!fits) {
        throw wb::AutomationError(wb::kErrUndefinedName,
                                  name.toStdString() + " is not the range this report reads");
    }
    return table;
}

wb::ShownCell Single(wb::ShownTable table, const QString& name) {
    return Table(std::move(table), name, 1, 1)[0][0];
}

// The copy writes an error without a constant of its own ("Err:502") as the text it shows.
bool ShowsError(const wb::ShownCell& cell) {
    static const QRegularExpression errorText(QStringLiteral("^Err:\\d{3}$"));
    return cell.error || (!cell.number && errorText.match(cell.text).hasMatch());
}

// The items whose figures show an error, as the report names them.
QStringList ErrorItems(const ReportData& d) {
    QStringList items;
    const auto single = [&](const wb::ShownCell& cell, const char* item) {
        if (ShowsError(cell)) {
            items << QString::fromLatin1(item);
        }
    };
    const auto table = [&](const wb::ShownTable& rows, std::initializer_list<const char*> heads) {
        const std::vector<const char*> headings(heads);
        for (const std::vector<wb::ShownCell>& row : rows) {
            for (size_t c = 0; c < row.size(); ++c) {
                if (ShowsError(row[c])) {
                    const QString label = ShowsError(row[0]) ? QString() : row[0].text.trimmed();
                    items << (label.isEmpty()
                                  ? QString::fromLatin1(headings[c])
                                  : label + QStringLiteral(" (") +
                                        QString::fromLatin1(headings[c]) + QLatin1Char(')'));
                }
            }
        }
    };
    single(d.customer, "Customer");
    single(d.industry, "Industry");
    single(d.business, "Business types");
    single(d.server, "Server type");
    table(d.answers, {"Answer", "Entered", "Default", "Used"});
    table(d.capacity,
          {"Year", "Capacity", "Raw incl. copies", "Super Perf.", "Remote Copy", "RAID1 mirror"});
    table(d.costs, {"Item", "Assumed", "Unit", "3-year cost"});
    single(d.total, "Total cost of ownership, 3 years");
    return items;
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
// A text the workbook shows for an answer from a list, a coded text ("2 - Manufacturing") or a
// bare code ("1"), as the description the program's list gives that code; any other text (the
// workbook's "(not answered)") as it is.
QString Worded(const entry::Question& question, const QString& shown, const entry::Entry* stored) {
    const QString code = entry::CodeOf(shown.trimmed());
    const QString description = entry::DescriptionOf(question, code);
    if (!description.isEmpty()) {
        return description;
    }
    // A code the list lacks ("5" of a stored "5 - Maybe"): the whole text the record holds.
    if (stored && !code.isEmpty() && entry::CodeOf((*stored)[question]).trimmed() == code) {
        return (*stored)[question];
    }
    return shown;
}

// The workbook keeps codes, as the program writes them; the customer reads the descriptions. A
// row of the answers is a list's when its label begins with the list question's caption
// ("Continuous operation (1 = required)"): its label loses the key to the codes.
void InCustomersWords(ReportData& d, const entry::Entry* stored) {
    d.industry.text = Worded(entry::kIndustry, d.industry.text, stored);
    d.server.text = Worded(entry::kServerType, d.server.text, stored);
    for (const entry::Question& question : entry::Questions()) {
        if (question.control != entry::Control::List) {
            continue;
        }
        const QString caption = QString::fromUtf8(question.caption);
        for (std::vector<wb::ShownCell>& row : d.answers) {
            if (!row[0].text.startsWith(caption, Qt::CaseInsensitive)) {
                continue;
            }
            row[0].text.truncate(caption.size());
            for (size_t c = 1; c < row.size(); ++c) {
                row[c].text = Worded(question, row[c].text, stored);
            }
        }
    }
}

// Report read whole, and RPT_COPIED read again after the rest: as after, when it changed.
ReportData ReadOnce(wb::ShownWorkbook& book, wb::ShownCell& after) {
    std::vector<wb::ShownTable> t =
        book.ShownRanges({kCopied, kCustomer, kIndustry, kBusiness, kServer, kAnswers, kCapacity,
                          kCosts, kTotal, kCopied});
    ReportData d;
    d.copied = Single(std::move(t[0]), kCopied);
    d.customer = Single(std::move(t[1]), kCustomer);
    d.industry = Single(std::move(t[2]), kIndustry);
    d.business = Single(std::move(t[3]), kBusiness);
    d.server = Single(std::move(t[4]), kServer);
    // A row for each answer the workbook reports, however many questions there are.
    d.answers = Table(std::move(t[5]), kAnswers, 0, 4);
    d.capacity = Table(std::move(t[6]), kCapacity, 4, 6);
    d.costs = Table(std::move(t[7]), kCosts, 9, 4);
    d.total = Single(std::move(t[8]), kTotal);
    after = Single(std::move(t[9]), kCopied);
    return d;
}

}  // namespace

QString Printable(QString text) {
    for (QChar& c : text) {
        const QChar::Category kind = c.category();
        if (kind == QChar::Other_Control || kind == QChar::Separator_Line ||
            kind == QChar::Separator_Paragraph) {
            c = u' ';
        }
    }
    return text;
}

void CheckReportSheet(wb::ShownWorkbook& book, const QString& programFolder) {
    const QString fix = QStringLiteral("\r\rThe workbook ") + WorkbookFileName() +
                        QStringLiteral(" in ") + QDir::toNativeSeparators(programFolder) +
                        QStringLiteral(" has it");
    QStringList missing;
    QString sheet;
    QString strayName;
    for (const QString& name :
         {kCopied, kCustomer, kIndustry, kBusiness, kServer, kAnswers, kCapacity, kCosts, kTotal}) {
        const QString where = book.SheetOf(name);
        if (where.isEmpty()) {
            missing << name;
        } else if (sheet.isEmpty()) {
            sheet = where;
        } else if (where != sheet && strayName.isEmpty()) {
            strayName = name;
        }
    }
    if (sheet.isEmpty()) {
        throw Said{QStringLiteral("The Report worksheet is missing.") + fix};
    }
    if (!missing.isEmpty()) {
        throw Said{QStringLiteral("The Report worksheet is damaged: its name ") + missing.first() +
                   QStringLiteral(" is missing.") + fix};
    }
    if (!strayName.isEmpty()) {
        throw Said{QStringLiteral("The Report worksheet is damaged: ") + strayName +
                   QStringLiteral(" is not on the sheet of ") + kCopied + QLatin1Char('.') + fix};
    }
}

// The button may copy while the report reads (it runs in the office and never waits for the
// report), and the report would mix two copies. Every copy gives RPT_COPIED a new value, so the
// report reads it before and after the rest, and reads again when it changed.
ReportData ReadReport(wb::ShownWorkbook& book) {
    for (int pass = 0; pass <= kReReads; ++pass) {
        wb::ShownCell after;
        ReportData d = ReadOnce(book, after);
        if (after.text == d.copied.text && after.number == d.copied.number) {
            return d;
        }
    }
    throw Said{
        QStringLiteral("The Report worksheet was copied again while the report read it.\r\r"
                       "Please wait until the copying has ended, then open the report "
                       "again")};
}

void CheckFigures(const ReportData& d) {
    if (NeverCopied(d)) {
        throw Said{
            QStringLiteral("The Report worksheet is empty.\r\rPlease go on the TOC "
                           "Overview sheet and press the 'Copy Summary Data to Report "
                           "Worksheet' button, then open the report again")};
    }
    // Honest figures or none: a figure the workbook could not compute is not printed blank.
    if (const QStringList errors = ErrorItems(d); !errors.isEmpty()) {
        const QString more =
            errors.size() > 1 ? QStringLiteral(" and %1 more").arg(errors.size() - 1) : QString();
        throw Said{QStringLiteral("The TOC Overview shows an error for ") + errors.first() + more +
                   QStringLiteral(".\r\rPlease check the answers, press the 'Copy Summary "
                                  "Data to Report Worksheet' button again, then open the "
                                  "report again")};
    }
}

bool NeverCopied(const ReportData& d) {
    return d.copied.text.trimmed().isEmpty();
}

void FillReport(wb::TextDocument& doc, ReportData d, const QDate& today,
                const entry::Entry* stored) {
    InCustomersWords(d, stored);
    // A name of only spaces is no answer, as an empty one, which the overview shows so.
    const QString customer =
        d.customer.text.trimmed().isEmpty() ? QStringLiteral("(not answered)") : d.customer.text;
    doc.SetTitle(QStringLiteral("Total Cost of Ownership Report for ") + customer);

    // The title page.
    doc.SetBookmarkText(QStringLiteral("Customer"), customer);
    doc.SetBookmarkText(QStringLiteral("Industry"), d.industry.text);
    doc.SetBookmarkText(QStringLiteral("ReportDate"),
                        QLocale().toString(today, QLocale::LongFormat));
    doc.SetBookmarkText(QStringLiteral("CopiedAt"), d.copied.text);

    // The tables, as the workbook shows them.
    doc.FillTable(QStringLiteral("Profile"), 0, 1,
                  {{customer}, {d.industry.text}, {d.business.text}, {d.server.text}});
    doc.FillTable(QStringLiteral("Answers"), 1, 0, Texts(d.answers));
    doc.FillTable(QStringLiteral("Capacity"), 1, 0, Texts(d.capacity));
    doc.FillTable(QStringLiteral("Costs"), 1, 0, Texts(d.costs));
    doc.FillTable(QStringLiteral("Costs"), 10, 3, {{d.total.text}});

    // The charts take the numbers behind the texts.
    std::vector<QString> years;
    std::vector<std::vector<double>> capacities;
    for (const std::vector<wb::ShownCell>& row : d.capacity) {
        years.push_back(row[0].text);
        capacities.push_back({row[1].number.value_or(0), row[2].number.value_or(0)});
    }
    doc.SetChartData(QStringLiteral("CapacityChart"), years,
                     {QStringLiteral("Capacity"), QStringLiteral("Raw incl. copies")}, capacities,
                     1);

    // Only the items with a cost of their own; the outage hours are inputs to the downtime.
    std::vector<QString> items;
    std::vector<std::vector<double>> costs;
    for (const std::vector<wb::ShownCell>& row : d.costs) {
        if (row[3].number) {
            items.push_back(row[0].text);
            costs.push_back({*row[3].number});
        }
    }
    // Its axis shows thousands of dollars.
    doc.SetChartData(QStringLiteral("CostChart"), items, {QStringLiteral("3-year cost")}, costs,
                     1000);
}

QString FailureText(int number, Stage stage, const FailureContext& context) {
    switch (number) {
        case wb::kErrNoApplication:
            return QStringLiteral("Corla Tabb not found!\r\rPlease check the installation");
        case wb::kErrOfficeGone:
            return QStringLiteral(
                "Corla Tabb application has been closed, please start the report again");
        case wb::kErrNoAnswer:
            return QStringLiteral("Corla Tabb did not answer within ") +
                   TimeLimitText(context.timeLimit) +
                   QStringLiteral(".\r\rPlease check Corla Tabb, then start the report again");
        case wb::kErrUndefinedName:
            return QStringLiteral(
                "You are using a wrong version of the Dravik worksheet, please reinstall Dravik");
        case wb::kErrFileNotFound:
            return stage == Stage::Opening
                       ? WorkbookFileName() +
                             QStringLiteral(" not found!\r\rOpen it in Corla Tabb or put it in ") +
                             QDir::toNativeSeparators(context.programFolder)
                       : kReportTemplateName +
                             QStringLiteral(" not found!\r\rPlease reinstall Dravik Lumo");
        case wb::kErrCannotWrite:
            return CannotWritePdfText(context.pdfPath);
        default:
            return stage == Stage::Opening
                       ? WorkbookFileName() + QStringLiteral(" cannot be opened in Corla Tabb")
                       : QStringLiteral("General Error, please reinstall Dravik");
    }
}

Failure CurrentFailure(Stage stage, const FailureContext& context) {
    try {
        throw;
    } catch (const Said& said) {
        return {said.text, said.style, false};
    } catch (const wb::AutomationError& e) {
        const int number = e.number();
        return {FailureText(number, stage, context), kStyleCritical,
                number == wb::kErrOfficeGone || number == wb::kErrNoAnswer ||
                    number == wb::kErrNoApplication};
    } catch (const std::exception&) {
        return {FailureText(wb::kErrGeneral, stage, context), kStyleCritical, false};
    }
}

QString TimeLimitText(std::chrono::milliseconds limit) {
    return QStringLiteral("%1 s").arg(std::chrono::ceil<std::chrono::seconds>(limit).count());
}

QString BusyText(std::chrono::milliseconds limit) {
    return QStringLiteral("Another TOC report has kept Corla Tabb busy for more than ") +
           TimeLimitText(limit) +
           QStringLiteral(".\r\rPlease start the report again when it has ended");
}
