#pragma once
// Values the pages share. They live outside the pages' windows, so reading or setting one never
// loads the page that owns it (the splash owns sAppName, the record browser the two flags).

#include <QString>

struct SharedValues {
    QString sAppName;
    bool cManual = false;  // Industry or a Business Type changed since the defaults were copied
    bool cLoaded = false;  // page 2 was created, or a record was loaded
};
