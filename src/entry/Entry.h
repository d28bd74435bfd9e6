#pragma once
// A customer's entry: the record's eighteen values, the seventeen answers as texts in column
// order and the moment it was saved. It is what passes between the pages, the record store and
// the workbook, and it exists without any window.

#include "entry/Questions.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace entry {

struct Entry {
    Entry() : texts(Questions().size()) {}

    // As the pages hold them: typed texts as typed, a list's text, a business type's caption
    // when ticked and one space when not. A null text is a column that holds no value.
    std::vector<QString> texts;
    QDateTime date;  // invalid until saved, or where the column holds no value

    QString& operator[](const Question& question) { return texts[Ordinal(question)]; }
    const QString& operator[](const Question& question) const { return texts[Ordinal(question)]; }
    bool Ticked(const Question& businessType) const {
        return (*this)[businessType] == QLatin1String(businessType.items.front());
    }
};

// What an unticked business type holds (the column takes no empty text).
inline const QString kUnticked = QStringLiteral(" ");

}  // namespace entry
