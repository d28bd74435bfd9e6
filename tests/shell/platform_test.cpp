// The real platform implementations: Qt message boxes, the process end, the number format.

#include "shell/Platform.h"
#include "Texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <string>

namespace {

// Inspects the modal box once it is up, then presses the button named by pressText.
struct BoxSeen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

BoxSeen ShowAndPress(const std::function<MsgResult()>& show, const QString& pressText,
                     MsgResult* result) {
    BoxSeen seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text().remove('&');
            if (b->text().remove('&') == pressText) {
                QTimer::singleShot(0, b, &QAbstractButton::click);
            }
        }
        if (box->defaultButton()) {
            seen.defaultButton = box->defaultButton()->text().remove('&');
        }
    });
    *result = show();
    return seen;
}

TEST(QtMessageBoxes, StylesTitlesAndLineBreaks) {
    QtMessageBoxes boxes;
    MsgResult result{};

    BoxSeen seen =
        ShowAndPress([&] { return boxes.MsgBox(kQuit, kStyleYesNoInformation); }, "Yes", &result);
    EXPECT_EQ(result, MsgResult::Yes);
    EXPECT_EQ(seen.title.toStdString(), kTitle.toStdString());
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_EQ(seen.defaultButton.toStdString(), "Yes");

    seen = ShowAndPress([&] { return boxes.MsgBox(kQuit, kStyleYesNoInformation); }, "No", &result);
    EXPECT_EQ(result, MsgResult::No);

    seen = ShowAndPress(
        [&] { return boxes.MsgBox("Industry\r\rPlease select.", kStyleInformation, kHelp); }, "OK",
        &result);
    EXPECT_EQ(result, MsgResult::Ok);
    EXPECT_EQ(seen.title.toStdString(), kHelp.toStdString());
    EXPECT_EQ(seen.text.toStdString(), "Industry\n\nPlease select.");
    EXPECT_EQ(seen.buttons, QStringList{"OK"});

    seen = ShowAndPress([&] { return boxes.MsgBox("x", kStyleCritical, kOpening); }, "OK", &result);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    seen = ShowAndPress([&] { return boxes.MsgBox("x", kStyleExclamation); }, "OK", &result);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    seen = ShowAndPress([&] { return boxes.MsgBox(kDatabaseCreated, kStyleOk, kCreate); }, "OK",
                        &result);
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
}

// A box's text on one line of standard error: its lines as sentences, a path kept with the line
// that leads to it.
TEST(StderrMessageBoxes, OneLineKeepsSentencesAndPaths) {
    EXPECT_EQ(OneLine(QStringLiteral("Corla Tabb did not answer within 2 s.\r\rPlease check it")),
              QStringLiteral("Corla Tabb did not answer within 2 s. Please check it."));
    EXPECT_EQ(OneLine(QStringLiteral("It is expected at\r/opt/d/dravik.mdb\r\rPlease run it")),
              QStringLiteral("It is expected at /opt/d/dravik.mdb. Please run it."));
    EXPECT_EQ(OneLine(QStringLiteral("Exists at\r/x\rIt was left unchanged.\r \r")),
              QStringLiteral("Exists at /x. It was left unchanged."));
}

TEST(ProcessProgramEnd, ReleasesHandlesThenLeavesAtOnce) {
    EXPECT_EXIT(
        {
            ProcessProgramEnd end([] { std::fputs("released\n", stderr); });
            end.End();
            std::fputs("after end\n", stderr);  // must never run
        },
        ::testing::ExitedWithCode(0), "^released\n$");
    // After a critical error whatever started the program learns of it.
    EXPECT_EXIT(
        {
            ProcessProgramEnd end;
            end.End(kExitCriticalError);
        },
        ::testing::ExitedWithCode(kExitCriticalError), "");
}

TEST(LocaleNumberFormat, DecimalPointLocale) {
    LocaleNumberFormat f(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(f.DecimalSeparator(), QChar('.'));
    EXPECT_EQ(f.ToText(0.07 * 100).toStdString(), "7");
    EXPECT_EQ(f.ToText(0.125 * 100).toStdString(), "12.5");
    EXPECT_EQ(f.ToText(1.0 / 100000).toStdString(), "0.00001");
    EXPECT_EQ(f.ToText(1234567.25).toStdString(), "1234567.25");  // no group separators
    EXPECT_EQ(f.ToText(-3).toStdString(), "-3");
    EXPECT_EQ(f.ToText(0.1 + 0.2).toStdString(), "0.3");
    EXPECT_EQ(f.ToNumber("2.5"), 2.5);
    EXPECT_EQ(f.ToNumber(".5"), 0.5);
    EXPECT_EQ(f.ToNumber("5."), 5.0);
    EXPECT_EQ(f.ToNumber("+5"), 5.0);
    EXPECT_EQ(f.ToNumber("-0"), 0.0);
    EXPECT_EQ(f.ToNumber(f.ToText(1.0 / 100000)), 0.00001);
    // The largest doubles round up past the range at 15 digits; their text must still read.
    EXPECT_EQ(f.ToText(-std::numeric_limits<double>::max()).toStdString(),
              "-1.79769313486231E+308");
    EXPECT_TRUE(f.ToNumber(f.ToText(std::numeric_limits<double>::max())));
    EXPECT_FALSE(f.ToNumber("-"));
    EXPECT_FALSE(f.ToNumber("."));
    EXPECT_FALSE(f.ToNumber("-."));
    EXPECT_FALSE(f.ToNumber("1,5"));
    EXPECT_FALSE(f.ToNumber("abc"));
    EXPECT_FALSE(f.ToNumber(""));
}

TEST(LocaleNumberFormat, DecimalCommaLocale) {
    LocaleNumberFormat f(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(f.DecimalSeparator(), QChar(','));
    EXPECT_EQ(f.ToText(0.125 * 100).toStdString(), "12,5");
    EXPECT_EQ(f.ToText(1.0 / 100000).toStdString(), "0,00001");
    EXPECT_EQ(f.ToNumber("1,5"), 1.5);
    EXPECT_FALSE(f.ToNumber("1.5"));
    EXPECT_EQ(f.ToNumber(f.ToText(1.0 / 100000)), 0.00001);
}

// Qt hands the C library the environment's locale, so in a decimal-comma session printf and
// strtod use a comma; the conversions must not depend on that.
TEST(LocaleNumberFormat, IndependentOfTheCLibrarysNumericLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool commaLocale = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "it_IT.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) && *std::localeconv()->decimal_point == ',') {
            commaLocale = true;
            break;
        }
    }
    if (!commaLocale) {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no decimal-comma locale installed";
    }
    LocaleNumberFormat comma(QLocale(QLocale::German, QLocale::Germany));
    LocaleNumberFormat point(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::optional<double> commaHalf = comma.ToNumber("1,5");
    const std::optional<double> pointHalf = point.ToNumber("1.5");
    const std::string commaTiny = comma.ToText(1.5 / 100000).toStdString();
    const std::string pointText = point.ToText(12.5).toStdString();
    std::setlocale(LC_NUMERIC, saved.c_str());

    EXPECT_EQ(commaHalf, 1.5);
    EXPECT_EQ(pointHalf, 1.5);
    EXPECT_EQ(commaTiny, "0,000015");
    EXPECT_EQ(pointText, "12.5");
}

TEST(LocaleNumberFormat, GeneralDateIsShortDateThenLongTime) {
    LocaleNumberFormat f(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString text = f.GeneralDate(QDateTime(QDate(2026, 12, 8), QTime(14, 30, 5)));
    EXPECT_TRUE(text.startsWith("12/8/26")) << text.toStdString();
    EXPECT_TRUE(text.contains("2:30:05")) << text.toStdString();
    EXPECT_FALSE(text.contains("UTC")) << text.toStdString();
}

}  // namespace
