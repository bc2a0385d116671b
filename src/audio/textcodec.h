#pragma once

// Conversion of the library's text arguments (UTF-8, or UTF-16 with BASS_UNICODE) to UTF-8.
// Any thread; stateless.

#include <string>

namespace qwaudio {

class TextCodec {
public:
    // Null gives an empty text; unpaired surrogates become U+FFFD.
    static std::string utf16ToUtf8(const char16_t* text);
    // The argument as UTF-8: UTF-16 when unicode is set, else already UTF-8.
    static std::string argument(const void* text, bool unicode);
};

} // namespace qwaudio
