#include "shell/Platform.h"

#include "shell/AppIdentity.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

MsgResult MessageBoxes::MsgBox(const QString& text, MsgStyle style, const QString& title) {
    if (beforeShow_) {
        beforeShow_();
    }
    return Present(text, style, title.isEmpty() ? kAppTitle : title);
}

namespace {

// A box is as wide as its text, and the window manager cuts a longer title ("Dravik… abase" for
// "Dravik Database" over "Dravik Database Updated"). The box is widened to hold the title in a
// bold title-bar font, with room for the title bar's icon and buttons.
void KeepTitleVisible(QMessageBox& box) {
    constexpr int kTitleBarExtras = 160;  // icon, close/minimise/maximise buttons, margins
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int wanted =
        QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

}  // namespace

MsgResult QtMessageBoxes::Present(const QString& text, MsgStyle style, const QString& title) {
    // Over the page the user is working in, when there is one.
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    // The texts keep their carriage returns; Qt breaks lines on line feeds. A text is never read
    // as markup: some come from elsewhere (a server's refusal).
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    switch (style & 0xF0) {
        case kStyleCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case kStyleExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case kStyleInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    // After the icon, which lays the box out anew.
    KeepTitleVisible(box);
    if (AsksYesNo(style)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgResult::Ok;
}

QString OneLine(const QString& text) {
    QStringList parts;
    for (const QString& line : text.split(QLatin1Char('\r'))) {
        if (const QString part = line.simplified(); !part.isEmpty()) {
            parts << part;
        }
    }
    for (qsizetype i = 0; i < parts.size(); ++i) {
        // A line ends its sentence where the next begins one; a line such as "It is expected at"
        // goes on with the path on the next.
        const bool ends = i + 1 == parts.size() || parts[i + 1].front().isUpper();
        if (ends && !parts[i].back().isPunct()) {
            parts[i] += QLatin1Char('.');
        }
    }
    return parts.join(QLatin1Char(' '));
}

MsgResult StderrMessageBoxes::Present(const QString& text, MsgStyle style, const QString&) {
    const QString line = OneLine(text);
    const QString program = QCoreApplication::applicationName();
    std::fprintf(stderr, "%s: %s\n", qPrintable(program), line.toLocal8Bit().constData());
    std::fflush(stderr);
    return AsksYesNo(style) ? MsgResult::Yes : MsgResult::Ok;
}

void ProgramEnd::End(int status) {
    Terminate(status);
    std::abort();  // a Terminate that returned would break "nothing after End runs"
}

void ProcessProgramEnd::Terminate(int status) {
    if (releaseHandles_) {
        releaseHandles_();
    }
    std::fflush(nullptr);
    // At once: no destructor, no pending event and nothing after the caller's line runs.
    std::_Exit(status);
}

LocaleNumberFormat::LocaleNumberFormat(const QLocale& locale) : locale_(locale) {}

QChar LocaleNumberFormat::DecimalSeparator() const {
    const QString half = locale_.toString(0.5, 'f', 1);
    return half.size() >= 2 ? half.at(1) : QLatin1Char('.');
}

QString LocaleNumberFormat::ToText(double value) const {
    if (std::isnan(value) || std::isinf(value)) {
        return QString::number(value);
    }
    // Rounded to 15 digits, the largest doubles would pass the largest double
    // (1.79769313486232E+308) and not read back; they are written as the largest 15-digit number
    // below it instead.
    constexpr double kLargest15Digits = 1.79769313486231e308;
    if (std::fabs(value) > kLargest15Digits) {
        value = std::copysign(kLargest15Digits, value);
    }
    // std::to_chars, not printf: the C library's numeric locale follows the user's (Qt sets it
    // from the environment) and would put its own separator in.
    char buf[64];
    QString text = QString::fromLatin1(
        buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr - buf);
    // Plain decimals where they stay readable (0.00001 rather than 1e-05).
    if (const qsizetype e = text.indexOf(QLatin1Char('e')); e >= 0) {
        const int exponent = text.mid(e + 1).toInt();
        if (exponent >= -15 && exponent < 15) {
            const QString digits = text.left(e).remove(QLatin1Char('.')).remove(QLatin1Char('-'));
            const int significant = static_cast<int>(digits.size());
            const int decimals = std::max(0, significant - 1 - exponent);
            text = QString::fromLatin1(
                buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals)
                             .ptr -
                         buf);
        } else {
            text = text.toUpper();
        }
    }
    if (text == QLatin1String("-0")) {
        text = QStringLiteral("0");
    }
    return text.replace(QLatin1Char('.'), DecimalSeparator());
}

std::optional<double> LocaleNumberFormat::ToNumber(const QString& text) const {
    const QString sep = QRegularExpression::escape(QString(DecimalSeparator()));
    static thread_local QString cachedSep;
    static thread_local QRegularExpression pattern;
    if (cachedSep != sep) {
        cachedSep = sep;
        pattern = QRegularExpression(
            QStringLiteral("^[+-]?(\\d+(%1\\d*)?|%1\\d+)([eE][+-]?\\d+)?$").arg(sep));
    }
    QString plain = text.trimmed();
    if (!pattern.match(plain).hasMatch()) {
        return std::nullopt;
    }
    plain.replace(DecimalSeparator(), QLatin1Char('.'));
    if (plain.startsWith(QLatin1Char('+'))) {
        plain.remove(0, 1);
    }
    // std::from_chars, not strtod, for the same reason as in ToText: strtod would stop at the
    // point in a decimal-comma environment and read 1.5 as 1.
    const QByteArray latin = plain.toLatin1();
    double value = 0;
    if (std::from_chars(latin.constData(), latin.constData() + latin.size(), value).ec !=
        std::errc()) {
        return std::nullopt;  // beyond a double's range
    }
    return value;
}

QString LocaleNumberFormat::GeneralDate(const QDateTime& moment) const {
    // The long time form without a time-zone name, as a clock on the desktop shows it.
    QString timeFormat = locale_.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
    return locale_.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale_.toString(moment.time(), timeFormat.trimmed());
}
