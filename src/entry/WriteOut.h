#pragma once
// The write-out of an entry into a workbook: page 1's part and page 2's part, each a function of
// the entry, the document and the user's number format alone, so that it runs for a hidden
// workbook as well as for the pages. Each checks the answers of its page in column order and
// writes every one that passes, as its page would; at the first that fails it stops. What a page
// would show comes back in the result instead of a box. A failing workbook call throws
// wb::AutomationError; the result then holds what was done up to it.

#include "entry/Entry.h"
#include "shell/Platform.h"

#include <utility>
#include <vector>

namespace wb {
class Document;
}

namespace entry {

struct Message {
    QString text;
    MsgStyle style;
};

struct WriteOutResult {
    bool passed = false;               // every check passed (the page's TuttoOK)
    const Question* failed = nullptr;  // the answer whose check failed
    std::vector<Message> messages;     // in the order the page shows them
};

// A text for a question's control or green box.
using QuestionText = std::pair<const Question*, QString>;

struct GeneralResult : WriteOutResult {
    std::vector<QuestionText> defaults;  // the green boxes' texts, in order
    std::vector<QuestionText> copied;    // answers the copy of the defaults replaced, in order
    bool defaultsCopied = false;         // the copy went through to its end
};

// Company, industry and business types; then the workbook's six defaults read for the green
// boxes and, with copyDefaults, copied into page 2's answers and their ranges. A workbook that
// signals it cannot compute its defaults gives "System Error" and counts as passed.
void WriteGeneral(const Entry& entry, wb::Document& doc, const NumberFormat& numbers,
                  bool copyDefaults, GeneralResult& result);

// Page 2's nine answers.
void WriteTechnical(const Entry& entry, wb::Document& doc, const NumberFormat& numbers,
                    WriteOutResult& result);

}  // namespace entry
