#include "records/frm99Create.h"

frm99Create::frm99Create(Pages& pages) : Page(pages, "frm99Create", 4680, 3195, Frame::Sizable) {
    setWindowTitle(QStringLiteral("Form1"));
}
