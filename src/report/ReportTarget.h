#pragma once
// Where `dravik-toc-report --pdf TARGET` writes the report, and writing it there without ever
// destroying what was there before: the program's own files, a file that is no PDF, a file the
// user may not write, or a half-written report where a whole one was.

#include <QByteArray>
#include <QString>

// The target that means standard output.
inline const QString kStandardOutput = QStringLiteral("-");

// The file the argument names: a path (relative to workingFolder), a file:// URL as the path it
// names, "-" as it is. Empty text when it names no file: an empty argument, a URL of another
// kind or of another machine.
QString PdfTargetPath(const QString& argument, const QString& workingFolder);

// Why the report is not written to path, as a message; empty text when it may be. An existing
// file is replaced only when it is a PDF (or empty) and the user may write it; a link at the name
// is replaced itself, whatever it leads to; nothing is written into the program's own folder
// (its database, workbook, template and the programs).
QString RefusedPdfTarget(const QString& path, const QString& programFolder);

// Why reports are not written into folder, as a message; empty text when they may be: it must be
// a folder the user may write to, and not the program's own.
QString RefusedPdfFolder(const QString& folder, const QString& programFolder);

// A record's report in folder: "<key> <company>.pdf", the company made safe for a file name on
// any system (no folder separator, control, bidirectional control or reserved character; no blank
// or dot at its ends;
// at most 72 characters of it).
QString RecordPdfPath(const QString& folder, qint64 key, const QString& company);

// Writes the PDF to path, or to standard output. The PDF goes into a new file of its own in the
// target's folder (made without following any link, with the user's umask), which is then
// renamed onto the name: whatever stands there, a link included, is replaced, never written
// through. Gives the message when that fails, with nothing left half written; empty text when it
// was written.
QString WritePdf(const QString& path, const QByteArray& pdf);

// The message for a PDF that cannot be written to path.
QString CannotWritePdfText(const QString& path);
