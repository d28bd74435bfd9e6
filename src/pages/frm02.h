#pragma once
// Page 2, Technical Information: nine technical answers, six of them beside a green box holding
// the workbook's default. Its write-out UpdFrm02 checks and writes the answers in order.

#include "shell/Page.h"

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frm02 : public Page {
    Q_OBJECT
public:
    explicit frm02(Pages& pages);

    bool QueryUnload(CloseCause cause) override;

    // Checks the nine answers in order and writes each as it passes; at the first failure shows
    // its message, moves the focus there and returns. Sets TuttoOK when all nine are written.
    void UpdFrm02();

    // Handlers, named after the control and the notification.
    void cmdPrev_Click();
    void cmdApply_Click();
    void cmdNext_Click();  // "Apply and Close"
    void cmdSave_Click();
    void Command1_Click();  // "TOC Report Help"
    void cmbDLQ4_Click();   // a Server Type chosen from the list
    void cmdDLQ3_Click();
    void cmdDLQ4_Click();
    void cmdDLQ5_Click();
    void cmdDLQ6_Click();
    void cmdDLQ7_Click();
    void cmdDLQ8_Click();
    void cmdDLQ9_Click();
    void cmdDLQ10_Click();
    void cmdDLQ11_Click();

    bool TuttoOK = false;

    // Controls. Label1 holds the nine captions, member q - 3 for question q.
    QLabel* Label2 = nullptr;
    std::array<QLabel*, 9> Label1{};
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

    // The "%" labels beside the default boxes of questions 5, 6, 7 and 9.
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;

    QPushButton* cmdDLQ3 = nullptr;
    QPushButton* cmdDLQ4 = nullptr;
    QPushButton* cmdDLQ5 = nullptr;
    QPushButton* cmdDLQ6 = nullptr;
    QPushButton* cmdDLQ7 = nullptr;
    QPushButton* cmdDLQ8 = nullptr;
    QPushButton* cmdDLQ9 = nullptr;
    QPushButton* cmdDLQ10 = nullptr;
    QPushButton* cmdDLQ11 = nullptr;

    QPushButton* cmdPrev = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* Command1 = nullptr;

private:
    void ShowHelp(int question);
};
