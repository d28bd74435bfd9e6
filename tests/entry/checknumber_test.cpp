// The numeric text check in a decimal-point and a decimal-comma locale.

#include "entry/modCheck.h"
#include "shell/Platform.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* text;
    bool decimal;
    const char* min;
    const char* max;
    bool passes;
    bool separatorMessage;
};

// Written for a decimal point; the comma locale runs the same table with point and comma swapped.
const Case kCases[] = {
    {"", true, "0", "100", true, false},  // nothing scanned, bounds skipped
    {"-", true, "", "", true, false},     // a lone sign passes without bounds...
    {"+", true, "0", "", false, false},   // ...but is no number against one
    {"-", true, "", "100", false, false},
    {".", true, "0", "", false, false},
    {"-.", true, "0", "", false, false},
    {"+5", true, "0", "", true, false},
    {"-5", true, "0", "", false, false},
    {"5-", true, "", "", false, false},
    {"+-5", true, "", "", false, false},
    {"2.5", true, "", "", true, false},
    {".5", true, "", "", true, false},
    {"5.", true, "", "", true, false},
    {"-.5", true, "-1", "", true, false},
    {"1.2.3", true, "", "", false, false},
    {"1,5", true, "", "", false, true},
    {"1,000.5", true, "", "", false, true},  // a thousands mark is never understood
    {"1e3", true, "", "", false, false},
    {"12%", true, "", "", false, false},
    {"1 000", true, "", "", false, false},
    {" 5", true, "", "", false, false},
    {"5 ", true, "", "", false, false},
    {"abc", true, "", "", false, false},
    {"0", true, "0", "100", true, false},
    {"100", true, "0", "100", true, false},
    {"100.0001", true, "0", "100", false, false},
    {"-0", true, "0", "100", true, false},
    {"-1", true, "0", "100", false, false},
    {"0", true, "0.00001", "", false, false},
    {"0.00001", true, "0.00001", "", true, false},
    {"0.000009", true, "0.00001", "", false, false},
    {"2.5", false, "", "", false, false},  // no decimals wanted: no message
    {"2,5", false, "", "", false, true},   // a wrong mark still is told
    {"25", false, "0", "100", true, false},
    {"1,5.", true, "", "", false, true},  // the first mismatched mark is told, once
};

std::string Swapped(const char* text) {
    std::string s(text);
    for (char& c : s) {
        if (c == '.') {
            c = ',';
        } else if (c == ',') {
            c = '.';
        }
    }
    return s;
}

void RunTable(const QLocale& locale, bool swap) {
    LocaleNumberFormat numbers(locale);
    for (const Case& c : kCases) {
        const std::string text = swap ? Swapped(c.text) : c.text;
        const std::string min = swap ? Swapped(c.min) : c.min;
        const std::string max = swap ? Swapped(c.max) : c.max;
        SCOPED_TRACE("text \"" + text + "\" min \"" + min + "\" max \"" + max + "\"");
        const NumberVerdict verdict =
            CheckNumber(QString::fromStdString(text), c.decimal, QString::fromStdString(min),
                        QString::fromStdString(max), numbers);
        EXPECT_EQ(verdict.passed, c.passes);
        EXPECT_EQ(verdict.wrongSeparator, c.separatorMessage);
    }
}

TEST(CheckNumber, TheSeparatorMessage) {
    EXPECT_STREQ(kDecimalSeparatorMessage, "Please check the decimal separator");
}

TEST(CheckNumber, DecimalPointLocale) {
    RunTable(QLocale(QLocale::English, QLocale::UnitedStates), false);
}

TEST(CheckNumber, DecimalCommaLocale) {
    RunTable(QLocale(QLocale::German, QLocale::Germany), true);
}

TEST(CheckNumber, TheSmallestPositiveBoundIsMadeInTheUsersFormat) {
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German)}) {
        LocaleNumberFormat numbers(locale);
        const QString tiny = numbers.ToText(1.0 / 100000);
        EXPECT_TRUE(CheckNumber(tiny, true, tiny, QString(), numbers).passed) << tiny.toStdString();
        EXPECT_FALSE(CheckNumber(QStringLiteral("0"), true, tiny, QString(), numbers).passed);
    }
}

}  // namespace
