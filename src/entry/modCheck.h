#pragma once
// The numeric text check of the number fields.

#include <QString>

class NumberFormat;

inline constexpr const char* kDecimalSeparatorMessage = "Please check the decimal separator";

struct NumberVerdict {
    bool passed;
    bool wrongSeparator;  // the caller shows kDecimalSeparatorMessage
};

// Passes when sText is made of digits, an optional leading sign and (when bDecimal) at most one
// decimal separator, which must be the user's own, and its value lies within sMin and sMax
// (inclusive; an empty bound is no bound). The bounds are written in the user's number format.
// A separator that is not the user's calls for kDecimalSeparatorMessage; every other rejection
// is the failed verdict alone. An empty text passes.
NumberVerdict CheckNumber(const QString& sText, bool bDecimal, const QString& sMin,
                          const QString& sMax, const NumberFormat& numbers);
