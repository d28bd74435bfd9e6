#pragma once
// The numeric text check of the number fields.

#include <QString>

class MessageBoxes;
class NumberFormat;

// True when sText is made of digits, an optional leading sign and (when bDecimal) at most one
// decimal separator, which must be the user's own, and its value lies within sMin and sMax
// (inclusive; an empty bound is no bound). The bounds are written in the user's number format.
// A separator that is not the user's shows "Please check the decimal separator"; every other
// rejection is the false result alone. An empty text passes.
bool CheckNumber(const QString& sText, bool bDecimal, const QString& sMin, const QString& sMax,
                 const NumberFormat& numbers, MessageBoxes& msg);

inline constexpr const char* kDecimalSeparatorMessage = "Please check the decimal separator";

// The same check without the box: whether the text passes, and whether the separator message
// is due.
struct NumberVerdict {
    bool passed;
    bool wrongSeparator;
};
NumberVerdict CheckNumberText(const QString& sText, bool bDecimal, const QString& sMin,
                              const QString& sMax, const NumberFormat& numbers);
