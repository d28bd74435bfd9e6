#include "workbook/RangeExchange.h"

#include "shell/Platform.h"

#include <cmath>

void PutRange(wb::Document& doc, const QString& name, const wb::CellValue& value) {
    doc.GetRange(name)->SetContents(value);
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
    if (!std::isfinite(rounded) || std::fabs(rounded) > 9.2e18) {
        throw wb::AutomationError(6, "overflow");  // too large for a whole number
    }
    return QString::number(static_cast<long long>(rounded));
}
