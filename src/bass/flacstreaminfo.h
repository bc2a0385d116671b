#pragma once

// Completes the header of a FLAC file written through a pipe: an encoder writing to standard
// output cannot seek back, so its header says "total samples unknown". Once the file is closed
// the count is taken from the last frame and written into the header. Called by the recording
// as it closes its file, on the thread that closes it; no state.

#include <QString>

namespace BASS {

class FlacStreamInfo {
public:
    enum class Outcome {
        Completed,    // the count was written
        AlreadyKnown, // the header had a count: left alone
        NotFlac,      // no FLAC file (or no file): left alone
        NoLastFrame   // no complete frame at the end (a cut-off file): left alone
    };

    // Writes the total sample count into the file's header when the header lacks it.
    static Outcome CompleteTotalSamples(const QString& path);
    // The total sample count the header states; 0 when unknown or not a FLAC file.
    static quint64 TotalSamples(const QString& path);
};

} // namespace BASS
