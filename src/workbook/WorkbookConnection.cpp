#include "workbook/WorkbookConnection.h"

#include "shell/Platform.h"
#include "workbook/OfficeWorker.h"
#include "workbook/RangeExchange.h"

WorkbookHandles OpenWorkbookConnection(wb::System& automation, const QString& sFileName,
                                       const QString& folder, MessageBoxes& msg, ProgramEnd& end) {
    WorkbookHandles h;
    bool failed = false;
    // A frozen office would hold the opening forever: it is waited for up to the time limit, then
    // reported as the phase's failure. A call given up may still end later and use what it was
    // handed by reference; the program has ended by then, since a failure never returns.
    OfficeWorker office(kOpeningTimeLimit);

    // Phase A: the application, shown and maximised.
    try {
        office.Run([&] {
            h.CTabbDoc = automation.NewDocument(kWorkbookClassName);
            h.CTabbApp = h.CTabbDoc->ParentApplication();
            h.CTabbApp->SetVisible(true);
            h.CTabbApp->MainWindow()->Invoke(QStringLiteral("Activate"));
            h.CTabbApp->MainWindow()->Invoke(QStringLiteral("Restore"));
            h.CTabbApp->MainWindow()->Invoke(QStringLiteral("Maximize"));
            h.CTabbDoc->FirstPreparatoryCall();
            h.CTabbDoc->SecondPreparatoryCall();
        });
    } catch (const std::exception&) {  // AutomationError, or a runtime error of the library
        failed = true;
    }
    if (failed) {
        msg.MsgBox(QStringLiteral("Corla Tabb not found!\r\rPlease check the installation"),
                   kStyleCritical, QStringLiteral("Critical Error"));
        end.End(kExitCriticalError);
    }

    // Phase B: the workbook itself.
    try {
        office.Run([&] {
            h.CTabbDoc =
                h.CTabbApp->OpenDocument(sFileName, folder, std::nullopt, std::nullopt, true);
            PutRange(*h.CTabbDoc, QStringLiteral("DL"), QStringLiteral("1"));
        });
    } catch (const std::exception&) {  // AutomationError, or a runtime error of the library
        failed = true;
    }
    if (failed) {
        msg.MsgBox(sFileName + QStringLiteral(" not found!"), kStyleExclamation,
                   QStringLiteral("Critical Error"));
        end.End(kExitCriticalError);
    }
    return h;
}

WriteOutScope::WriteOutScope(wb::Document& doc, MessageBoxes& msg) : doc_(doc), msg_(msg) {
    doc_.BeginWriteOut();
    outerBeforeShow_ = msg_.SetBeforeShow([this] { doc_.ShowWrites(); });
}

WriteOutScope::~WriteOutScope() {
    msg_.SetBeforeShow(std::move(outerBeforeShow_));
    doc_.EndWriteOut();
}

void FailWriteOut(int number, MessageBoxes& msg, ProgramEnd& end) {
    QString text;
    if (number == wb::kErrOfficeGone) {
        text = QStringLiteral("Corla Tabb application has been closed, please restart Dravik");
    } else if (number == wb::kErrUndefinedName) {
        text = QStringLiteral(
            "You are using a wrong version of the Dravik worksheet, please reinstall Dravik");
    } else {
        text = QStringLiteral("General Error, please reinstall Dravik");
    }
    msg.MsgBox(text, kStyleCritical, QStringLiteral("Dravik Critical Error"));
    end.End(kExitCriticalError);
}
