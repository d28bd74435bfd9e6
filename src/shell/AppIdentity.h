#pragma once
// The program's identity, fixed at build time. The build reads the three version numbers from
// this file too (for the workbook's file name), so they are kept here and nowhere else.

#include <QString>

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 7;

// The application title: the splash's product label and every untitled message box.
inline const QString kAppTitle = QStringLiteral("Dravik Lumo");

// "Version 1.1.7a": each number a plain decimal, then the letter a.
QString VersionLabel(int major = kVersionMajor, int minor = kVersionMinor,
                     int revision = kVersionRevision);

// "Dravik-Lumo_V117a.tabb": the numbers joined without separators.
QString WorkbookFileName(int major = kVersionMajor, int minor = kVersionMinor,
                         int revision = kVersionRevision);

// The folder that holds the program file (not the working directory).
QString ProgramFolder();
