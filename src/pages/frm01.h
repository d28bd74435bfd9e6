#pragma once
// Page 1, General Information: company name, industry and business types. Its load opens the
// workbook connection, which the shared values keep; its write-out UpdFrm01 hands the answers to
// the workbook and brings the workbook's defaults onto page 2.

#include "pages/AnswerPage.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frm01 : public AnswerPage {
    Q_OBJECT
public:
    explicit frm01(Pages& pages);

    bool QueryUnload(CloseCause cause) override;

    // Checks the answers, writes each as it passes, reads the six defaults into page 2's green
    // boxes (and, when cManual is set, into page 2's fields and their ranges). Sets TuttoOK.
    void UpdFrm01();

    // Handlers, named after the control and the notification.
    void cmdApply_Click();
    void cmdNext_Click();
    void cmdLoad_Click();
    void cmdDLQ1_Click();
    void cmdDLQ2_Click();
    void cmbDLQ1_Change();
    void cmbDLQ1_Click();
    void chkDLQ2_Click(int index);

    bool TuttoOK = false;

private:
    void MakeControls();
    void SetTabOrder();
    void Load();
    void Connect();

    // Controls, in the order of the page's control table.
    QLabel* Label3 = nullptr;
    std::array<QLabel*, 2> Label1{};  // member 1 "Company Name", member 0 "Industry"
    QLineEdit* txtDLQ0 = nullptr;
    QComboBox* cmbDLQ1 = nullptr;
    QPushButton* cmdDLQ1 = nullptr;
    QLabel* lblDLQ2 = nullptr;
    std::array<QCheckBox*, 6> chkDLQ2{};
    QPushButton* cmdDLQ2 = nullptr;
    QPushButton* cmdLoad = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdNext = nullptr;
};
