#include "audio/textcodec.h"

namespace qwaudio {

namespace {

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string TextCodec::utf16ToUtf8(const char16_t* text) {
    std::string out;
    if (!text)
        return out;
    for (; *text; ++text) {
        char32_t unit = *text;
        if (unit >= 0xD800 && unit <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
            char32_t low = *++text;
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::string TextCodec::argument(const void* text, bool unicode) {
    if (!text)
        return {};
    if (unicode)
        return utf16ToUtf8(static_cast<const char16_t*>(text));
    return static_cast<const char*>(text);
}

} // namespace qwaudio
