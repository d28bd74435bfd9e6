#pragma once
// What dravik-toc-report is asked to do, read from its command line.

#include "report/ReportBatch.h"
#include "shell/CommandLine.h"

#include <QString>

#include <optional>

struct ReportCommand {
    enum { Show, Pdf, List, Records } kind = Show;
    QString pdfPath;
    RecordReportsRequest records;  // the selection, the folder and the jobs
};

// The program's usage, options and description, for its command line and manual page.
ProgramUsage ReportUsage();

// The command the line asks for, paths taken from workingFolder; nothing when the line has ended
// the program (help, version or a bad argument: line.Ended() says how).
std::optional<ReportCommand> ParseReportCommand(CommandLine& line, const QString& workingFolder);
