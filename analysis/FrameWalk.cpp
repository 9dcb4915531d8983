#include "analysis/FrameWalk.h"

#include <algorithm>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "common/BufferedReader.h"

namespace tw {
namespace {

class Walker {
public:
    Walker(BufferedReader& reader, const AudioFileInfo& info, const WalkRules& rules, WalkListener& listener)
        : reader_(reader), rules_(rules), listener_(listener), stream_(info.firstHeader()) {
        const FrameHeader& first = info.firstHeader();
        current_.number = 1;
        current_.start = info.firstFrameOffset();
        current_.length = first.frameLength();
        current_.facts = {first.frameLength(), first.bitrate(), first.isPadded(), first.bitrateIndex()};
    }

    WalkResult run() {
        const std::int64_t audioEnd = rules_.audioEnd;
        if (current_.end() > audioEnd) {
            listener_.firstFrameTruncated(current_, audioEnd - current_.start);
            return result(WalkEnd::Stopped, 0);
        }
        if (!take(current_))
            return result(WalkEnd::Stopped, 1);
        // 64-bit positions: no sum of hostile offsets and lengths can wrap.
        std::int64_t position = current_.end();
        std::uint8_t scratch[4];
        for (;;) {
            if (position == audioEnd)
                return result(WalkEnd::Complete, current_.number);
            if (position + 4 > audioEnd) {
                listener_.lastFrameTooLong(current_, audioEnd - current_.start);
                return result(WalkEnd::Complete, current_.number);
            }
            WalkedFrame next;
            next.number = current_.number + 1;
            next.start = position;
            // A short read is a header that does not match.
            const std::uint8_t* header = reader_.at4(position, scratch);
            if (header == nullptr || !stream_.match(header, next.facts)) {
                if (!listener_.syncError(position, current_))
                    return result(WalkEnd::Stopped, current_.number);
                const Search found = search(next);
                if (found != Search::Found)
                    return result(found == Search::Cancelled ? WalkEnd::Cancelled : WalkEnd::Stopped, current_.number);
            }
            next.length = next.facts.length;
            if (!take(next))
                return result(WalkEnd::Stopped, current_.number);
            if (current_.end() > audioEnd) {
                listener_.lastFrameTruncated(current_, audioEnd - current_.start);
                return result(WalkEnd::Complete, current_.number);
            }
            position = current_.end();
            if (!listener_.keepGoing())
                return result(WalkEnd::Cancelled, current_.number);
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
        std::int64_t p = current_.start + 4;
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
        listener_.resynced(p, current_);
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

    // Makes `frame` the current one and hands it to the listener.
    bool take(const WalkedFrame& frame) {
        current_ = frame;
        if (rules_.frameBytes) {
            const std::int64_t inAudio = std::min(frame.length, rules_.audioEnd - frame.start);
            std::size_t got = 0;
            current_.bytes = reader_.view(frame.start, static_cast<std::size_t>(inAudio), bytes_, got);
            current_.available = static_cast<std::int64_t>(got);
        }
        return listener_.frame(current_);
    }

    WalkResult result(WalkEnd end, std::int64_t frames) const {
        WalkResult r;
        r.end = end;
        r.frames = frames;
        r.walkedTo = std::min(current_.end(), rules_.audioEnd);
        return r;
    }

    BufferedReader& reader_;
    const WalkRules& rules_;
    WalkListener& listener_;
    const StreamMatcher stream_;
    WalkedFrame current_;
    std::vector<std::uint8_t> bytes_;  // a frame that straddles two buffers
};

}  // namespace

WalkResult WalkFrames(BufferedReader& reader, const AudioFileInfo& info, const WalkRules& rules,
                      WalkListener& listener) {
    return Walker(reader, info, rules, listener).run();
}

}  // namespace tw
