#pragma once

// What every fuzz target shares: the Qt application object the station classes need (created
// once, offscreen), a scratch folder for inputs that are read from files, and the usual views of
// the fuzzer's bytes. One process, one thread; used by the fuzz_*.cpp targets only.

#include "settings/appsettings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzz {

// Creates the application object once; the station classes load icons and resources.
inline void startQt() {
    static int argc = 1;
    static char name[] = "quillowave-fuzz";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(argc, argv);
}

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The bytes as the readers get them from the network: UTF-8 with replacement of bad sequences.
inline QString text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A path in a folder of the process's own; files in it are rewritten by every run.
inline QString scratchPath(const QString& name) {
    static QTemporaryDir dir;
    return dir.filePath(name);
}

// The settings store in a scratch folder, so that no run touches the user's files.
inline void useScratchSettings() {
    const QString folder = scratchPath(QStringLiteral("settings"));
    QDir().mkpath(folder);
    AppSettings::setInstanceProgramFolder(folder);
}

// Writes the bytes to a scratch file of that name and returns its path.
inline QString asFile(const QString& name, const uint8_t* data, size_t size) {
    const QString path = scratchPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    return path;
}

} // namespace fuzz
