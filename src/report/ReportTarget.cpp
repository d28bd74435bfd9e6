#include "report/ReportTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <unistd.h>
#include <cerrno>

QString PdfTargetPath(const QString& argument, const QString& workingFolder) {
    if (argument.isEmpty() || argument == kStandardOutput) {
        return argument;
    }
    QString path = argument;
    if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        const bool thisMachine = url.host().isEmpty() || url.host() == u"localhost";
        if (!url.isValid() || !url.isLocalFile() || !thisMachine || url.path().isEmpty()) {
            return QString();
        }
        path = url.toLocalFile();
    }
    return QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path));
}

QString CannotWritePdfText(const QString& path) {
    return QStringLiteral("The report cannot be written to ") + QDir::toNativeSeparators(path) +
           QStringLiteral("\r\rPlease choose a file in a folder you can write to");
}

QString RefusedPdfTarget(const QString& path, const QString& programFolder) {
    if (path == kStandardOutput) {
        return QString();
    }
    const QFileInfo target(path);
    const QString shown = QDir::toNativeSeparators(path);
    // Through links: the file that would change, and the folder it lies in.
    const QString real = target.exists() ? target.canonicalFilePath() : path;
    const QFileInfo folder(QFileInfo(real).absolutePath());
    if (folder.canonicalFilePath() == QFileInfo(programFolder).canonicalFilePath()) {
        return shown + QStringLiteral(
                           " is in the program folder of Dravik Lumo, which holds its database, "
                           "workbook and template.\r\rPlease choose a file in another folder");
    }
    // A folder that is not there is not made: the name is more likely mistyped.
    if (!folder.isDir() || !folder.isWritable()) {
        return CannotWritePdfText(path);
    }
    if (!target.exists()) {
        return QString();
    }
    if (target.isDir()) {
        return shown + QStringLiteral(" is a folder.\r\rPlease give the name of the PDF file");
    }
    // Read-only by its mode is read-only for every user, root too (whom the system lets write).
    constexpr QFile::Permissions kAnyWrite =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!target.isWritable() || !(target.permissions() & kAnyWrite)) {
        return shown + QStringLiteral(
                           " is read-only and is not replaced.\r\rPlease choose "
                           "another file, or make it writable first");
    }
    QFile existing(real);
    const bool emptyFile = target.isFile() && target.size() == 0;
    if (!emptyFile &&
        (!target.isFile() || !existing.open(QIODevice::ReadOnly) || existing.read(5) != "%PDF-")) {
        return shown +
               QStringLiteral(" is no PDF file and is not replaced.\r\rPlease choose another file");
    }
    return QString();
}

QString RefusedPdfFolder(const QString& folder, const QString& programFolder) {
    const QFileInfo target(folder);
    const QString shown = QDir::toNativeSeparators(folder);
    if (!target.exists()) {
        return shown +
               QStringLiteral(" is not there.\r\rPlease give a folder that exists for the reports");
    }
    if (!target.isDir()) {
        return shown + QStringLiteral(" is no folder.\r\rPlease give the folder for the reports");
    }
    if (target.canonicalFilePath() == QFileInfo(programFolder).canonicalFilePath()) {
        return shown + QStringLiteral(
                           " is the program folder of Dravik Lumo, which holds its database, "
                           "workbook and template.\r\rPlease choose another folder");
    }
    if (!target.isWritable()) {
        return QStringLiteral("The reports cannot be written into ") + shown +
               QStringLiteral("\r\rPlease choose a folder you can write to");
    }
    return QString();
}

QString RecordPdfPath(const QString& folder, qint64 key, const QString& company) {
    // The key comes first, so the name never begins with a dot nor names a folder.
    static const QString reserved = QStringLiteral("/\\:*?\"<>|");
    QString part;
    for (const QChar c : company) {
        part += reserved.contains(c) || c.category() == QChar::Other_Control ? QChar(u'_') : c;
    }
    part = part.simplified();
    // A file name has at most 255 bytes; a long company name is cut, never in a character.
    constexpr qsizetype kLongest = 72;
    if (part.size() > kLongest) {
        part.truncate(part[kLongest - 1].isHighSurrogate() ? kLongest - 1 : kLongest);
        part = part.trimmed();
    }
    while (part.endsWith(u'.')) {
        part = part.chopped(1).trimmed();
    }
    return QDir(folder).filePath(part.isEmpty() ? QStringLiteral("%1.pdf").arg(key)
                                                : QStringLiteral("%1 %2.pdf").arg(key).arg(part));
}

bool WritePdf(const QString& path, const QByteArray& pdf) {
    if (path == kStandardOutput) {
        for (qsizetype done = 0; done < pdf.size();) {
            const ssize_t written = ::write(STDOUT_FILENO, pdf.constData() + done,
                                            static_cast<size_t>(pdf.size() - done));
            if (written < 0 && errno != EINTR) {
                return false;
            }
            done += std::max<ssize_t>(written, 0);
        }
        return true;
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size() && file.commit();
}
