// The one frame walk behind Test File and Test Directory: from the first
// frame of a scanned file, header by header, to the end of its audio. Each
// header is matched against the stream of the first; the walk steps by the
// frame's length, and tells its listener of every frame it accepts and of
// every place where the stream doesn't go on as it should.
#pragma once

#include <cstdint>

#include "analysis/StreamMatcher.h"

namespace tw {

class AudioFileInfo;
class BufferedReader;

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

WalkResult WalkFrames(BufferedReader& reader, const AudioFileInfo& info, const WalkRules& rules,
                      WalkListener& listener);

}  // namespace tw
