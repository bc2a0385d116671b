#include "stations/listsaver.h"

#include "stations/radiostations.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// Qt 6.4's QSaveFile::commit() can report success after its last write failed (the data still
// buffered when the disk fills up): everything is flushed and checked before committing.
bool flushedWithoutError(QSaveFile& file) {
    return file.flush() && file.error() == QFileDevice::NoError;
}

// The system's text for why fileName cannot be written (a read-only file system, no
// permission, a missing folder); Qt's own text only says that it is not writable.
QString whyNotWritable(const QString& fileName, const QString& fallback) {
    const QFileInfo info(fileName);
    const QByteArray target =
        QFile::encodeName(info.exists() ? info.absoluteFilePath() : info.absolutePath());
    if (::access(target.constData(), W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return fallback;
}

QString folderReason() {
    return QCoreApplication::translate("ListSaver", "The path is a folder, not a file");
}

// Qt 6.4's QSaveFile keeps no text for a failed write ("Unknown error"), so the reason is the
// system's text for the error the write left behind.
QString writeFailureReason(const QSaveFile& file) {
    if (file.error() == QFileDevice::NoError)
        return QCoreApplication::translate("ListSaver",
                                           "The list holds text that cannot be written");
    return errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
}

} // namespace

QString ListSaver::withSuffix(const QString& fileName, const QString& suffix) {
    // Only the extension is replaced: a folder whose name holds ".xml" stays as it is.
    const QString ext = QStringLiteral(".xml");
    const qsizetype at = fileName.lastIndexOf(ext);
    if (at < 0)
        return fileName + suffix;
    return fileName.left(at) + suffix + fileName.mid(at + ext.size());
}

QString ListSaver::backupName(const QString& fileName) {
    return withSuffix(fileName, QStringLiteral("_bak.xml"));
}

QString ListSaver::swapName(const QString& fileName) {
    return withSuffix(fileName, QStringLiteral(".tmp.xml"));
}

QString ListSaver::setAsideName(const QString& fileName) {
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("_yyyy-MM-dd_HHmmss"));
    QString name = withSuffix(fileName, stamp + QStringLiteral(".xml"));
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = withSuffix(fileName, stamp + QStringLiteral("_%1.xml").arg(n));
    return name;
}

bool ListSaver::copyReplacing(const QString& source, const QString& target, QString& reason) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        reason = whyNotWritable(target, out.errorString());
        return false;
    }
    out.write(in.readAll());
    if (!flushedWithoutError(out) || !out.commit()) {
        reason = out.errorString();
        out.cancelWriting();
        return false;
    }
    return true;
}

ListSaver::Result ListSaver::save(RadioStations& list, const QString& fileName, Backup backup,
                                  QString& reason) {
    if (QFileInfo(fileName).isDir()) {
        reason = folderReason();
        return Result::OpenFailed;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        reason = whyNotWritable(fileName, file.errorString());
        return Result::OpenFailed;
    }
    errno = 0;
    list.write(&file);
    const bool writerFailed = !list.finishWriting();
    if (writerFailed || !flushedWithoutError(file)) {
        reason = writeFailureReason(file);
        file.cancelWriting();
        return Result::WriteFailed;
    }
    // The previous version becomes the backup only once the new one is known to be complete.
    if (backup == Backup::Refresh && QFileInfo(fileName).isFile() &&
        !copyReplacing(fileName, backupName(fileName), reason)) {
        file.cancelWriting();
        return Result::WriteFailed;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return Result::WriteFailed;
    }
    return Result::Saved;
}

void ListSaver::swapWithBackup(const QString& fileName) {
    const QString swap = swapName(fileName);
    const QString backup = backupName(fileName);
    QFile::rename(fileName, swap);
    QFile::rename(backup, fileName);
    QFile::rename(swap, backup);
}
