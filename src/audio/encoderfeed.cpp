#include "audio/encoderfeed.h"

#include "audio/handletable.h"

#include <algorithm>

namespace qwaudio {

namespace {

// Held samples go to a new encoder a few blocks' worth at a time: its queue takes them without
// the decoder thread waiting for room, and the backlog still shrinks faster than it grows.
constexpr size_t kDrainBlocks = 4;

} // namespace

void EncoderFeed::add(const std::shared_ptr<Encoder>& encoder) {
    std::lock_guard lock(m_mutex);
    if (m_cutsTaken < m_cutsAdded)
        ++m_cutsTaken;
    m_encoders.push_back({encoder, m_cutsTaken});
}

void EncoderFeed::remove(HENCODE handle) {
    std::lock_guard lock(m_mutex);
    m_encoders.erase(
        std::remove_if(m_encoders.begin(), m_encoders.end(),
                       [handle](const Entry& e) { return e.encoder->handle() == handle; }),
        m_encoders.end());
}

bool EncoderFeed::addCut(int64_t sourceByte, int delayMs) {
    std::lock_guard lock(m_mutex);
    if (m_cutCount == kMaxCuts)
        return false;
    ++m_cutCount;
    cutAt(m_cutCount - 1) = {sourceByte, std::max(delayMs, 0), -1};
    ++m_cutsAdded;
    return true;
}

void EncoderFeed::clearCuts() {
    std::lock_guard lock(m_mutex);
    m_cutCount = 0;
    // A generation of its own: the encoders still running get nothing of what comes after.
    m_cutsAdded = ++m_cutsTaken;
    ++m_clears;
    m_reachedCuts = 0;
}

void EncoderFeed::note(int64_t sourcePosition, int rate) {
    if (sourcePosition < 0) {
        int unknown = -1;
        m_positionsKnown.compare_exchange_strong(unknown, 0);
        return;
    }
    m_positionsKnown = 1;
    m_marks[m_markNext] = {sourcePosition, m_frames};
    m_markNext = (m_markNext + 1) % kMarks;
    m_markCount = std::min(m_markCount + 1, kMarks);
    resolveCuts(rate);
}

int64_t EncoderFeed::frameOf(const Cut& cut, int rate) const {
    const int64_t delayFrames = int64_t(cut.delayMs) * rate / 1000;
    if (m_positionsKnown.load() == 0)
        return int64_t(nextFrame()) + delayFrames;
    for (size_t i = 0; i < m_markCount; ++i) {
        const Mark& mark = m_marks[(m_markNext + kMarks - m_markCount + i) % kMarks];
        if (mark.sourceByte >= cut.sourceByte)
            return int64_t(mark.frame) + delayFrames;
    }
    return -1;
}

void EncoderFeed::resolveCuts(int rate) {
    // A cut the samples have passed already (the decoder ran ahead of the caller) comes at once.
    int64_t earliest = int64_t(nextFrame());
    for (size_t i = 0; i < m_cutCount; ++i) {
        Cut& cut = cutAt(i);
        if (cut.frame < 0) {
            const int64_t frame = frameOf(cut, rate);
            if (frame < 0)
                return;
            cut.frame = std::max(frame, earliest);
        }
        earliest = cut.frame;
    }
}

uint64_t EncoderFeed::nextFrame() const {
    return m_nextRoute;
}

void EncoderFeed::feed(const std::vector<float>& samples, int64_t sourcePosition, int rate,
                       int channels) {
    if (channels <= 0 || samples.empty())
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_seenClears != m_clears) {
            m_seenClears = m_clears;
            m_holdCount = 0;
            m_nextRoute = m_frames;
            m_generation = m_cutsTaken;
        } else {
            m_cutHead = (m_cutHead + m_passedCuts) % kMaxCuts;
            m_cutCount -= m_passedCuts;
        }
        m_passedCuts = 0;
        note(sourcePosition, rate);
        m_cutFramesCount = 0;
        while (m_cutFramesCount < m_cutCount && cutAt(m_cutFramesCount).frame >= 0) {
            m_cutFrames[m_cutFramesCount] = cutAt(m_cutFramesCount).frame;
            ++m_cutFramesCount;
        }
        m_taken = m_cutsTaken;
        // Assigning into the kept vector reuses its storage: no allocation per block.
        m_feeding = m_encoders;
    }
    const size_t frames = samples.size() / size_t(channels);
    if (channels != m_holdChannels) {
        // A chained stream changed its format: held samples would not suit the encoder that
        // is started for the new one.
        m_holdChannels = channels;
        m_hold.clear();
        m_holdCount = 0;
        m_nextRoute = m_frames;
    }
    if (m_holdCount > 0)
        drainHold(channels, frames * kDrainBlocks, Routing::OwnGeneration);
    if (m_holdCount > 0)
        holdFrames(samples.data(), frames, channels, rate);
    else
        routeBlock(samples.data(), frames, channels, rate);
    m_frames += frames;
}

void EncoderFeed::routeBlock(const float* samples, size_t frames, int channels, int rate) {
    size_t done = 0;
    while (done < frames) {
        const size_t taken = route(samples + done * size_t(channels), frames - done, channels,
                                   Routing::OwnGeneration);
        if (taken == 0) {
            holdFrames(samples + done * size_t(channels), frames - done, channels, rate);
            return;
        }
        done += taken;
    }
}

size_t EncoderFeed::route(const float* samples, size_t frames, int channels, Routing routing) {
    const uint64_t at = nextFrame();
    const bool cutAhead = m_passedCuts < m_cutFramesCount;
    const uint64_t cutFrame = cutAhead ? uint64_t(m_cutFrames[m_passedCuts]) : 0;
    if (cutAhead && cutFrame <= at) {
        ++m_passedCuts;
        ++m_generation;
        ++m_reachedCuts;
        return route(samples, frames, channels, routing);
    }
    const size_t run = cutAhead ? size_t(std::min<uint64_t>(frames, cutFrame - at)) : frames;
    bool owned = false;
    for (const Entry& entry : m_feeding) {
        if (routing == Routing::AnyEncoder || entry.generation == m_generation) {
            entry.encoder->feed(samples, run * size_t(channels));
            owned = true;
        }
    }
    // The next encoder to start takes this generation: its samples wait for it.
    if (!owned && routing == Routing::OwnGeneration && m_generation > m_taken)
        return 0;
    m_nextRoute += run;
    return run;
}

void EncoderFeed::holdFrames(const float* samples, size_t frames, int channels, int rate) {
    const size_t count = frames * size_t(channels);
    if (m_hold.empty())
        m_hold.resize(size_t(std::max(rate, 1)) * size_t(channels) * kHoldSeconds);
    // A next encoder that does not come within the hold's length: the oldest held samples go
    // to the encoders running now, as they would without a cut, or are dropped without any.
    if (m_hold.size() - m_holdCount < count) {
        const size_t missing = count - (m_hold.size() - m_holdCount);
        drainHold(channels, (missing + size_t(channels) - 1) / size_t(channels),
                  Routing::AnyEncoder);
    }
    if (m_hold.size() - m_holdCount < count) {
        m_nextRoute += frames;
        return;
    }
    if (m_holdCount == 0)
        m_holdStart = 0;
    const size_t end = (m_holdStart + m_holdCount) % m_hold.size();
    const size_t first = std::min(count, m_hold.size() - end);
    std::copy(samples, samples + first, m_hold.begin() + long(end));
    std::copy(samples + first, samples + count, m_hold.begin());
    m_holdCount += count;
}

void EncoderFeed::drainHold(int channels, size_t budgetFrames, Routing routing) {
    while (m_holdCount > 0 && budgetFrames > 0) {
        const size_t contiguous = std::min(m_holdCount, m_hold.size() - m_holdStart);
        const size_t frames = std::min(contiguous / size_t(channels), budgetFrames);
        const size_t taken = route(m_hold.data() + m_holdStart, frames, channels, routing);
        if (taken == 0)
            return;
        m_holdStart = (m_holdStart + taken * size_t(channels)) % m_hold.size();
        m_holdCount -= taken * size_t(channels);
        budgetFrames -= taken;
    }
}

void EncoderFeed::channelFreed() {
    std::vector<Entry> encoders;
    {
        std::lock_guard lock(m_mutex);
        encoders.swap(m_encoders);
    }
    for (const Entry& entry : encoders) {
        const auto& encoder = entry.encoder;
        encoder->finish();
        if (!encoder->autoFree())
            continue;
        // Whoever gave the callback may go with the channel: no call reaches it afterwards.
        encoder->detachOutput();
        HandleTable<Encoder>::instance().take(encoder->handle());
    }
}

} // namespace qwaudio
