#pragma once
// Values the pages share. They live outside the pages' windows, so reading or setting one never
// loads the page that owns it (the splash sets sAppName and the two flags, page 1's load opens
// the workbook connection).

#include <QString>

#include <memory>

namespace wb {
class Application;
class Document;
}  // namespace wb

struct SharedValues {
    QString sAppName;
    bool cManual = false;  // Industry or a Business Type changed since the defaults were copied
    bool cLoaded = false;  // page 2 was created, or a record was loaded
    // The workbook connection, opened once by page 1's load and kept for the whole run.
    QString sFileName;
    std::shared_ptr<wb::Document> CTabbDoc;
    std::shared_ptr<wb::Application> CTabbApp;
};
