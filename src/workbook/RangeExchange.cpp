#include "workbook/RangeExchange.h"

#include "shell/Platform.h"

#include <charconv>
#include <cmath>

void PutRange(wb::Document& doc, const QString& name, const wb::CellValue& value) {
    doc.GetRange(name)->SetContents(value);
}

void PutText(wb::Document& doc, const QString& name, const QString& text) {
    doc.GetRange(name)->SetText(text);
}

wb::CellValue GetRangeValue(wb::Document& doc, const QString& name) {
    return doc.GetRange(name)->CellValueOf();
}

void TurnToSheet(wb::Document& doc, const QString& name) {
    doc.GetSheet(name)->TurnTo();
}

double RoundHalfEven(double value) {
    // nearbyint follows the current rounding mode, which is to-nearest-even unless changed.
    return std::nearbyint(value);
}

double CellNumber(const wb::CellValue& value, const NumberFormat& numbers) {
    if (const double* number = std::get_if<double>(&value)) {
        return *number;
    }
    if (const bool* flag = std::get_if<bool>(&value)) {
        return *flag ? 1.0 : 0.0;
    }
    const QString& text = std::get<QString>(value);
    if (const auto number = numbers.ToNumber(text)) {
        return *number;
    }
    throw wb::AutomationError(wb::kErrTypeMismatch, "not a number: " + text.toStdString());
}

QString CellText(const wb::CellValue& value, const NumberFormat& numbers) {
    if (const double* number = std::get_if<double>(&value)) {
        return numbers.ToText(*number);
    }
    if (const bool* flag = std::get_if<bool>(&value)) {
        return *flag ? QStringLiteral("True") : QStringLiteral("False");
    }
    return std::get<QString>(value);
}

QString WholeNumberText(double rounded) {
    // No cell holds these; only a percentage of a default near the largest double overflows.
    // Such a workbook is broken, and the write-out says so rather than showing "inf".
    if (!std::isfinite(rounded)) {
        throw wb::AutomationError(6, "overflow");
    }
    // A whole double's exact decimal digits, also beyond the 64-bit integers (1e20 has 21).
    // std::to_chars, not printf, for the reason LocaleNumberFormat::ToText gives.
    char buf[400];  // the largest double has 309 digits
    const auto end =
        std::to_chars(buf, buf + sizeof buf, std::nearbyint(rounded), std::chars_format::fixed, 0)
            .ptr;
    QString text = QString::fromLatin1(buf, end - buf);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}
