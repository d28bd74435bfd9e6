#pragma once
// A whole program on the test platform with page 1 loaded (the workbook opened), ready for the
// user's answers, and small helpers to read the in-memory workbook's log.

#include "TestApp.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "shell/AppIdentity.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::vector<std::string> ToStd(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list) {
        out.push_back(s.toStdString());
    }
    return out;
}

class PagesTest : public ::testing::Test {
protected:
    explicit PagesTest(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
        : app(locale) {
        app.shared.sAppName = kAppTitle;
        page1 = &app.pages.frm01();
        app.book->ClearLog();
    }

    // The typical answers of page 1: a company, "1 - Finance" chosen, "2 - ERP" ticked.
    void FillPage1() {
        page1->txtDLQ0->setText(QStringLiteral("Acme"));
        page1->cmbDLQ1->setCurrentIndex(0);
        emit page1->cmbDLQ1->activated(0);
        page1->chkDLQ2[1]->setChecked(true);
    }

    // Page 2's answers, all passing.
    void FillPage2() {
        frm02& p = app.pages.frm02();
        p.txtDLQ3->setText(QStringLiteral("1500"));
        p.cmbDLQ4->setEditText(QStringLiteral("1 - Vastor"));
        p.txtDLQ5->setText(QStringLiteral("25"));
        p.txtDLQ6->setText(QStringLiteral("10"));
        p.txtDLQ7->setText(QStringLiteral("40"));
        p.txtDLQ8->setText(QStringLiteral("12"));
        p.txtDLQ9->setText(QStringLiteral("30"));
        p.cmbDLQ10->setEditText(QStringLiteral("1 - Required"));
        p.txtDLQ11->setText(QStringLiteral("25000"));
    }

    std::vector<std::string> Writes() const { return ToStd(app.book->Writes()); }
    bool Page2Loaded() const { return app.pages.IsLoaded(Pages::Id::Page2); }

    TestApp app;
    frm01* page1 = nullptr;
};
