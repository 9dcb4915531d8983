// The one frame walk behind Test File and Test Directory: from the first
// frame of a scanned file, header by header, to the end of its audio. Each
// header is matched against the stream of the first; the walk steps by the
// frame's length, and tells its listener of every frame it accepts and of
// every place where the stream doesn't go on as it should.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/StreamMatcher.h"
#include "common/BufferedReader.h"

namespace tw {

// One frame the walk accepted.
struct WalkedFrame {
    std::int64_t number = 0;  // 1 for the first frame
    std::int64_t start = 0;   // offset of its header
    std::int64_t length = 0;  // padding included
    StreamMatcher::Frame facts;
    // With WalkRules::frameBytes, the frame's bytes that lie inside the
    // audio (`available` of them, at most `length`); nullptr otherwise.
    const std::uint8_t* bytes = nullptr;
    std::int64_t available = 0;

    std::int64_t end() const { return start + length; }
};

// What the walk hears of a file. The two walks differ only here: Test File
// logs every event and looks for the stream again after a sync error; Test
// Directory stops at the first problem.
class WalkListener {
public:
    virtual ~WalkListener() = default;

    // Every frame the walk accepts, the first one included, in order; false
    // ends the walk here.
    virtual bool frame(const WalkedFrame& frame) = 0;

    // The first frame runs past the end of the audio (`found` bytes of it
    // are there); nothing else follows.
    virtual void firstFrameTruncated(const WalkedFrame& first, std::int64_t found) = 0;

    // After the last frame come `found` bytes: too few for a header (too
    // long), or fewer than the frame's length (truncated). The walk ends.
    virtual void lastFrameTooLong(const WalkedFrame& last, std::int64_t found) = 0;
    virtual void lastFrameTruncated(const WalkedFrame& last, std::int64_t found) = 0;

    // No header of the stream at `position`, where the frame after
    // `previous` should start. True asks the walk to look for the stream
    // again; false ends the walk.
    virtual bool syncError(std::int64_t position, const WalkedFrame& previous) = 0;

    // The search that syncError asked for found a header at `position`, and
    // the walk goes on from there; or it found none (`atEnd`: it reached the
    // end of the audio, else it tried as many positions as allowed).
    virtual void resynced(std::int64_t position, const WalkedFrame& previous) = 0;
    virtual void resyncFailed(bool atEnd) = 0;

    // With WalkRules::frameBytes, the bytes of the accepted frames again, in
    // runs as long as they lie together in the reader's buffer: one call per
    // buffer for work over every byte (a checksum), not one per frame. The
    // runs come in order, each after the frames it holds.
    virtual void audio(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) = 0;

    // Asked after every accepted frame but the first, and after every
    // position the search tried: the places to let messages through. False
    // stops the walk (a cancel).
    virtual bool keepGoing() = 0;
    virtual bool keepSearching() = 0;
};

struct WalkRules {
    std::int64_t audioEnd = 0;      // where the audio ends (in front of trailing tags)
    std::int32_t maxResync = 2000;  // positions a search may try
    bool frameBytes = false;        // hand each frame's bytes to the listener
    // A header the search finds counts only when the next one follows it
    // where its length says (or it ends the audio): a repair must not take
    // four bytes of junk for a frame.
    bool confirmResync = false;
};

enum class WalkEnd {
    Complete,  // the walk reached the end of the audio (findings there or not)
    Stopped,   // a listener ended it, or the stream was lost for good
    Cancelled,
};

struct WalkResult {
    WalkEnd end = WalkEnd::Stopped;
    std::int64_t frames = 0;  // frames accepted
    // Where the audio the walk accepted ends: the end of the last frame, or
    // the end of the audio when the last frame runs past it.
    std::int64_t walkedTo = 0;
};

namespace walk {

template <class Listener>
class FrameWalker {
public:
    FrameWalker(BufferedReader& reader, const AudioFileInfo& info, const WalkRules& rules, Listener& listener)
        : reader_(reader), rules_(rules), listener_(listener), stream_(info.firstHeader()) {
        const FrameHeader& first = info.firstHeader();
        next_->number = 1;
        next_->start = info.firstFrameOffset();
        next_->length = first.frameLength();
        next_->facts = {first.frameLength(), first.bitrate(), first.isPadded(), first.bitrateIndex()};
    }

    WalkResult run() {
        const std::int64_t audioEnd = rules_.audioEnd;
        if (next_->end() > audioEnd) {
            std::swap(current_, next_);
            listener_.firstFrameTruncated(*current_, audioEnd - current_->start);
            return result(WalkEnd::Stopped, 0);
        }
        if (!take())
            return result(WalkEnd::Stopped, 1);
        // 64-bit positions: no sum of hostile offsets and lengths can wrap.
        std::int64_t position = current_->end();
        std::uint8_t scratch[4];
        for (;;) {
            if (position == audioEnd)
                return result(WalkEnd::Complete, current_->number);
            if (position + 4 > audioEnd) {
                listener_.lastFrameTooLong(*current_, audioEnd - current_->start);
                return result(WalkEnd::Complete, current_->number);
            }
            WalkedFrame& next = *next_;
            next.number = current_->number + 1;
            next.start = position;
            // A short read is a header that does not match.
            const std::uint8_t* header;
            if (reader_.holds(position, 4)) {
                header = reader_.held(position);
            } else {
                flushRun();  // the reader is about to move its buffer
                header = reader_.at4(position, scratch);
            }
            if (header == nullptr || !stream_.match(header, next.facts)) {
                flushRun();
                if (!listener_.syncError(position, *current_))
                    return result(WalkEnd::Stopped, current_->number);
                const Search found = search(next);
                if (found != Search::Found)
                    return result(found == Search::Cancelled ? WalkEnd::Cancelled : WalkEnd::Stopped, current_->number);
            }
            next.length = next.facts.length;
            if (!take())
                return result(WalkEnd::Stopped, current_->number);
            if (current_->end() > audioEnd) {
                listener_.lastFrameTruncated(*current_, audioEnd - current_->start);
                return result(WalkEnd::Complete, current_->number);
            }
            position = current_->end();
            if (!listener_.keepGoing())
                return result(WalkEnd::Cancelled, current_->number);
        }
    }

private:
    enum class Search { Found, Failed, Cancelled };

    // Looks for the stream again after a sync error; the search starts just
    // after the previous header, so it also finds a header that stands
    // earlier than expected. Fills `next` with the header found.
    Search search(WalkedFrame& next) {
        const std::int64_t audioEnd = rules_.audioEnd;
        const std::int32_t maxResync = rules_.maxResync;
        std::uint8_t scratch[4];
        std::int64_t p = current_->start + 4;
        std::int64_t tried = 0;
        while (p + 4 <= audioEnd && tried < maxResync) {
            const std::uint8_t* candidate = reader_.at4(p, scratch);
            if (candidate != nullptr && stream_.match(candidate, next.facts) &&
                (!rules_.confirmResync || confirmed(p + next.facts.length)))
                break;
            if (!listener_.keepSearching())
                return Search::Cancelled;
            ++p;
            ++tried;
        }
        if (p + 4 > audioEnd || tried >= maxResync) {
            listener_.resyncFailed(tried < maxResync);
            return Search::Failed;
        }
        listener_.resynced(p, *current_);
        next.start = p;
        return Search::Found;
    }

    // A frame of the stream starts at `at`, or the audio ends there.
    bool confirmed(std::int64_t at) {
        std::uint8_t scratch[4];
        StreamMatcher::Frame facts;
        if (at == rules_.audioEnd)
            return true;
        const std::uint8_t* header = at + 4 <= rules_.audioEnd ? reader_.at4(at, scratch) : nullptr;
        return header != nullptr && stream_.match(header, facts);
    }

    // Makes the next frame the current one (the two swap places, so that no
    // frame is copied) and hands it to the listener.
    bool take() {
        std::swap(current_, next_);
        WalkedFrame& frame = *current_;
        if (!rules_.frameBytes)
            return listener_.frame(frame);
        const auto inAudio = static_cast<std::size_t>(std::min(frame.length, rules_.audioEnd - frame.start));
        if (!reader_.holds(frame.start, inAudio))
            flushRun();  // the reader is about to move its buffer
        std::size_t got = 0;
        frame.bytes = reader_.view(frame.start, inAudio, bytes_, got);
        frame.available = static_cast<std::int64_t>(got);
        if (!listener_.frame(frame))
            return false;
        if (runSize_ != 0 && frame.start == runStart_ + static_cast<std::int64_t>(runSize_) &&
            frame.bytes == runBytes_ + runSize_) {
            runSize_ += got;
            return true;
        }
        flushRun();
        runStart_ = frame.start;
        runBytes_ = frame.bytes;
        runSize_ = got;
        return true;
    }

    void flushRun() {
        if (runSize_ != 0)
            listener_.audio(runStart_, runBytes_, runSize_);
        runSize_ = 0;
    }

    WalkResult result(WalkEnd end, std::int64_t frames) {
        flushRun();
        WalkResult r;
        r.end = end;
        r.frames = frames;
        r.walkedTo = std::min(current_->end(), rules_.audioEnd);
        return r;
    }

    BufferedReader& reader_;
    const WalkRules& rules_;
    Listener& listener_;
    const StreamMatcher stream_;
    WalkedFrame frames_[2];
    WalkedFrame* current_ = &frames_[0];
    WalkedFrame* next_ = &frames_[1];
    std::vector<std::uint8_t> bytes_;  // a frame that straddles two buffers
    // Accepted frames' bytes not yet handed over as a run.
    std::int64_t runStart_ = 0;
    const std::uint8_t* runBytes_ = nullptr;
    std::size_t runSize_ = 0;
};

}  // namespace walk

// The walk is a template over the listener, so that a final listener's
// calls, one or two per frame, are made directly and not through the table.
template <class Listener>
WalkResult WalkFrames(BufferedReader& reader, const AudioFileInfo& info, const WalkRules& rules, Listener& listener) {
    return walk::FrameWalker<Listener>(reader, info, rules, listener).run();
}

}  // namespace tw
