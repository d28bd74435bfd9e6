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

    // The typical answers, on page 1 and on page 2.
    void FillPage1() { page1->ShowEntry(TypicalAnswers()); }
    void FillPage2() { app.pages.frm02().ShowEntry(TypicalAnswers()); }

    std::vector<std::string> Writes() const { return ToStd(app.book->Writes()); }
    static bool Page2Loaded() { return IsLoaded("frm02"); }

    TestApp app;
    frm01* page1 = nullptr;
};
