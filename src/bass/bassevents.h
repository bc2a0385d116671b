#pragma once

// The numbered events the engine raises through sig_bassEvent; receivers switch on them.
namespace BASS {

enum BassEvent : unsigned {
    EVENT_STALL = 0x8065,
    EVENT_META_CHANGED = 0x8066,
    EVENT_RECORD_STOPPED = 0x806c,
    EVENT_STREAM_END = 0x8070,
    EVENT_WRITE_FAILED = 0x8075,
    EVENT_CONNECT_ABORTED = 0x8080,
    EVENT_CONNECTING = 0x8081,
    EVENT_PLAYING = 0x8082,
    EVENT_STOPPED = 0x8085
};

} // namespace BASS
