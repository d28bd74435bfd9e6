// libFuzzer target for the number check and the conversions between numbers and text, in a
// decimal-point and a decimal-comma format. Besides crashes and sanitizer reports it stops on a
// wrong result: each function is held to a second, plainer statement of its rules.

#include "entry/modCheck.h"
#include "shell/Platform.h"
#include "workbook/Automation.h"
#include "workbook/RangeExchange.h"

#include <QLocale>
#include <QRegularExpression>
#include <QString>

#include <fuzzer/FuzzedDataProvider.h>

#include <locale.h>
#include <bit>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const char* what, const QString& detail) {
    // Every character that is no printable ASCII as \uXXXX, so the text can be read back.
    QString shown;
    for (const QChar c : detail) {
        shown += c.unicode() >= 0x20 && c.unicode() < 0x7F
                     ? QString(c)
                     : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    std::fprintf(stderr, "WRONG RESULT: %s: \"%s\"\n", what, qPrintable(shown));
    std::abort();
}

void Require(bool holds, const char* what, const QString& detail) {
    if (!holds) {
        Fail(what, detail);
    }
}

QString Show(double value) {
    return QString::number(value, 'g', 17);
}

// A decimal text read by the C library in the C locale; errno tells of a range error.
double ReadC(const QString& text, bool& rangeError) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    const QByteArray latin = text.toLatin1();
    errno = 0;
    const double value = strtod_l(latin.constData(), nullptr, c);
    rangeError = errno == ERANGE;
    return value;
}

bool SameNumber(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Equal to 15 significant digits, the precision ToText keeps.
bool Close(double a, double b) {
    return a == b || std::fabs(a - b) <= std::fabs(a) * 1e-14;
}

struct Format {
    LocaleNumberFormat numbers;
    QChar sep;
    QChar other;
    QRegularExpression decimalScan;  // what the scan lets through with a separator allowed
    QRegularExpression wholeScan;    // and without
    QRegularExpression number;       // what ToNumber reads
    QRegularExpression plainText;    // what ToText writes

    Format(const QLocale& locale, QChar separator)
        : numbers(locale), sep(separator), other(separator == '.' ? ',' : '.') {
        const QString s = QRegularExpression::escape(QString(sep));
        // Anchored at the very end: "$" would also match before a final line feed.
        const auto whole = [](const QString& p) {
            return QRegularExpression(QRegularExpression::anchoredPattern(p));
        };
        decimalScan = whole(QStringLiteral("[+-]?[0-9]*(%1[0-9]*)?").arg(s));
        wholeScan = whole(QStringLiteral("[+-]?[0-9]*"));
        number =
            whole(QStringLiteral("[+-]?([0-9]+(%1[0-9]*)?|%1[0-9]+)([eE][+-]?[0-9]+)?").arg(s));
        plainText = whole(QStringLiteral("-?[0-9]+(%1[0-9]+)?(E[+-][0-9]+)?").arg(s));
    }

    // The text with the user's separator as the C library's point.
    QString AsC(const QString& text) const { return QString(text).replace(sep, QLatin1Char('.')); }
};

Format& Point() {
    static Format f(QLocale(QLocale::English, QLocale::UnitedStates), QLatin1Char('.'));
    return f;
}

Format& Comma() {
    static Format f(QLocale(QLocale::German, QLocale::Germany), QLatin1Char(','));
    return f;
}

// ToNumber against the C library: the same texts, the same correctly rounded value.
void CheckToNumber(const Format& f, const QString& text) {
    const std::optional<double> value = f.numbers.ToNumber(text);
    const QString plain = text.trimmed();
    if (!f.number.match(plain).hasMatch()) {
        Require(!value, "ToNumber read a text that is no number", text);
        return;
    }
    bool rangeError = false;
    const double expected = ReadC(f.AsC(plain), rangeError);
    if (!value) {
        Require(rangeError, "ToNumber refused a number", text);
        return;
    }
    Require(*value == expected || (rangeError && *value == 0), "ToNumber read another value",
            text + QStringLiteral(" -> ") + Show(*value) + QStringLiteral(" instead of ") +
                Show(expected));

    // Written back and read again it keeps its 15 digits, and writing is then stable.
    const QString written = f.numbers.ToText(*value);
    const std::optional<double> again = f.numbers.ToNumber(written);
    Require(again && Close(*value, *again), "ToText's text does not read back",
            text + QStringLiteral(" -> ") + written);
    Require(f.numbers.ToText(*again) == written, "ToText is not stable", written);
}

// ToText: plain digits, the user's separator, no group separators, and it reads back.
void CheckToText(const Format& f, double value) {
    const QString text = f.numbers.ToText(value);
    if (!std::isfinite(value)) {
        Require(!f.numbers.ToNumber(text), "ToNumber read NaN or infinity", text);
        return;
    }
    Require(f.plainText.match(text).hasMatch(), "ToText wrote an unexpected form", text);
    const std::optional<double> back = f.numbers.ToNumber(text);
    Require(back && Close(value, *back), "ToText's text does not read back",
            Show(value) + QStringLiteral(" -> ") + text);
    Require(CellText(wb::CellValue(value), f.numbers) == text, "CellText differs from ToText",
            text);
    Require(SameNumber(CellNumber(wb::CellValue(value), f.numbers), value),
            "CellNumber changed a number", text);
}

// WholeNumberText of a rounded value: its exact digits, which read back unchanged.
void CheckWholeNumber(double value) {
    const double rounded = RoundHalfEven(value);
    if (!std::isfinite(value)) {
        try {
            WholeNumberText(rounded);
        } catch (const wb::AutomationError& e) {
            Require(e.number() == 6, "WholeNumberText failed with another number", Show(value));
            return;
        }
        Fail("WholeNumberText wrote NaN or infinity", Show(value));
    }
    Require(std::fabs(rounded - value) <= 0.5 && rounded == std::floor(rounded),
            "RoundHalfEven is off", Show(value));
    if (std::fabs(rounded - value) == 0.5) {
        Require(std::fmod(rounded, 2.0) == 0, "RoundHalfEven did not go to the even neighbour",
                Show(value));
    }
    static const QRegularExpression digits(
        QRegularExpression::anchoredPattern(QStringLiteral("0|-?[1-9][0-9]*")));
    const QString text = WholeNumberText(rounded);
    Require(digits.match(text).hasMatch(), "WholeNumberText wrote an unexpected form", text);
    bool rangeError = false;
    Require(ReadC(text, rangeError) == rounded && !rangeError, "WholeNumberText is not exact",
            Show(rounded) + QStringLiteral(" -> ") + text);
}

// CheckNumber against its rules stated once more: the scan up to the first separator that is
// not the user's, then the bounds on the converted numbers.
void CheckCheckNumber(const Format& f, const QString& text, bool bDecimal, const QString& sMin,
                      const QString& sMax) {
    NumberVerdict verdict{false, false};
    try {
        verdict = CheckNumber(text, bDecimal, sMin, sMax, f.numbers);
    } catch (const wb::AutomationError&) {
        Fail("CheckNumber refused a bound that is a number", sMin + QStringLiteral(" / ") + sMax);
    }
    const bool result = verdict.passed;

    const QRegularExpression& scan = bDecimal ? f.decimalScan : f.wholeScan;
    const qsizetype wrong = text.indexOf(f.other);
    const bool mismatch = wrong >= 0 && scan.match(text.left(wrong)).hasMatch();
    if (mismatch) {
        Require(!result && verdict.wrongSeparator, "CheckNumber passed over a foreign separator",
                text);
        return;
    }
    Require(!verdict.wrongSeparator,
            "CheckNumber asked for the separator's message without a "
            "foreign separator",
            text);

    bool expected = wrong < 0 && scan.match(text).hasMatch();
    if (expected && !text.isEmpty()) {
        const std::optional<double> value = f.numbers.ToNumber(text);
        if (!sMin.isEmpty()) {
            expected = expected && value && *value >= *f.numbers.ToNumber(sMin);
        }
        if (!sMax.isEmpty()) {
            expected = expected && value && *value <= *f.numbers.ToNumber(sMax);
        }
    }
    Require(result == expected,
            result ? "CheckNumber passed a text it must refuse"
                   : "CheckNumber refused a text it must pass",
            text + QStringLiteral(" [") + sMin + QStringLiteral(", ") + sMax + QStringLiteral("]"));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The C library's own locale stays "C" in the program too; Qt reads the user's from QLocale.
    std::setlocale(LC_ALL, "C");
    Point();
    Comma();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const Format& f = in.ConsumeBool() ? Comma() : Point();
    const bool bDecimal = in.ConsumeBool();
    const int minChoice = in.ConsumeIntegralInRange(0, 3);
    const int maxChoice = in.ConsumeIntegralInRange(0, 2);
    const int textForm = in.ConsumeIntegralInRange(0, 2);
    // Every double, NaN, infinities and subnormals included.
    const double value = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
    const std::string bytes = in.ConsumeRemainingBytesAsString();

    QString text;
    switch (textForm) {
        case 0:
            text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
            break;
        case 1:
            text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
            break;
        default:
            text = QString(reinterpret_cast<const QChar*>(bytes.data()),
                           static_cast<qsizetype>(bytes.size() / 2));
            break;
    }

    CheckToText(f, value);
    CheckWholeNumber(value);
    CheckWholeNumber(value * 100);  // page 1's whole percentages
    CheckToNumber(f, text);

    // A text cell reads as the user's format reads it, or fails as a type mismatch.
    const std::optional<double> read = f.numbers.ToNumber(text);
    try {
        const double cell = CellNumber(wb::CellValue(text), f.numbers);
        Require(read && SameNumber(cell, *read), "CellNumber read a text differently", text);
    } catch (const wb::AutomationError& e) {
        Require(!read && e.number() == wb::kErrTypeMismatch, "CellNumber failed wrongly", text);
    }
    Require(CellText(wb::CellValue(text), f.numbers) == text, "CellText changed a text", text);

    // The page's bounds ("0", "100", the text of 1/100000), or the fuzzed value's own text.
    const QString ownText = f.numbers.ToText(value);
    const bool ownIsBound = std::isfinite(value);
    const QString mins[] = {QString(), QStringLiteral("0"), f.numbers.ToText(1.0 / 100000),
                            ownIsBound ? ownText : QString()};
    const QString maxs[] = {QString(), QStringLiteral("100"), ownIsBound ? ownText : QString()};
    CheckCheckNumber(f, text, bDecimal, mins[minChoice], maxs[maxChoice]);
    return 0;
}
