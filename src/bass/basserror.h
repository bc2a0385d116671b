#pragma once

#include <QString>

namespace BASS {

// The one table that turns the audio library's error codes into texts. Any thread; stateless.
class BassError {
public:
    // The untranslated text of code; "Unknown Library Error" for codes the table lacks.
    static const char* Text(int code);
    static QString TranslatedText(int code);
};

} // namespace BASS
