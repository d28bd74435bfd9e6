#include "pages/CodedCombo.h"

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

}  // namespace

QComboBox* MakeCodedCombo() {
    auto* combo = new QComboBox;
    combo->setEditable(true);
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    auto* filter = new EnterIsNoChoice(combo);
    combo->installEventFilter(filter);
    combo->lineEdit()->installEventFilter(filter);
    return combo;
}
