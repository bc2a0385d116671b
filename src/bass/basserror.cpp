#include "bass/basserror.h"

#include <QCoreApplication>

namespace BASS {

namespace {

struct ErrorRow {
    int code;
    const char* text;
};

// Searched from the top; the row of code -1 answers for every code not listed.
constexpr ErrorRow kErrors[] = {
    {1, QT_TRANSLATE_NOOP("QObject", "Memory error")},
    {2, QT_TRANSLATE_NOOP("QObject", "Can't open the file")},
    {3, QT_TRANSLATE_NOOP("QObject", "Can't find a free/valid driver")},
    {4, QT_TRANSLATE_NOOP("QObject", "The sample buffer was lost")},
    {5, QT_TRANSLATE_NOOP("QObject", "Invalid handle")},
    {6, QT_TRANSLATE_NOOP("QObject", "Unsupported sample format")},
    {7, QT_TRANSLATE_NOOP("QObject", "Invalid playback position")},
    {8, QT_TRANSLATE_NOOP("QObject", "BASS_Init was not successfully called")},
    {9, QT_TRANSLATE_NOOP("QObject", "BASS_Start was not successfully called")},
    {14, QT_TRANSLATE_NOOP("QObject", "Already initialized/paused/etc")},
    {18, QT_TRANSLATE_NOOP("QObject", "Can't get a free channel")},
    {19, QT_TRANSLATE_NOOP("QObject", "An illegal type was specified")},
    {20, QT_TRANSLATE_NOOP("QObject", "An illegal parameter was specified")},
    {21, QT_TRANSLATE_NOOP("QObject", "No 3D support")},
    {22, QT_TRANSLATE_NOOP("QObject", "No EAX support")},
    {23, QT_TRANSLATE_NOOP("QObject", "Illegal device number")},
    {24, QT_TRANSLATE_NOOP("QObject", "Not playing")},
    {25, QT_TRANSLATE_NOOP("QObject", "Illegal sample rate")},
    {27, QT_TRANSLATE_NOOP("QObject", "The stream is not a file stream")},
    {29, QT_TRANSLATE_NOOP("QObject", "No hardware voices available")},
    {31, QT_TRANSLATE_NOOP("QObject", "The MOD music has no sequence data")},
    {32, QT_TRANSLATE_NOOP("QObject", "No internet connection could be opened")},
    {33, QT_TRANSLATE_NOOP("QObject", "Couldn't create the file")},
    {34, QT_TRANSLATE_NOOP("QObject", "Effects are not available")},
    {37, QT_TRANSLATE_NOOP("QObject", "Requested data is not available")},
    {38, QT_TRANSLATE_NOOP("QObject", "The channel is a decoding channel")},
    {39, QT_TRANSLATE_NOOP("QObject", "Sufficient DirectX version is not installed")},
    {40, QT_TRANSLATE_NOOP("QObject", "Connection timed out")},
    {41, QT_TRANSLATE_NOOP("QObject", "Unsupported file format")},
    {42, QT_TRANSLATE_NOOP("QObject", "Unavailable speaker")},
    {43, QT_TRANSLATE_NOOP("QObject", "Invalid BASS version (used by add-ons)")},
    {44, QT_TRANSLATE_NOOP("QObject", "Codec is not available/supported")},
    {1001,
     QT_TRANSLATE_NOOP("QObject", "The Windows Media modules (v9 or above) are not installed.")},
    {12, QT_TRANSLATE_NOOP("QObject", "No CD fouind in the drive")},
    {-1, QT_TRANSLATE_NOOP("QObject", "Unknown Library Error")},
    {0, nullptr},
};

} // namespace

const char* BassError::Text(int code) {
    const char* unknown = nullptr;
    for (const ErrorRow& row : kErrors) {
        if (!row.text)
            break;
        if (row.code == code)
            return row.text;
        if (row.code == -1)
            unknown = row.text;
    }
    return unknown;
}

QString BassError::TranslatedText(int code) {
    return QCoreApplication::translate("QObject", Text(code));
}

} // namespace BASS
