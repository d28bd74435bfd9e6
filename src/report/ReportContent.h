#pragma once
// What a TOC report reads from the workbook's sheet "Report" and how it fills the document made
// from the template: one implementation for the report of the workbook the user has open and for
// the reports of saved records.

#include "entry/Entry.h"
#include "shell/Platform.h"
#include "workbook/Automation.h"

#include <QDate>
#include <QString>

#include <chrono>

// What the button "Copy Summary Data to Report Worksheet" leaves on the sheet "Report", read as
// the workbook shows it.
struct ReportData {
    wb::ShownCell copied;
    wb::ShownCell customer;
    wb::ShownCell industry;
    wb::ShownCell business;
    wb::ShownCell server;
    wb::ShownTable answers;   // answer, entered, default, used
    wb::ShownTable capacity;  // year, capacity, raw incl. copies, super perf., remote copy, RAID1
    wb::ShownTable costs;     // item, assumed, unit, 3-year cost
    wb::ShownCell total;
};

// How far a report got when something failed: the same number means different things.
enum class Stage { Opening, Reading, Making, Writing };

// A failure the report says in words of its own (no office error behind it).
struct Said {
    QString text;
    MsgStyle style = kStyleExclamation;
};

// Control characters (a tab typed into a multi-line cell reaches Report as U+0001) would blank
// a text in the document; they become spaces, as do line and paragraph separators.
QString Printable(QString text);

// Every name of Report on one sheet, whatever that sheet is called: a Report renamed by the user
// works, a deleted one or one without its names is Said, with the workbook in programFolder that
// has it.
void CheckReportSheet(wb::ShownWorkbook& book, const QString& programFolder);

// Report read as one copy: a copy the button makes meanwhile is met by reading again, and Said
// when it goes on. Control characters in its texts become spaces.
ReportData ReadReport(wb::ShownWorkbook& book);

// Said when Report was never filled, or when a figure shows an error value: a report prints
// honest figures or none.
void CheckFigures(const ReportData& d);
bool NeverCopied(const ReportData& d);

// The document filled from Report in the customer's words: the descriptions of the program's
// lists where the workbook shows their codes. A code no list has prints as the record's own text
// where the report is of a saved record (stored).
void FillReport(wb::TextDocument& doc, ReportData d, const QDate& today,
                const entry::Entry* stored = nullptr);

// Where a report is made: what an office failure's message names.
struct FailureContext {
    QString programFolder;
    std::chrono::milliseconds timeLimit;
    QString pdfPath;  // the PDF, or the folder of a batch's PDFs
};

// The message for an office failure with the number, at the stage the report had reached.
QString FailureText(int number, Stage stage, const FailureContext& context);

// A failure as a report tells it: its message and the box's style, and whether no further report
// can be made (the office gone, not there, or not answering).
struct Failure {
    QString text;
    MsgStyle style = kStyleCritical;
    bool endsBatch = false;
};

// The failure being handled, for a catch block to call: the report's own words (Said), an office
// failure's message at the stage reached, or anything else (a runtime error of the office's
// library) as a general failure there.
Failure CurrentFailure(Stage stage, const FailureContext& context);

// "N s": a time limit as the report's messages give it.
QString TimeLimitText(std::chrono::milliseconds limit);

// The message when another report kept the office longer than the time limit.
QString BusyText(std::chrono::milliseconds limit);
