#pragma once
// A whole program on the test platform with page 1 loaded and a dravik.mdb in its folder, for
// Save Data, the browser and the loading of records through the pages themselves.

#include "RecordsFixture.h"
#include "TestApp.h"
#include "records/frm03data.h"

#include <QCoreApplication>

class RecordsPagesTest : public ProgramTest {
protected:
    RecordsPagesTest() { page1->ShowPage(); }

    RecordStore store = TestStore(app.folder.path());

    QString Path() const { return DatabasePath(app.folder.path()); }
    void Create() { CreateStore(store); }
    void Add(const entry::Entry& entry) { AddTo(store, entry); }

    // The typical answers on both pages, with "99 - Other" ticked too and 50 % super performance.
    void FillPages() {
        entry::Entry answers = TypicalAnswers();
        answers[BusinessType(5)] = QStringLiteral("99 - Other");
        answers[entry::kSuperPerformance] = QStringLiteral("50");
        ::FillPages(app.pages, answers);
    }

    // Page 1's Load, as the user presses it.
    frm03data& OpenBrowser() {
        Button(page1, "cmdLoad")->click();
        QCoreApplication::processEvents();
        return app.pages.frm03data();
    }
};
