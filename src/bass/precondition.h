#pragma once

// The engine's one rule for a call whose precondition does not hold: log the condition with
// the source file and line, and give back the neutral value without calling the library.
// Any thread; stateless.
namespace BASS {

class Precondition {
public:
    // Returns holds; logs "condition file:line" when it is false.
    static bool Check(bool holds, const char* condition, const char* file, int line);
};

} // namespace BASS

// Returns neutral from the calling function when cond is false, logging text.
#define BASS_REQUIRE_TEXT(cond, text, neutral)                                                     \
    do {                                                                                           \
        if (!BASS::Precondition::Check(static_cast<bool>(cond), text, __FILE__, __LINE__))         \
            return neutral;                                                                        \
    } while (0)

// The same with the condition's own spelling as its text ("m_hStream").
#define BASS_REQUIRE(cond, neutral) BASS_REQUIRE_TEXT(cond, #cond, neutral)

// A create must start without a stream.
#define BASS_REQUIRE_NO_STREAM(neutral) BASS_REQUIRE_TEXT(m_hStream == 0, "m_hStream==0", neutral)
