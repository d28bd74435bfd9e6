#pragma once
// The splash: the first window. Its load sets the shared values; Continue opens page 1.

#include "shell/Page.h"

class QFrame;
class QLabel;
class QPushButton;

class frm00Splash : public Page {
    Q_OBJECT
public:
    explicit frm00Splash(Pages& pages);

    bool QueryUnload(CloseCause cause) override;

    void cmdContinue_Click();

    // Closing the splash before Continue: nothing else is loaded, the workbook is not touched,
    // and an office started while the splash showed, still empty, goes too.
    [[noreturn]] void EndWithoutContinue();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QFrame* Frame1 = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblCompanyProduct = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCopyright = nullptr;
    QPushButton* cmdContinue = nullptr;
    bool continued_ = false;
};

// The supported storage-server models, and the maker's notice.
inline const char* const kCompanyProductText = "Vastor and Open Servers";
inline const char* const kCopyrightText = "\u00A9 The Dravik Lumo developers";
