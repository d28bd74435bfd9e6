#pragma once
// Page 2, Technical Information.

#include "shell/Page.h"

class frm02 : public Page {
    Q_OBJECT
public:
    explicit frm02(Pages& pages);

    bool QueryUnload(CloseCause cause) override;

    bool TuttoOK = false;
};
