#include "entry/WriteOut.h"

#include "entry/modCheck.h"
#include "shell/Platform.h"
#include "workbook/RangeExchange.h"

namespace entry {

namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

// Blanks only, as the code of a coded list text is cut.
QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' ')) {
        ++first;
    }
    while (last > first && text.at(last - 1) == QLatin1Char(' ')) {
        --last;
    }
    return text.mid(first, last - first);
}

QString BoundText(Bound bound, const NumberFormat& numbers) {
    switch (bound) {
        case Bound::None:
            break;
        case Bound::Zero:
            return QStringLiteral("0");
        case Bound::Hundred:
            return QStringLiteral("100");
        case Bound::Smallest:
            return numbers.ToText(1.0 / 100000);
    }
    return QString();
}

bool NoneTicked(const Entry& entry, int question) {
    for (const Question& type : Questions()) {
        if (type.number == question && entry.Ticked(type)) {
            return false;
        }
    }
    return true;
}

// Checks one answer and writes it when it passes; otherwise says why in the result.
bool WriteAnswer(const Question& question, const Entry& entry, wb::Document& doc,
                 const NumberFormat& numbers, WriteOutResult& result) {
    const QString& text = entry[question];
    const QString range = Text(question.range);
    const auto fail = [&](const char* message) {
        result.failed = &question;
        result.messages.push_back({Text(message), kStyleExclamation});
        return false;
    };
    switch (question.rule) {
        case Rule::AnyText:
            // Blanks included: anything but the empty text is written, as the text itself; the
            // workbook only shows it, so "007" or "1/2" must not become a number or a date.
            if (text.isEmpty()) {
                return fail(question.emptyMessage);
            }
            PutText(doc, range, text);
            return true;
        case Rule::Choice:
            // A capital P is the prompt "Please select..." (or a typed text like it).
            if (text.startsWith(QLatin1Char('P'))) {
                return fail(question.checkMessage);
            }
            PutRange(
                doc, range,
                question.code == Code::FirstCharacter ? text.left(1) : TrimBlanks(text.left(2)));
            return true;
        case Rule::Tick:
            // The group is checked at its first member; all its cells are then written.
            if (question.member == 0 && NoneTicked(entry, question.number)) {
                return fail(question.checkMessage);
            }
            PutRange(doc, range,
                     entry.Ticked(question) ? CodeOf(Text(question.items.front()))
                                            : QStringLiteral("0"));
            return true;
        case Rule::Number:
        case Rule::Percentage: {
            if (text.isEmpty()) {
                return fail(question.emptyMessage);
            }
            const NumberVerdict verdict = CheckNumber(text, true, BoundText(question.min, numbers),
                                                      BoundText(question.max, numbers), numbers);
            if (verdict.wrongSeparator) {
                result.messages.push_back({Text(kDecimalSeparatorMessage), kStyleExclamation});
            }
            if (!verdict.passed) {
                return fail(question.checkMessage);
            }
            // The workbook reads the text as the user would type it, a percentage with its "%".
            PutRange(doc, range,
                     question.rule == Rule::Percentage ? text + QLatin1Char('%') : text);
            return true;
        }
    }
    return true;
}

bool WritePage(OnPage page, const Entry& entry, wb::Document& doc, const NumberFormat& numbers,
               WriteOutResult& result) {
    for (const Question& question : Questions()) {
        if (question.page == page && !WriteAnswer(question, entry, doc, numbers, result)) {
            return false;
        }
    }
    return true;
}

double DefaultValue(const Question& question, wb::Document& doc, const NumberFormat& numbers) {
    return CellNumber(GetRangeValue(doc, Text(question.defaultBox.range)), numbers);
}

// A default as its green box shows it: a fraction as a whole percentage, the others whole.
QString DefaultText(const Question& question, wb::Document& doc, const NumberFormat& numbers) {
    const double value = DefaultValue(question, doc, numbers);
    return WholeNumberText(
        RoundHalfEven(question.defaultBox.shown == Shown::Percentage ? value * 100 : value));
}

// Each default read afresh, put into the answer and written as the answer's own write-out would
// write that text; a list answer and a whole number reach the workbook as numbers.
void CopyDefault(const Question& question, wb::Document& doc, const NumberFormat& numbers,
                 GeneralResult& result) {
    const QString range = Text(question.range);
    switch (question.defaultBox.shown) {
        case Shown::Percentage: {
            const QString text = DefaultText(question, doc, numbers);
            result.copied.push_back({&question, text});
            PutRange(doc, range, text + QLatin1Char('%'));
            return;
        }
        case Shown::ListText: {
            const wb::CellValue cell = GetRangeValue(doc, Text(question.defaultBox.range));
            const double value = CellNumber(cell, numbers);
            result.copied.push_back(
                {&question,
                 CellText(cell, numbers) + Text(value == 0 ? question.defaultBox.zeroText
                                                           : question.defaultBox.otherText)});
            PutRange(doc, range, RoundHalfEven(value));
            return;
        }
        case Shown::Whole: {
            const double value = RoundHalfEven(DefaultValue(question, doc, numbers));
            result.copied.push_back({&question, WholeNumberText(value)});
            PutRange(doc, range, value);
            return;
        }
    }
}

}  // namespace

void WriteGeneral(const Entry& entry, wb::Document& doc, const NumberFormat& numbers,
                  bool copyDefaults, GeneralResult& result) {
    result = GeneralResult();
    if (!WritePage(OnPage::General, entry, doc, numbers, result)) {
        return;
    }

    std::vector<const Question*> withDefaults;
    for (const Question& question : Questions()) {
        if (question.defaultBox.name) {
            withDefaults.push_back(&question);
        }
    }
    // The workbook signals defaults it cannot compute with a text; a number is compared as its
    // text and so never matches.
    const wb::CellValue first = GetRangeValue(doc, Text(withDefaults.front()->defaultBox.range));
    if (CellText(first, numbers) == QLatin1String(kDefaultsFailed)) {
        result.messages.push_back({QStringLiteral("System Error"), kStyleCritical});
        result.passed = true;
        return;
    }

    for (const Question* question : withDefaults) {
        result.defaults.push_back({question, DefaultText(*question, doc, numbers)});
    }
    if (copyDefaults) {
        for (const Question* question : withDefaults) {
            CopyDefault(*question, doc, numbers, result);
        }
        result.defaultsCopied = true;
    }
    result.passed = true;
}

void WriteTechnical(const Entry& entry, wb::Document& doc, const NumberFormat& numbers,
                    WriteOutResult& result) {
    result = WriteOutResult();
    result.passed = WritePage(OnPage::Technical, entry, doc, numbers, result);
}

}  // namespace entry
