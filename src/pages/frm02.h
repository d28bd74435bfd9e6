#pragma once
// Page 2, Technical Information: one row per question of the question table's page 2, six of
// them beside a green box holding the workbook's default. Its write-out UpdFrm02 checks and
// writes the answers in order.

#include "entry/WriteOut.h"
#include "pages/AnswerPage.h"

#include <map>

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

private:
    // The rows, made column by column: captions, inputs, green boxes, "%" labels, "?" buttons.
    void MakeRows();
    void MakeButtons();
    void SetTabOrder();
    void Create();
    void Connect();

    QLabel* Label2 = nullptr;
    QPushButton* cmdPrev = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* Command1 = nullptr;

    // Made from the question table, in its order: the answers' controls, then the green boxes
    // (shown, never read) and the "?" buttons.
    std::vector<QWidget*> inputs_;
    std::map<const entry::Question*, QLineEdit*> defaultBoxes_;
    std::vector<QWidget*> greenBoxes_;
    std::vector<QWidget*> helpButtons_;
};
