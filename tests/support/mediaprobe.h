#pragma once

// What ffprobe says about a recorded file, for the Qt tests that check recordings open in a
// player. Header only, as the support library itself stays free of Qt. Runs ffprobe and waits.

#include <QMap>
#include <QProcess>
#include <QString>

namespace qwtest {

// "key=value" lines of ffprobe about the first audio stream (codec_name, bit_rate) and the
// container (duration), plus "exit" with ffprobe's exit code.
inline QMap<QString, QString> probe(const QString& path) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {"-v", "error", "-select_streams", "a:0", "-show_entries",
                   "stream=codec_name,bit_rate:format=duration", "-of", "default=nw=1", path});
    ffprobe.waitForFinished(-1);
    QMap<QString, QString> values;
    for (const QByteArray& line : ffprobe.readAllStandardOutput().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            values.insert(QString::fromLatin1(line.left(eq)), QString::fromLatin1(line.mid(eq + 1)));
    }
    values.insert(QStringLiteral("exit"), QString::number(ffprobe.exitCode()));
    return values;
}

// Everything ffmpeg complains of while decoding a whole file (a page whose checksum fails, a
// missing header); empty for a clean file.
inline QString decodeErrors(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-f", "null", "-"});
    ffmpeg.waitForFinished(-1);
    const QString errors = QString::fromLocal8Bit(ffmpeg.readAllStandardError()).trimmed();
    if (ffmpeg.exitCode() == 0)
        return errors;
    return errors + QStringLiteral(" (exit %1)").arg(ffmpeg.exitCode());
}

} // namespace qwtest
