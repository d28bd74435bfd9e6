#include "pages/AnswerPage.h"

#include "entry/WriteOut.h"
#include "shell/Platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

using entry::Control;
using entry::Question;

AnswerPage::AnswerPage(Pages& pages, const char* objectName, int clientWidthTwips,
                       int clientHeightTwips, entry::OnPage page)
    : Page(pages, objectName, clientWidthTwips, clientHeightTwips) {
    for (const Question& question : entry::Questions()) {
        if (question.page == page) {
            questions_.push_back(&question);
        }
    }
}

QWidget* AnswerPage::ControlOf(const Question& question) const {
    // Looked up once, after the page has made its controls.
    if (controls_.empty()) {
        for (const Question* own : questions_) {
            controls_.push_back(Child<QWidget>(own->name));
        }
    }
    const auto at = std::find(questions_.begin(), questions_.end(), &question);
    return controls_[at - questions_.begin()];
}

void AnswerPage::PutAnswers(entry::Entry& entry) const {
    for (const Question* question : questions_) {
        QWidget* control = ControlOf(*question);
        QString& answer = entry[*question];
        switch (question->control) {
            case Control::TextBox:
                answer = static_cast<QLineEdit*>(control)->text();
                break;
            case Control::List:
                answer = static_cast<QComboBox*>(control)->currentText();
                break;
            case Control::Tick:
                // Only a tick counts; a greyed box is no tick.
                answer = static_cast<QCheckBox*>(control)->checkState() == Qt::Checked
                             ? QString::fromUtf8(question->items.front())
                             : entry::kUnticked;
                break;
        }
    }
}

void AnswerPage::ShowEntry(const entry::Entry& entry) {
    for (const Question* question : questions_) {
        QWidget* control = ControlOf(*question);
        const QString& answer = entry[*question];
        switch (question->control) {
            case Control::TextBox:
                static_cast<QLineEdit*>(control)->setText(answer);
                break;
            case Control::List:
                // No item is looked up: a text that is not in the list is shown as well.
                static_cast<QComboBox*>(control)->setEditText(answer);
                break;
            case Control::Tick:
                static_cast<QCheckBox*>(control)->setCheckState(
                    entry.Ticked(*question) ? Qt::Checked : Qt::Unchecked);
                break;
        }
    }
}

void AnswerPage::ShowResult(const entry::WriteOutResult& result) {
    for (const entry::Message& message : result.messages) {
        platform_.msg.MsgBox(message.text, message.style);
    }
    if (result.failed && result.failed->focusOnFailure) {
        ControlOf(*result.failed)->setFocus();
    }
}

void AnswerPage::ShowHelp(const Question& question) {
    const entry::Help& help = question.help;
    QString text =
        QString::fromUtf8(help.heading) + QStringLiteral("\r\r") + QString::fromUtf8(help.text);
    if (help.greenBox) {
        text += QStringLiteral("\r\r") + QString::fromUtf8(help.greenBox);
    }
    platform_.msg.MsgBox(text, kStyleInformation, QStringLiteral("Help"));
}
