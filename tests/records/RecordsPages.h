#pragma once
// A whole program on the test platform with page 1 loaded and a dravik.mdb in its folder, for
// Save Data, the browser and the loading of records through the pages themselves.

#include "RecordsFixture.h"
#include "TestApp.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "records/frm03data.h"
#include "shell/AppIdentity.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

inline const QString kDb = QStringLiteral("Dravik Database");
inline const QString kLumo = QStringLiteral("Dravik Lumo");

class RecordsPagesTest : public ::testing::Test {
protected:
    RecordsPagesTest() {
        app.shared.sAppName = kAppTitle;
        page1 = &app.pages.frm01();
        page1->ShowPage();
    }

    QString Path() const { return DatabasePath(app.folder.path()); }
    void Create() { CreateDetailsDatabase(Path()); }
    void Add(const DetailsEntry& entry) { AppendDetailsRecord(Path(), entry); }

    // What the user types on both pages: "2 - ERP" and "99 - Other" ticked.
    void FillPages() {
        page1->txtDLQ0->setText(QStringLiteral("Acme"));
        page1->cmbDLQ1->setEditText(QStringLiteral("1 - Finance"));
        page1->chkDLQ2[1]->setChecked(true);
        page1->chkDLQ2[5]->setChecked(true);
        frm02& p = app.pages.frm02();
        p.txtDLQ3->setText(QStringLiteral("1500"));
        p.cmbDLQ4->setEditText(QStringLiteral("1 - Vastor"));
        p.txtDLQ5->setText(QStringLiteral("50"));
        p.txtDLQ6->setText(QStringLiteral("10"));
        p.txtDLQ7->setText(QStringLiteral("40"));
        p.txtDLQ8->setText(QStringLiteral("12"));
        p.txtDLQ9->setText(QStringLiteral("30"));
        p.cmbDLQ10->setEditText(QStringLiteral("1 - Required"));
        p.txtDLQ11->setText(QStringLiteral("25000"));
    }

    // Page 1's Load, as the user presses it.
    frm03data& OpenBrowser() {
        page1->cmdLoad->click();
        QCoreApplication::processEvents();
        return app.pages.frm03data();
    }

    TestApp app;
    frm01* page1 = nullptr;
};
