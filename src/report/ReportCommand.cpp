#include "report/ReportCommand.h"

#include "report/ReportTarget.h"

namespace {

const QString kPdf = QStringLiteral("pdf");
const QString kList = QStringLiteral("list-records");
const QString kRecords = QStringLiteral("records");
const QString kFolder = QStringLiteral("pdf-dir");
const QString kJobs = QStringLiteral("jobs");
// More offices than this only wait for the cores.
constexpr int kMostJobs = 32;

}  // namespace

ProgramUsage ReportUsage() {
    return {QStringLiteral("dravik-toc-report"),
            QStringLiteral("dravik-toc-report [--pdf FILE | --list-records |\n"
                           "                          --records all|KEY[,KEY...] --pdf-dir DIR]\n"
                           "       dravik-toc-report --records all|KEY[,KEY...] --pdf-dir DIR "
                           "--jobs N\n"
                           "       dravik-toc-report --help | --version"),
            QStringLiteral("dravik-toc-report [--pdf FILE | --list-records]\n"
                           "  or:  dravik-toc-report --records all|KEY[,KEY...] --pdf-dir DIR "
                           "[--jobs N]\n"
                           "  or:  dravik-toc-report --help | --version"),
            QStringLiteral(
                "Makes the Total Cost of Ownership report of the Dravik Lumo workbook from its\n"
                "sheet Report, opened in the word processor for you to edit, or written as PDF\n"
                "without showing anything. It also lists the saved records, of dravik.mdb or\n"
                "of the team's database, and writes the report of each record as PDF, in\n"
                "offices of its own, several at once, one line per record in record order and\n"
                "a summary. Exit status: 0 when every report was made, 1 otherwise, 2 for a\n"
                "bad argument."),
            {{{kPdf},
              QStringLiteral("FILE"),
              QStringLiteral("write the report as PDF to FILE (\"-\": standard output)")},
             {{kList}, {}, QStringLiteral("list the saved records: key, company, industry, date")},
             {{kRecords},
              QStringLiteral("all|KEY[,KEY...]"),
              QStringLiteral("write the report of every saved record, or of those keys")},
             {{kFolder},
              QStringLiteral("DIR"),
              QStringLiteral("the folder for those reports (its last part is made)")},
             {{kJobs},
              QStringLiteral("N"),
              QStringLiteral("make N reports at once (default: the cores, at most 4)")}}};
}

std::optional<ReportCommand> ParseReportCommand(CommandLine& line, const QString& workingFolder) {
    if (line.Ended()) {
        return std::nullopt;
    }
    const auto refuse = [&line](const QString& what) -> std::optional<ReportCommand> {
        line.Refuse(what);
        return std::nullopt;
    };
    ReportCommand command;
    const bool records = line.IsSet(kRecords);
    const bool folder = line.IsSet(kFolder);
    const bool jobs = line.IsSet(kJobs);
    if (line.IsSet(kPdf)) {
        if (line.IsSet(kList) || records || folder || jobs) {
            return refuse(QStringLiteral("--pdf goes alone"));
        }
        command.kind = ReportCommand::Pdf;
        command.pdfPath = PdfTargetPath(line.Value(kPdf), workingFolder);
        if (command.pdfPath.isEmpty()) {
            return refuse(QStringLiteral("--pdf: '%1' names no file").arg(line.Value(kPdf)));
        }
        return command;
    }
    if (line.IsSet(kList)) {
        if (records || folder || jobs) {
            return refuse(QStringLiteral("--list-records goes alone"));
        }
        command.kind = ReportCommand::List;
        return command;
    }
    if (!records && !folder && !jobs) {
        return command;
    }
    if (!records) {
        return refuse((folder ? QStringLiteral("--pdf-dir") : QStringLiteral("--jobs")) +
                      QStringLiteral(" needs --records"));
    }
    if (!folder) {
        return refuse(QStringLiteral("--records needs --pdf-dir"));
    }
    const std::optional<RecordSelection> selection = ParseRecordSelection(line.Value(kRecords));
    if (!selection) {
        // The first part that is no key, where a list has one.
        QString bad = line.Value(kRecords);
        for (const QString& part : bad.split(QLatin1Char(','))) {
            if (!ParseRecordSelection(part) || part == u"all") {
                bad = part;
                break;
            }
        }
        return refuse(QStringLiteral("--records: '%1' is not a record key").arg(bad));
    }
    const QString pdfFolder = PdfTargetPath(line.Value(kFolder), workingFolder);
    if (pdfFolder.isEmpty() || pdfFolder == kStandardOutput) {
        return refuse(QStringLiteral("--pdf-dir: '%1' is not a folder").arg(line.Value(kFolder)));
    }
    int count = DefaultJobs();
    if (jobs) {
        bool number = false;
        count = line.Value(kJobs).toInt(&number);
        if (!number || count < 1 || count > kMostJobs ||
            line.Value(kJobs) != QString::number(count)) {
            return refuse(QStringLiteral("--jobs: '%1' is not a number of offices from 1 to %2")
                              .arg(line.Value(kJobs))
                              .arg(kMostJobs));
        }
    }
    command.kind = ReportCommand::Records;
    command.records.pdfFolder = pdfFolder;
    command.records.records = *selection;
    command.records.jobs = count;
    return command;
}
