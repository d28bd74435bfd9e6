#include "report/ReportTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
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
    // The folder the name lies in, through links: the file at the name is replaced, never the one
    // a link there leads to. A name that leads into the program folder is no target either.
    const QFileInfo folder(target.absolutePath());
    const QString program = QFileInfo(programFolder).canonicalFilePath();
    if (folder.canonicalFilePath() == program ||
        (target.isSymLink() &&
         QFileInfo(QFileInfo(target.symLinkTarget()).absolutePath()).canonicalFilePath() ==
             program)) {
        return shown + QStringLiteral(
                           " is in the program folder of Dravik Lumo, which holds its database, "
                           "workbook and template.\r\rPlease choose a file in another folder");
    }
    // A folder that is not there is not made: the name is more likely mistyped.
    if (!folder.isDir() || !folder.isWritable()) {
        return CannotWritePdfText(path);
    }
    if (!target.exists() || target.isSymLink()) {
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
    QFile existing(path);
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
        // A bidirectional control (U+202E and its kin) would show the name reversed.
        const bool bidi =
            c.category() == QChar::Other_Format &&
            (c.unicode() == 0x061C || (c.unicode() >= 0x200E && c.unicode() <= 0x200F) ||
             (c.unicode() >= 0x202A && c.unicode() <= 0x202E) ||
             (c.unicode() >= 0x2066 && c.unicode() <= 0x2069));
        part +=
            reserved.contains(c) || c.category() == QChar::Other_Control || bidi ? QChar(u'_') : c;
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

QString WritePdf(const QString& path, const QByteArray& pdf) {
    if (path == kStandardOutput) {
        for (qsizetype done = 0; done < pdf.size();) {
            const ssize_t written = ::write(STDOUT_FILENO, pdf.constData() + done,
                                            static_cast<size_t>(pdf.size() - done));
            if (written < 0 && errno != EINTR) {
                return CannotWritePdfText(path);
            }
            done += std::max<ssize_t>(written, 0);
        }
        return QString();
    }
    const QFileInfo target(path);
    const QByteArray folderName = QFile::encodeName(target.absolutePath());
    const QByteArray name = QFile::encodeName(target.fileName());
    const int folder = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return CannotWritePdfText(path);
    }
    // The temporary name is new: O_EXCL with O_NOFOLLOW makes a file of its own or fails, whatever
    // another user has put in a shared folder.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = "." + name + "." +
                    QByteArray::number(QRandomGenerator::system()->generate64(), 36) + ".part";
        fd = ::openat(folder, temporary.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    QString failure;
    if (fd < 0) {
        failure = CannotWritePdfText(path);
    } else {
        bool whole = true;
        for (qsizetype done = 0; whole && done < pdf.size();) {
            const ssize_t written =
                ::write(fd, pdf.constData() + done, static_cast<size_t>(pdf.size() - done));
            whole = written > 0 || (written < 0 && errno == EINTR);
            done += std::max<ssize_t>(written, 0);
        }
        whole = ::fsync(fd) == 0 && whole;
        whole = ::close(fd) == 0 && whole;
        if (!whole) {
            failure = CannotWritePdfText(path);
        } else if (::renameat(folder, temporary.constData(), folder, name.constData()) != 0) {
            // In a folder others may write to, a name another user owns (a link planted there)
            // cannot be replaced; the report is not written through it.
            failure = errno == EPERM || errno == EACCES
                          ? QDir::toNativeSeparators(path) +
                                QStringLiteral(
                                    " belongs to another user and is not replaced."
                                    "\r\rPlease choose another file")
                          : CannotWritePdfText(path);
        }
        if (!failure.isEmpty()) {
            ::unlinkat(folder, temporary.constData(), 0);
        }
    }
    ::close(folder);
    return failure;
}
