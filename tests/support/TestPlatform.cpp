#include "TestPlatform.h"

#include <gtest/gtest.h>

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    for (const Step& step : script_) {
        ADD_FAILURE() << "expected message box never shown: " << step.box.text.toStdString();
    }
}

ScriptedMessageBoxes& ScriptedMessageBoxes::Expect(const QString& text, MsgStyle style,
                                                   const QString& title, MsgResult answer) {
    script_.push_back({{text, style, title}, answer});
    return *this;
}

MsgResult ScriptedMessageBoxes::Present(const QString& text, MsgStyle style, const QString& title) {
    if (onShow) {
        onShow();
    }
    shown.push_back({text, style, title});
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected message box: \"" << text.toStdString() << "\" style " << style
                      << " title \"" << title.toStdString() << "\"";
        return style == kStyleYesNoInformation ? MsgResult::No : MsgResult::Ok;
    }
    const Step step = script_.front();
    script_.pop_front();
    if (const qsizetype any = step.box.text.indexOf(kAnyText); any >= 0) {
        EXPECT_TRUE(text.startsWith(step.box.text.left(any)) &&
                    text.endsWith(step.box.text.mid(any + kAnyText.size())))
            << "expected \"" << step.box.text.toStdString() << "\", shown \"" << text.toStdString()
            << "\"";
    } else {
        EXPECT_EQ(step.box.text.toStdString(), text.toStdString());
    }
    EXPECT_EQ(step.box.style, style) << "for \"" << text.toStdString() << "\"";
    EXPECT_EQ(step.box.title.toStdString(), title.toStdString())
        << "for \"" << text.toStdString() << "\"";
    return step.answer;
}

void TestProgramEnd::Terminate(int endStatus) {
    ++endCount;
    status = endStatus;
    throw ProgramEnded{};
}
