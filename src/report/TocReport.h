#pragma once
// The TOC report: the workbook's sheet "Report" poured into a new document made from the report
// template, opened for the user or written as PDF.

#include <QString>

#include <chrono>

class Clock;
class MessageBoxes;
namespace wb {
class ReportOffice;
}

// The template beside the programs, built from assets/Dravik-Lumo-Report.fodt.
inline const QString kReportTemplateName = QStringLiteral("Dravik-Lumo-Report.ott");

// How long one report may take the office; a frozen office is given up after it.
inline constexpr std::chrono::seconds kReportTimeLimit{60};

struct TocReportRequest {
    QString programFolder;  // the workbook (when none is open) and the template lie here
    QString pdfPath;        // empty: the report opens for the user; "-": standard output
    std::chrono::milliseconds timeLimit = kReportTimeLimit;  // for every office call together
};

// Makes the report and gives the program's exit status, 0 when the report was made. Every failure
// is one message (title "Dravik Lumo") and leaves nothing half made: no document open, no file
// written.
int MakeTocReport(wb::ReportOffice& office, MessageBoxes& msg, const Clock& clock,
                  const TocReportRequest& request);
