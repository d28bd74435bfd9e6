#pragma once
// A page of questions. Its controls carry the object names the question table gives them; the
// page hands its answers over as part of an entry, shows an entry's answers, and shows what a
// write-out of its answers found.

#include "entry/Entry.h"
#include "shell/Page.h"

namespace entry {
struct WriteOutResult;
}

class AnswerPage : public Page {
    Q_OBJECT
public:
    AnswerPage(Pages& pages, const char* objectName, int clientWidthTwips, int clientHeightTwips,
               entry::OnPage page);

    // This page's answers into the entry, as the controls hold them.
    void PutAnswers(entry::Entry& entry) const;
    // The entry's answers of this page into the controls.
    void ShowEntry(const entry::Entry& entry);

    // The control of one of this page's questions.
    QWidget* ControlOf(const entry::Question& question) const;

protected:
    // The messages of a write-out in order, then the focus to the answer that failed.
    void ShowResult(const entry::WriteOutResult& result);
    // The "?" button's help of a question.
    void ShowHelp(const entry::Question& question);

    template <class W>
    W* Child(const char* name) const {
        return findChild<W*>(QString::fromLatin1(name));
    }

    // This page's questions, top to bottom.
    const std::vector<const entry::Question*>& Questions() const { return questions_; }

private:
    std::vector<const entry::Question*> questions_;
    mutable std::vector<QWidget*> controls_;  // the questions' controls, in the same order
};
