#pragma once
// Page 2, Technical Information: one row per question of the question table's page 2, six of
// them beside a green box holding the workbook's default. Its write-out UpdFrm02 checks and
// writes the answers in order.

#include "entry/WriteOut.h"

#include <map>
#include "pages/AnswerPage.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frm02 : public AnswerPage {
    Q_OBJECT
public:
    explicit frm02(Pages& pages);

    bool QueryUnload(CloseCause cause) override;

    // Checks the answers in order and writes each as it passes; at the first failure shows its
    // message, moves the focus there and returns. Sets TuttoOK when all are written.
    void UpdFrm02();

    // Page 1's write-out: the defaults into their green boxes, then the copies into the answers.
    void ShowDefaults(const std::vector<entry::QuestionText>& defaults,
                      const std::vector<entry::QuestionText>& copied);

    // Handlers, named after the control and the notification; each "?" shows its question's help.
    void cmdPrev_Click();
    void cmdApply_Click();
    void cmdNext_Click();  // "Apply and Close"
    void cmdSave_Click();
    void Command1_Click();  // "TOC Report Help"
    void cmbDLQ4_Click();   // a Server Type chosen from the list

    bool TuttoOK = false;

    QLabel* Label2 = nullptr;
    QPushButton* cmdPrev = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* Command1 = nullptr;

    // The questions' controls, made from the question table and found by their object names.
    QLineEdit* txtDLQ3 = nullptr;
    QComboBox* cmbDLQ4 = nullptr;
    QLineEdit* txtDLQ5 = nullptr;
    QLineEdit* txtDLQ6 = nullptr;
    QLineEdit* txtDLQ7 = nullptr;
    QLineEdit* txtDLQ8 = nullptr;
    QLineEdit* txtDLQ9 = nullptr;
    QComboBox* cmbDLQ10 = nullptr;
    QLineEdit* txtDLQ11 = nullptr;
    // The green default boxes: shown, never read.
    QLineEdit* txtDLQ5default = nullptr;
    QLineEdit* txtDLQ6default = nullptr;
    QLineEdit* txtDLQ7default = nullptr;
    QLineEdit* txtDLQ9default = nullptr;
    QLineEdit* txtDLQ10default = nullptr;
    QLineEdit* txtDLQ11default = nullptr;

private:
    std::map<const entry::Question*, QLineEdit*> defaultBoxes_;

    // Fills the members above. A template only so that this header needs no widget headers:
    // frm02.cpp instantiates it.
    template <class Self>
    static void FindControls(Self& p) {
        p.txtDLQ3 = p.template Child<QLineEdit>("txtDLQ3");
        p.cmbDLQ4 = p.template Child<QComboBox>("cmbDLQ4");
        p.txtDLQ5 = p.template Child<QLineEdit>("txtDLQ5");
        p.txtDLQ6 = p.template Child<QLineEdit>("txtDLQ6");
        p.txtDLQ7 = p.template Child<QLineEdit>("txtDLQ7");
        p.txtDLQ8 = p.template Child<QLineEdit>("txtDLQ8");
        p.txtDLQ9 = p.template Child<QLineEdit>("txtDLQ9");
        p.cmbDLQ10 = p.template Child<QComboBox>("cmbDLQ10");
        p.txtDLQ11 = p.template Child<QLineEdit>("txtDLQ11");
        p.txtDLQ5default = p.template Child<QLineEdit>("txtDLQ5default");
        p.txtDLQ6default = p.template Child<QLineEdit>("txtDLQ6default");
        p.txtDLQ7default = p.template Child<QLineEdit>("txtDLQ7default");
        p.txtDLQ9default = p.template Child<QLineEdit>("txtDLQ9default");
        p.txtDLQ10default = p.template Child<QLineEdit>("txtDLQ10default");
        p.txtDLQ11default = p.template Child<QLineEdit>("txtDLQ11default");
    }
};
