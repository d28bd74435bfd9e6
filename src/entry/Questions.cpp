#include "entry/Questions.h"

#include <stdexcept>
#include <string>

namespace entry {

namespace {

constexpr const char* kSelect = "Please select...";
constexpr const char* kMakeASelection = "Please make a selection";
constexpr const char* kPickABusinessType = "Please pick a Business Type!";
constexpr const char* kIndustryAndTypes =
    "The green box represents the default value based on the Industry and the Business Types "
    "selected";
constexpr const char* kIndustryOnly =
    "The green box represents the default value based on the Industry selected";

// One business type: the six are one question, checked together, under one caption and help.
Question BusinessType(int member, const char* name, const char* caption, const char* cell,
                      const char* column, const char* box, const char* label,
                      const char* boxCaption) {
    Question type{
        .number = 2,
        .member = member,
        .page = OnPage::General,
        .control = Control::Tick,
        .name = name,
        .caption = "Business Type",
        .items = {caption},
        .range = cell,
        .rule = Rule::Tick,
        .checkMessage = kPickABusinessType,
        .focusOnFailure = false,  // no one box is to blame
        .column = column,
        .browser = {box, label, boxCaption, Display::BusinessType},
    };
    if (member == 0) {
        type.help = {.button = "cmdDLQ2",
                     .heading = "Business Type",
                     .text =
                         "Please select one (or many) of the applications the customer is "
                         "running."};
    }
    return type;
}

}  // namespace

const std::vector<Question>& Questions() {
    static const std::vector<Question> questions{
        // -- Page 1, General Information ---------------------------------------------------
        {
            .number = 0,
            .page = OnPage::General,
            .control = Control::TextBox,
            .name = "txtDLQ0",
            .caption = "Company Name",
            .range = "DLQ0",
            .rule = Rule::AnyText,
            .emptyMessage = "Company Name must not be left empty!",
            .column = "Company",
            .browser = {"txtDLQ0", "lblDLQ0", "Company Name", Display::Text},
        },
        {
            .number = 1,
            .page = OnPage::General,
            .control = Control::List,
            .name = "cmbDLQ1",
            .caption = "Industry",
            .items = {"1 - Finance", "2 - Manufacturing", "3 - Public", "4 - Insurance",
                      "5 - Industrial", "6 - Communication", "99 - Other"},
            .preset = kSelect,
            .range = "DLQ1",
            .rule = Rule::Choice,
            .code = Code::FirstTwoCharactersTrimmed,
            .checkMessage = kMakeASelection,
            .help = {.button = "cmdDLQ1",
                     .heading = "Industry",
                     .text = "Please select one of the options provided."},
            .column = "Industry",
            .browser = {"txtDLQ1", "lblDLQ1", "Industry", Display::Text},
        },
        BusinessType(0, "chkDLQ2_0", "1 - e-Commerce", "Y:E8", "BT1", "txtDLQ21", "lblDLQ21",
                     "Business Type1"),
        BusinessType(1, "chkDLQ2_1", "2 - ERP", "Y:F8", "BT2", "txtDLQ22", "lblDLQ22",
                     "Business Type2"),
        BusinessType(2, "chkDLQ2_2", "3 - Business Intelligence", "Y:G8", "BT3", "txtDLQ23",
                     "lblDLQ23", "Business Type3"),
        BusinessType(3, "chkDLQ2_3", "4 - SCM", "Y:H8", "BT4", "txtDLQ24", "lblDLQ24",
                     "Business Type4"),
        BusinessType(4, "chkDLQ2_4", "5 - CRM", "Y:I8", "BT5", "txtDLQ25", "lblDLQ25",
                     "Business Type5"),
        BusinessType(5, "chkDLQ2_5", "99 - Other", "Y:J8", "BT6", "txtDLQ26", "lblDLQ26",
                     "Business Type6"),

        // -- Page 2, Technical Information, one row each from the top --------------------------
        {
            .number = 3,
            .page = OnPage::Technical,
            .control = Control::TextBox,
            .name = "txtDLQ3",
            .caption = "Installed Capacity (GB)",
            .range = "DLQ3",
            .rule = Rule::Number,
            .min = Bound::Smallest,
            .emptyMessage = "Installed Capacity (GB) must not be left empty!",
            .checkMessage = "Installed Capacity (GB) must be a positive value!",
            .help = {.button = "cmdDLQ3",
                     .heading = "Installed Capacity",
                     .text = "Please enter here the disk storage capacity currently installed."},
            .column = "InstalledCapacity",
            .browser = {"txtDLQ3", "lblDLQ3", "Installed Capacity (GB)", Display::Text},
        },
        {
            .number = 4,
            .page = OnPage::Technical,
            .control = Control::List,
            .name = "cmbDLQ4",
            .caption = "Server Type",
            .items = {"1 - Vastor", "2 - Open"},
            .preset = "2 - Open",
            .presetOnce = true,  // a record loaded into a new page brings its own
            .range = "DLQ4",
            .rule = Rule::Choice,
            .checkMessage = kMakeASelection,
            .help = {.button = "cmdDLQ4",
                     .heading = "Server Type",
                     .text = "Please select the server environment."},
            .column = "ServerType",
            .browser = {"txtDLQ4", "lblDLQ4", "Server Type", Display::Text},
        },
        {
            .number = 5,
            .page = OnPage::Technical,
            .control = Control::TextBox,
            .name = "txtDLQ5",
            .caption = "% requiring Super Performance",
            .range = "DLQ5",
            .rule = Rule::Percentage,
            .min = Bound::Zero,
            .max = Bound::Hundred,
            .emptyMessage = "% requiring Super Performance must not be left empty!",
            .checkMessage = "% requiring Super Performance must be a value between 0 and 100!",
            .defaultBox = {.name = "txtDLQ5default",
                           .range = "DL_DEF_SP",
                           .shown = Shown::Percentage,
                           .percentLabel = "Label9"},
            .help = {.button = "cmdDLQ5",
                     .heading = "% requiring Super Performance",
                     .text = "Please enter here the % of applications performance-critical.",
                     .greenBox = kIndustryAndTypes},
            .column = "SuperPerformance",
            .browser = {"txtDLQ5", "lblDLQ5", "% Super Performance", Display::Percentage},
            .captionRight = 2415,
        },
        {
            .number = 6,
            .page = OnPage::Technical,
            .control = Control::TextBox,
            .name = "txtDLQ6",
            .caption = "% requiring Remote Copy",
            .range = "DLQ6",
            .rule = Rule::Percentage,
            .min = Bound::Zero,
            .max = Bound::Hundred,
            .emptyMessage = "% requiring Remote Copy must not be left empty!",
            .checkMessage = "% requiring Remote Copy must be a value between 0 and 100!",
            .defaultBox = {.name = "txtDLQ6default",
                           .range = "DL_DEF_RC",
                           .shown = Shown::Percentage,
                           .percentLabel = "Label10"},
            .help = {.button = "cmdDLQ6",
                     .heading = "% requiring Remote Copy",
                     .text = "Please enter here the % of applications or data requiring a "
                             "disaster tolerance environment.",
                     .greenBox = kIndustryAndTypes},
            .column = "RemoteCopy",
            .browser = {"txtDLQ6", "lblDLQ6", "% Remote Copy", Display::Percentage},
        },
        {
            .number = 7,
            .page = OnPage::Technical,
            .control = Control::TextBox,
            .name = "txtDLQ7",
            .caption = "% implemented in RAID1",
            .range = "DLQ7",
            .rule = Rule::Percentage,
            .min = Bound::Zero,
            .max = Bound::Hundred,
            .emptyMessage = "% implemented in RAID1 must not be left empty!",
            .checkMessage = "% implemented in RAID1 must be a value between 0 and 100!",
            .defaultBox = {.name = "txtDLQ7default",
                           .range = "DL_DEF_R1",
                           .shown = Shown::Percentage,
                           .percentLabel = "Label11"},
            .help = {.button = "cmdDLQ7",
                     .heading = "% requiring RAID1",
                     .text = "Please enter here the % of applications or data requiring a "
                             "mission-critical environment.",
                     .greenBox = kIndustryAndTypes},
            .column = "RAID1",
            .browser = {"txtDLQ7", "lblDLQ7", "% RAID1", Display::Percentage},
        },
        {
            .number = 8,
            .page = OnPage::Technical,
            .control = Control::TextBox,
            .name = "txtDLQ8",
            .caption = "Number of Servers",
            .range = "DLQ8",
            .rule = Rule::Number,
            .min = Bound::Smallest,
            .emptyMessage = "Number of Servers must not be left empty!",
            .checkMessage = "Number of Servers must be a positive value!",
            .help = {.button = "cmdDLQ8",
                     .heading = "Number of Servers",
                     .text = "Please enter here the number of servers involved in the project."},
            .column = "NumberServers",
            .browser = {"txtDLQ8", "lblDLQ8", "Number of Servers", Display::Text},
        },
        {
            .number = 9,
            .page = OnPage::Technical,
            .control = Control::TextBox,
            .name = "txtDLQ9",
            .caption = "Storage Growth Rate %",
            .range = "DLQ9",
            .rule = Rule::Percentage,
            .min = Bound::Zero,
            .emptyMessage = "Storage Growth Rate must not be left empty!",
            .checkMessage = "Storage Growth Rate must be a positive value!",
            .defaultBox = {.name = "txtDLQ9default",
                           .range = "DL_DEF_GR",
                           .shown = Shown::Percentage,
                           .percentLabel = "Label12"},
            .help = {.button = "cmdDLQ9",
                     .heading = "% Storage Growth Rate",
                     .text = "Please enter here the expected capacity growth per annum (as a "
                             "percentage of installed capacity).",
                     .greenBox = kIndustryOnly},
            .column = "GrowthRateStorage",
            .browser = {"txtDLQ9", "lblDLQ9", "Storage Growth Rate %", Display::Percentage},
        },
        {
            .number = 10,
            .page = OnPage::Technical,
            .control = Control::List,
            .name = "cmbDLQ10",
            .caption = "Continuous Operation",
            .items = {"0 - Not required", "1 - Required"},
            .preset = kSelect,
            .range = "DLQ10",
            .rule = Rule::Choice,
            .checkMessage = kMakeASelection,
            .defaultBox = {.name = "txtDLQ10default",
                           .range = "DL_DEF_OPER",
                           .shown = Shown::ListText,
                           .zeroText = " - Not required",
                           .otherText = " - Required"},
            .help = {.button = "cmdDLQ10",
                     .heading = "Continuous Operations",
                     .text = "Please select the level of Business Continuity required.",
                     .greenBox = kIndustryOnly},
            .column = "ContinuousOperations",
            .browser = {"txtDLQ10", "lblDLQ10", "Continuous Operations", Display::Text},
        },
        {
            .number = 11,
            .page = OnPage::Technical,
            .control = Control::TextBox,
            .name = "txtDLQ11",
            .caption = "Outage Costs $/hour",
            .range = "DLQ11",
            .rule = Rule::Number,
            .min = Bound::Zero,
            .emptyMessage = "Outage Cost must not be left empty!",
            .checkMessage = "Outage Cost must be a positive value!",
            .defaultBox = {.name = "txtDLQ11default",
                           .range = "DL_DEF_OUTCOST",
                           .shown = Shown::Whole},
            .help = {.button = "cmdDLQ11",
                     .heading = "Outage Costs",
                     .text = "Please enter the hourly outage cost of the company.",
                     .greenBox = kIndustryAndTypes},
            .column = "OutageCost",
            .browser = {"txtDLQ11", "lblDLQ11", "Outage Cost", Display::Text},
        },
    };
    return questions;
}

const BrowserBox kDateBox{"txtDLQ12", "lblDLQ12", "Record Creation Date", Display::Date};

const Question& QuestionOf(int number) {
    for (const Question& question : Questions()) {
        if (question.number == number) {
            return question;
        }
    }
    throw std::out_of_range("no question " + std::to_string(number));
}

const Question& kCompany = QuestionOf(0);
const Question& kIndustry = QuestionOf(1);
const Question& kBusinessTypes = QuestionOf(2);
const Question& kInstalledCapacity = QuestionOf(3);
const Question& kServerType = QuestionOf(4);
const Question& kSuperPerformance = QuestionOf(5);
const Question& kRemoteCopy = QuestionOf(6);
const Question& kRaid1 = QuestionOf(7);
const Question& kNumberOfServers = QuestionOf(8);
const Question& kGrowthRate = QuestionOf(9);
const Question& kContinuousOperation = QuestionOf(10);
const Question& kOutageCosts = QuestionOf(11);

int Ordinal(const Question& question) {
    return static_cast<int>(&question - Questions().data());
}

QString CodeOf(const QString& codedText) {
    return codedText.section(QStringLiteral(" - "), 0, 0);
}

QString DescriptionOf(const Question& question, const QString& code) {
    for (const char* item : question.items) {
        const QString coded = QString::fromUtf8(item);
        if (!code.isEmpty() && CodeOf(coded) == code) {
            return coded.section(QStringLiteral(" - "), 1);
        }
    }
    return QString();
}

}  // namespace entry
