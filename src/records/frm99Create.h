#pragma once
// The window that creates the empty record database. Nothing in the program opens it; the
// program dravik-create-db shows it.

#include "shell/Page.h"

class QPushButton;

class frm99Create : public Page {
    Q_OBJECT
public:
    explicit frm99Create(Pages& pages);

    void cmdCreate_Click();

private:
    QPushButton* cmdCreate = nullptr;
};
