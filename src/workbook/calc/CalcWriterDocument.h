#pragma once
// The report document in Writer: a new document made from the report template, whose bookmarks,
// tables and charts the report fills, shown to the user or handed over as PDF. Only the Calc
// backend's own .cpp files include this header.

#include "workbook/calc/CalcUno.h"

namespace dravik_uno {

// The document made from the template as model; locked: its controllers are locked while it is
// filled (a shown document), and unlocked when it is shown.
std::shared_ptr<wb::TextDocument> MakeWriterDocument(std::shared_ptr<OfficeConnection> office,
                                                     css::uno::Reference<css::frame::XModel> model,
                                                     bool locked);

}  // namespace dravik_uno
