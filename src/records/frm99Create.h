#pragma once
// The window that creates the empty record database.

#include "shell/Page.h"

class frm99Create : public Page {
    Q_OBJECT
public:
    explicit frm99Create(Pages& pages);
};
