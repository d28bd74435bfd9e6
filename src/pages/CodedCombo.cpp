#include "pages/CodedCombo.h"

#include "shell/Page.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// Qt takes Enter on a text that matches an item for a choice of that item; here it is not.
class EnterIsNoChoice : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// Qt steps a closed list's choice with each wheel step over it, so a wheel turned on the way
// elsewhere would change an answer (on Server Type even write it and replace the growth rate).
// The closed list leaves the wheel to its window; the open list is another widget and scrolls.
class WheelIsNoChoice : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Wheel) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

QComboBox* MakeCodedCombo() {
    auto* combo = new QComboBox;
    combo->setEditable(true);
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // Nor does the wheel take the focus.
    combo->setFocusPolicy(Qt::StrongFocus);
    auto* filter = new EnterIsNoChoice(combo);
    combo->installEventFilter(filter);
    combo->lineEdit()->installEventFilter(filter);
    combo->installEventFilter(new WheelIsNoChoice(combo));
    SetUpTextBox(combo->lineEdit());
    return combo;
}

void FillCodedCombo(QComboBox* combo, const std::vector<const char*>& items) {
    for (const char* item : items) {
        combo->addItem(QString::fromUtf8(item));
    }
    // Qt makes the first item added the current one, which would sit selected behind the text.
    combo->setCurrentIndex(-1);
}
