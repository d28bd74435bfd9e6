#include "records/frm99Create.h"

#include "records/Details.h"
#include "shell/Platform.h"

#include <QPushButton>

frm99Create::frm99Create(Pages& pages) : Page(pages, "frm99Create", 4680, 3195, Frame::Sizable) {
    setWindowTitle(QStringLiteral("Form1"));
    cmdCreate =
        Place(new QPushButton(QStringLiteral("Create DB")), "cmdCreate", 1080, 840, 1095, 255);
    connect(cmdCreate, &QPushButton::clicked, this, &frm99Create::cmdCreate_Click);
}

void frm99Create::cmdCreate_Click() {
    const QString path = DatabasePath(platform_.programFolder);
    try {
        CreateDetailsDatabase(path);
    } catch (const dao::RecordStoreError& error) {
        platform_.msg.MsgBox(DatabaseFailureText(error, path), kStyleExclamation, kCreateTitle);
        return;
    }
    platform_.msg.MsgBox(QStringLiteral("Database Created"), kStyleOk, kCreateTitle);
}
