#pragma once
// The questions of the two pages as data: for each answer of the record (a question, or one
// business type of question 2) its control, caption, list, check, range, default, help, column
// and browser row. The table (Questions.cpp) lists them in the record's column order, which is
// also the order of every write, check, copy, save, load and display; the pages, the write-out,
// the record store and the browser walk it.

#include <QString>

#include <vector>

namespace entry {

enum class OnPage { General, Technical };

enum class Control {
    TextBox,  // a text box of any length
    List,     // a drop-down combo box of coded items whose text can also be typed
    Tick,     // one check box of a group
};

// How the write-out checks an answer and what it writes into the answer's range.
enum class Rule {
    AnyText,     // anything but the empty text; written as the text typed (only ever shown)
    Choice,      // a capital P is the prompt "Please select..."; the code is written
    Tick,        // at least one box of the group ticked; its code when ticked, else "0"
    Number,      // not empty, then CheckNumber within the bounds; written as typed
    Percentage,  // the same, written followed by "%"
};

// The code a Choice writes.
enum class Code {
    FirstCharacter,             // page 2's lists
    FirstTwoCharactersTrimmed,  // the Industry: blanks cut from the first two characters
};

// A bound of CheckNumber, made in the user's number format at each check.
enum class Bound { None, Zero, Hundred, Smallest /* 1 / 100000 */ };

// How a default read from the workbook is shown in its green box, and how page 1's write-out
// copies it into the answer and its range after a change of industry or business types.
enum class Shown {
    Percentage,  // × 100, rounded; copied as that text, written with "%"
    Whole,       // rounded; copied as that text, written as the number
    ListText,    // rounded in the box; copied as the value's text and a description, written as
                 // the rounded number
};

struct DefaultBox {
    const char* name = nullptr;  // the green box; nullptr: the question has none
    const char* range = nullptr;
    Shown shown = Shown::Whole;
    const char* percentLabel = nullptr;  // the "%" label beside the box
    // For ListText: the description after a value of 0, and after any other value.
    const char* zeroText = nullptr;
    const char* otherText = nullptr;
};

struct Help {
    const char* button = nullptr;   // the "?" button; on a group, on its first member only
    const char* heading = nullptr;  // the help's own heading, not always the caption
    const char* text = nullptr;
    const char* greenBox = nullptr;  // the green box's sentence, where there is one
};

enum class Display { Text, BusinessType, Percentage, Date };

// The answer's box in the record browser, where the boxes stand top to bottom in column order,
// below the date's.
struct BrowserBox {
    const char* name;
    const char* label;
    const char* caption;
    Display display;
};

struct Question {
    int number;      // the question's number, which the control, range and box names carry
    int member = 0;  // a business type's member of the group
    OnPage page;
    Control control;
    const char* name;     // the control's object name
    const char* caption;  // the caption of its label; names the answer in messages
    // A list's items in order; a business type's one caption, which is also its stored text.
    std::vector<const char*> items = {};
    const char* preset = nullptr;  // a list's text when the page is made
    bool presetOnce = false;       // ...only while no page 2 was made nor record loaded
    const char* range = nullptr;   // where the write-out writes the answer
    Rule rule = Rule::AnyText;
    Code code = Code::FirstCharacter;
    Bound min = Bound::None;
    Bound max = Bound::None;
    const char* emptyMessage = nullptr;
    const char* checkMessage = nullptr;
    bool focusOnFailure = true;  // a failed check moves the focus to the control
    DefaultBox defaultBox = {};
    Help help = {};
    const char* column = nullptr;  // its column of the Details record
    BrowserBox browser = {};
    // Page 2's caption labels end here (twips); the one of question 5 is wider.
    int captionRight = 2295;
};

// Every answer of the record, in column order.
const std::vector<Question>& Questions();
// The first row of a question: the question itself, or the group's first business type.
const Question& QuestionOf(int number);

// The questions by name, for the code outside the table (bound to the table's rows as the
// program starts; the business types are their group's first member).
extern const Question& kCompany;              // 0
extern const Question& kIndustry;             // 1
extern const Question& kBusinessTypes;        // 2
extern const Question& kInstalledCapacity;    // 3
extern const Question& kServerType;           // 4
extern const Question& kSuperPerformance;     // 5
extern const Question& kRemoteCopy;           // 6
extern const Question& kRaid1;                // 7
extern const Question& kNumberOfServers;      // 8
extern const Question& kGrowthRate;           // 9
extern const Question& kContinuousOperation;  // 10
extern const Question& kOutageCosts;          // 11
// Where a question stands in Questions(), and so in an entry's texts.
int Ordinal(const Question& question);

// The record's last column, the moment it was saved, and its box at the top of the browser.
inline constexpr const char* kDateColumn = "Date";
extern const BrowserBox kDateBox;
// Every text column holds from 1 to this many characters.
inline constexpr int kTextColumnSize = 30;

// The workbook signals defaults it cannot compute with this text in the range of the first one.
inline constexpr const char* kDefaultsFailed = "ERR";

// The code of a coded text ("99" of "99 - Other"): what stands before " - ", or the whole text.
QString CodeOf(const QString& codedText);
// The customer's words for a code of the question's list ("Required" for "1" of Continuous
// Operation): the description of the item with that code, the one list the pages offer too;
// empty text when the list has no such code.
QString DescriptionOf(const Question& question, const QString& code);

}  // namespace entry
