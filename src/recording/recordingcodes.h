#pragma once

// The numbers a recording is asked for and fails with. They travel between the engine's
// recording operations and pick programs, flags and file extensions, so they never change.
namespace BASS {

enum RecordingFormat : int {
    REC_FORMAT_SAME = 0,
    REC_FORMAT_MP3 = 1,
    REC_FORMAT_WMA = 2,
    REC_FORMAT_AAC = 3,
    REC_FORMAT_OGG = 4,
    REC_FORMAT_FLAC = 6,
    // The AAC command line asks for its program and flags under this code.
    REC_FORMAT_FAAC = 8
};

enum RecordingError : int {
    REC_ERROR_INTERNAL = 0,
    REC_ERROR_ENGINE = 1,
    REC_ERROR_MISSING_ENCODER = 2,
    REC_ERROR_CREATE_FILE = 3,
    REC_ERROR_WRITE = 4,
    REC_ERROR_ENCODER_STOPPED = 5
};

// Split mode of a running recording.
enum SplitMode : int { SPLIT_PER_SONG = 0, SPLIT_NONE = 1 };

} // namespace BASS
