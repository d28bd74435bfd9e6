#pragma once
// Page 1, General Information. Its load opens the workbook connection, which it keeps.

#include "shell/Page.h"
#include "workbook/WorkbookConnection.h"

class QComboBox;

class frm01 : public Page {
    Q_OBJECT
public:
    explicit frm01(Pages& pages);

    bool QueryUnload(CloseCause cause) override;

    bool TuttoOK = false;
    QString sFileName;
    std::shared_ptr<wb::Document> CTabbDoc;
    std::shared_ptr<wb::Application> CTabbApp;

    QComboBox* cmbDLQ1;
};
