#pragma once
// A real headless office for tests and benchmarks, on a private profile in a temporary folder
// and a pipe of its own, so that it never meets the user's office or another test's.
//
//   CalcOffice office;                                   // started and answering, or throws
//   std::unique_ptr<wb::System> sys = office.System();   // the backend, pointed at this office
//   office.MakeWorkbook(path);                           // a workbook with the program's ranges
//   office.Kill();                                       // the office goes away, as in a crash
//
// The destructor ends the office (terminate, then kill if it hangs) and removes the profile.
// One office takes several seconds to start: share one per test executable.

#include "workbook/Automation.h"
#include "workbook/calc/CalcBackend.h"

#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>
#include <memory>

namespace dravik_uno {
class OfficeConnection;
}

class CalcOffice {
public:
    // Headless, or on the X display given (":5"), with windows and dialogs as a user sees them;
    // on a pipe of its own, or on the one given (the pipe of a user's office).
    explicit CalcOffice(const QString& display = QString(), const QString& pipeName = QString());
    ~CalcOffice();
    CalcOffice(const CalcOffice&) = delete;
    CalcOffice& operator=(const CalcOffice&) = delete;

    // Backend options that reach this office (never start another one).
    CalcOptions Options() const;
    std::unique_ptr<wb::System> System() const;

    // Ends the office's processes at once, without letting it close anything.
    void Kill();
    // Stops the office's processes (SIGSTOP), as a frozen office, or lets them go on.
    void Pause(bool stopped);
    bool Running() const;

    // A folder for the test's files, removed with the office.
    QString TempDir() const { return files_.path(); }

    // Saves at path (an OpenDocument spreadsheet whatever the extension) a workbook with what the
    // program uses: sheets "Y" and "TOC Overview" (and "Data", shown first); the ranges "DL",
    // "DLQ0" to "DLQ11" on "Data"; and the six defaults computed from what is written:
    //   DL_DEF_SP = DLQ1/8, DL_DEF_RC = Y.F8/100, DL_DEF_R1 = DLQ5/2, DL_DEF_GR = 0.1,
    //   DL_DEF_OPER = IF(Y.E8="1";1;0), DL_DEF_OUTCOST = DLQ11*2.
    // Without withDL the range "DL" is left out.
    void MakeWorkbook(const QString& path, bool withDL = true);

    // The workbook at path loaded hidden, as the backend's document: no window shows it.
    std::shared_ptr<wb::Document> OpenHidden(const QString& path);

    // Probes of a document the office has open (by its file path), over the support's own
    // connection. Each fails the calling test through an exception when the document is not open.
    QString ActiveSheet(const QString& path);
    // "EMPTY", "VALUE", "TEXT" or "FORMULA" for a range name or a "Sheet.A1" address.
    QString CellKind(const QString& path, const QString& cell);
    // Enters input into a cell as a user typing it would ("=1/0" is a formula), for a range name
    // or a "Sheet.A1" address.
    void Enter(const QString& path, const QString& cell, const QString& input);
    // The text a cell shows in its number format, for a range name or a "Sheet.A1" address.
    QString ShownText(const QString& path, const QString& cell);
    // What the overview's button "Copy Summary Data to Report Worksheet" does: the cells of
    // "TOC Overview" at the addresses of the RPT_ ranges go into those ranges on "Report" as
    // values with their number formats, and the time into RPT_COPIED.
    void CopyOverviewToReport(const QString& path);
    // A click on the overview's button "Copy Summary Data to Report Worksheet": its URL
    // dispatched through the document's window; fails when nothing handles it.
    void PressReportButton(const QString& path);
    // The windows (frames) the office shows.
    int FrameCount();
    // The documents the office has open, shown or hidden.
    int DocumentCount();
    // Closes the document as the user closing its window would.
    void CloseDocument(const QString& path);
    // Whether the document is held back from showing or recalculating its changes: its
    // controllers locked, an action lock on it, or automatic calculation off.
    bool Frozen(const QString& path);
    // Puts an empty row into the sheet before the row (1 is the first).
    void InsertRow(const QString& path, const QString& sheet, int before);
    // Gives the range name the content ("$Data.$B$20"); an empty content removes the name.
    void DefineName(const QString& path, const QString& name, const QString& content);

private:
    std::shared_ptr<dravik_uno::OfficeConnection> Connection();

    QTemporaryDir profile_;
    QTemporaryDir files_;
    QString pipeName_;
    pid_t pid_ = -1;
    std::shared_ptr<dravik_uno::OfficeConnection> connection_;
};

// Whether an office answers on pipeName.
bool OfficeAnswers(const QString& pipeName);

// Ends the office that answers on pipeName, such as one the backend started itself, and waits
// until the pipe is silent (at most a few seconds).
void TerminateOffice(const QString& pipeName);

// The pipe of the office that the programs of user, with runtimeFolder as their XDG_RUNTIME_DIR,
// reach: the random part they keep there, put there now when missing.
QString UsersOfficePipe(const QString& runtimeFolder, const QString& user);

// The workbook built with the program ($DRAVIK_BIN_DIR/Dravik-Lumo_V117a.tabb), or empty text
// when it is not there.
QString BuiltWorkbookPath();
