#pragma once
// The three ways the pages talk to the workbook, and the forms values take on the way. Each call
// names its range or sheet; the document makes sure the name still means what the workbook
// defines now. Failures pass to the caller as AutomationError.

#include "workbook/Automation.h"

class NumberFormat;

void PutRange(wb::Document& doc, const QString& name, const wb::CellValue& value);
void PutText(wb::Document& doc, const QString& name, const QString& text);
wb::CellValue GetRangeValue(wb::Document& doc, const QString& name);
void TurnToSheet(wb::Document& doc, const QString& name);

// Nearest whole number, an exact half to the even neighbour (12.5 gives 12, 13.5 gives 14).
double RoundHalfEven(double value);

// A cell value as a number; text is read in the user's number format. Text that is no number
// fails with a type mismatch, as a multiplication of it would.
double CellNumber(const wb::CellValue& value, const NumberFormat& numbers);

// A cell value as text: numbers in the user's number format, Booleans as True or False.
QString CellText(const wb::CellValue& value, const NumberFormat& numbers);

// A rounded value as a plain decimal integer: a minus sign if negative, no separators, every digit
// of its exact value however large. NaN and infinity fail with error 6 (overflow).
QString WholeNumberText(double rounded);
