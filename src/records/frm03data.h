#pragma once
// The record browser.

#include "shell/Page.h"

class frm03data : public Page {
    Q_OBJECT
public:
    explicit frm03data(Pages& pages);

    bool QueryUnload(CloseCause cause) override;

    // Opens the database and shows the first record.
    void LoadForm();
};
