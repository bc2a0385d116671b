#pragma once

// The encoders fed by one channel, and the cuts between one encoder's samples and the next's.
// A cut names a source byte (plus a delay); the samples decoded from the first packet at or
// after it on belong to the encoder started after the cut, so the running encoders stop short
// of them and they wait in a hold until that encoder comes. add/remove/addCut/clearCuts: any
// thread; feed: the channel's decoder thread; takeReachedCuts: the ticker. Owned by the
// Channel; m_mutex guards the list and the cut queue, the rest belongs to the decoder thread.

#include "audio/encoder.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qwaudio {

class EncoderFeed {
public:
    // Cuts that may wait at once, and the audio the hold keeps for an encoder still to come.
    static constexpr size_t kMaxCuts = 16;
    static constexpr int kHoldSeconds = 60;

    // The encoder takes the oldest cut no encoder has taken yet and gets the samples from it
    // on (held ones first); without such a cut it gets the samples as they come.
    void add(const std::shared_ptr<Encoder>& encoder);
    void remove(HENCODE handle);
    // False when kMaxCuts wait already.
    bool addCut(int64_t sourceByte, int delayMs);
    // The recording has ended: drops the cuts no encoder has taken and the held samples, and
    // the encoders still running (about to be stopped) get no more samples.
    void clearCuts();
    // Decoder thread: the samples after the DSP callbacks and effects, with the source byte of
    // the packet they came from (-1 when unknown).
    void feed(const std::vector<float>& samples, int64_t sourcePosition, int rate, int channels);
    // Whether the blocks fed carry source positions: -1 none fed yet, 0 no, 1 yes.
    int positionsKnown() const { return m_positionsKnown.load(); }
    // Cuts the samples have passed since the last call.
    unsigned takeReachedCuts() { return m_reachedCuts.exchange(0); }
    // The channel is going away: every encoder gets the end of its input, and those started
    // with BASS_ENCODE_AUTOFREE leave the handle table and stop calling their ENCODEPROC
    // (the programs finish in the background).
    void channelFreed();

private:
    struct Entry {
        std::shared_ptr<Encoder> encoder;
        uint64_t generation; // the samples between cut `generation` and the next are its own
    };
    struct Cut {
        int64_t sourceByte;
        int delayMs;
        int64_t frame; // -1 until the decoder has reached the byte
    };
    struct Mark {
        int64_t sourceByte;
        uint64_t frame;
    };
    static constexpr size_t kMarks = 256;

    // Under m_mutex.
    Cut& cutAt(size_t index) { return m_cuts[(m_cutHead + index) % kMaxCuts]; }
    void note(int64_t sourcePosition, int rate);
    void resolveCuts(int rate);
    int64_t frameOf(const Cut& cut, int rate) const;
    // Decoder thread. How a run of frames goes on: to the encoders of its generation, into
    // the hold for an encoder still to come, or nowhere.
    enum class Routing { OwnGeneration, AnyEncoder };
    uint64_t nextFrame() const;
    // Routes frames from `samples` (the next ones in order) up to the next cut at most;
    // returns how many went on, 0 when they must be held.
    size_t route(const float* samples, size_t frames, int channels, Routing routing);
    void routeBlock(const float* samples, size_t frames, int channels, int rate);
    void holdFrames(const float* samples, size_t frames, int channels, int rate);
    // Hands held frames on, at most budgetFrames of them to encoders.
    void drainHold(int channels, size_t budgetFrames, Routing routing);

    std::mutex m_mutex;
    std::vector<Entry> m_encoders;      // guarded by m_mutex
    std::array<Cut, kMaxCuts> m_cuts{}; // guarded by m_mutex: a ring of m_cutCount from head
    size_t m_cutHead = 0;               // guarded by m_mutex
    size_t m_cutCount = 0;              // guarded by m_mutex
    uint64_t m_cutsTaken = 0;           // guarded by m_mutex: generations given to encoders
    uint64_t m_cutsAdded = 0;           // guarded by m_mutex
    uint64_t m_clears = 0;              // guarded by m_mutex
    std::array<Mark, kMarks> m_marks{}; // guarded by m_mutex: where recent blocks began
    size_t m_markCount = 0;             // guarded by m_mutex
    size_t m_markNext = 0;              // guarded by m_mutex
    std::atomic<int> m_positionsKnown{-1};
    std::atomic<unsigned> m_reachedCuts{0};

    // Decoder thread only: a snapshot of the shared state taken at each block, and the hold.
    std::vector<Entry> m_feeding;
    std::array<int64_t, kMaxCuts> m_cutFrames{}; // resolved cut frames, in order
    size_t m_cutFramesCount = 0;
    size_t m_passedCuts = 0; // cuts of the snapshot the routing has passed
    uint64_t m_taken = 0;
    uint64_t m_seenClears = 0;
    uint64_t m_generation = 0; // of the next frame routed
    uint64_t m_frames = 0;     // frames fed so far
    uint64_t m_nextRoute = 0;  // the oldest frame not yet fed or dropped (the hold's first)
    std::vector<float> m_hold; // a ring, allocated when first needed
    size_t m_holdStart = 0;
    size_t m_holdCount = 0; // samples
    int m_holdChannels = 0;
};

} // namespace qwaudio
