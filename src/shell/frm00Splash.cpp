#include "shell/frm00Splash.h"

#include "pages/frm01.h"
#include "shell/AppIdentity.h"
#include "shell/Fonts.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/Automation.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

// A label that sizes itself to its text. A right-aligned one keeps its right edge, so the text
// grows leftwards and stays inside the frame.
void SizeToText(QLabel* label) {
    const QRect before = label->geometry();
    label->adjustSize();
    if (label->alignment() & Qt::AlignRight) {
        label->move(before.right() + 1 - label->width(), before.top());
    }
}

}  // namespace

frm00Splash::frm00Splash(Pages& pages) : Page(pages, "frm00Splash", 7380, 4245) {
    setWindowTitle(QString());

    // The frame and what it holds; positions inside it are relative to it.
    Frame1 = Place(new QFrame, "Frame1", 150, 60, 7080, 4050);
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);

    imgLogo = Place(new QLabel, "imgLogo", 360, 795, 1815, 2385, Frame1);
    imgLogo->setPixmap(QPixmap(QStringLiteral(":/assets/logo.png")));
    imgLogo->setScaledContents(true);

    lblProductName = Place(new QLabel, "lblProductName", 2640, 540, 1785, 555, Frame1);
    lblProductName->setFont(ArialFont(24, true));

    lblCompanyProduct = Place(new QLabel, "lblCompanyProduct", 2355, 1305, 2640, 360, Frame1);
    lblCompanyProduct->setFont(ArialFont(15.75, true));

    lblVersion = Place(new QLabel, "lblVersion", 5970, 2700, 885, 285, Frame1);
    lblVersion->setFont(ArialFont(12, true));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignTop);

    lblCopyright = Place(new QLabel, "lblCopyright", 4440, 3000, 2415, 255, Frame1);
    lblCopyright->setFont(ArialFont(8.25, false));
    lblCopyright->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblCopyright->setText(QString::fromUtf8(kCopyrightText));

    cmdContinue =
        Place(new QPushButton(QStringLiteral("Continue")), "cmdContinue", 6000, 3600, 1095, 375);
    cmdContinue->setDefault(true);
    connect(cmdContinue, &QPushButton::clicked, this, &frm00Splash::cmdContinue_Click);

    // Load steps, in order.
    lblVersion->setText(VersionLabel());
    SizeToText(lblVersion);
    lblCompanyProduct->setText(QString::fromUtf8(kCompanyProductText));
    SizeToText(lblCompanyProduct);
    lblProductName->setText(kAppTitle);
    SizeToText(lblProductName);
    shared_.sAppName = kAppTitle;
    shared_.cManual = false;
    shared_.cLoaded = false;
}

bool frm00Splash::QueryUnload(CloseCause cause) {
    // Closed by its close box before Continue: nothing else is loaded and the workbook is not
    // touched; an office started while the splash showed, still empty, goes too.
    if (cause == CloseCause::User && !continued_) {
        platform_.automation.EndIfUnused();
        platform_.end.End();
    }
    return true;
}

void frm00Splash::cmdContinue_Click() {
    continued_ = true;
    Unload();
    // Reading page 1's width loads it, and its load opens the workbook (or ends the program).
    frm01& page1 = pages_.frm01();
    const int width = page1.Width();
    const auto at = Centre(ScreenWidth(), ScreenHeight(), width, page1.Height());
    page1.SetLeft(at.left);
    page1.SetTop(at.top);
    page1.ShowPage();
}
