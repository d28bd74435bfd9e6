#include "entry/modCheck.h"

#include "shell/Platform.h"
#include "workbook/Automation.h"

namespace {

// A bound is the caller's own number in the user's format; one that is no number is a fault of
// the caller, and fails as a conversion would.
double BoundValue(const QString& bound, const NumberFormat& numbers) {
    if (const auto value = numbers.ToNumber(bound)) {
        return *value;
    }
    throw wb::AutomationError(wb::kErrTypeMismatch, "bound is no number: " + bound.toStdString());
}

}  // namespace

NumberVerdict CheckNumber(const QString& sText, bool bDecimal, const QString& sMin,
                          const QString& sMax, const NumberFormat& numbers) {
    constexpr NumberVerdict kFails{false, false};
    for (qsizetype i = 0; i < sText.size(); ++i) {
        const QChar c = sText.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            continue;
        }
        if (c == QLatin1Char('+') || c == QLatin1Char('-')) {
            if (i == 0) {
                continue;
            }
            return kFails;
        }
        if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            // Judged by the user's format alone: the other mark is never taken for a thousands
            // separator, the user is told instead.
            if (c != numbers.DecimalSeparator()) {
                return {false, true};
            }
            if (!bDecimal) {
                return kFails;
            }
            if (sText.left(i).contains(c)) {
                return kFails;
            }
            continue;
        }
        return kFails;
    }

    // Only the scan is needed for an empty text; the bounds compare converted numbers.
    if (!sMin.isEmpty() && !sText.isEmpty()) {
        const double minimum = BoundValue(sMin, numbers);
        const auto value = numbers.ToNumber(sText);
        if (!value || *value < minimum) {
            return kFails;
        }
    }
    if (!sMax.isEmpty() && !sText.isEmpty()) {
        const double maximum = BoundValue(sMax, numbers);
        const auto value = numbers.ToNumber(sText);
        if (!value || *value > maximum) {
            return kFails;
        }
    }
    return {true, false};
}
