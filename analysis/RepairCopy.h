// The writing half of a repair: one walk of a damaged file that copies what
// is good, byte for byte, and leaves out what is not audio; then the header
// frame is made to tell the truth about the copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

class AudioFileInfo;
class BufferedReader;
class RunSink;

// Where the copy goes. Bytes are appended in order; the header frame is
// written again at the end, over the bytes it took.
class RepairOutput {
public:
    virtual ~RepairOutput() = default;
    virtual bool append(const std::uint8_t* bytes, std::size_t size) = 0;
    virtual bool overwrite(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) = 0;
};

// A byte range of the original that the copy leaves out, or of the copy that
// the repair wrote anew, and why.
struct RepairRange {
    std::int64_t offset = 0;
    std::int64_t end = 0;
    std::string what;         // "junk", "truncated frame", "frame CRC mismatch", ...
    std::int64_t frame = -1;  // the frame it was, when it was one
};

struct RepairCopy {
    bool written = false;                // false: a write failed, or a cancel
    std::vector<RepairRange> removed;    // of the original, in order
    std::vector<RepairRange> rewritten;  // of the copy
    std::int64_t framesKept = 0;
    std::int64_t framesDropped = 0;
    double secondsDropped = 0.0;
    std::int64_t bytesWritten = 0;
    // A frame or more was left out of the music the LAME tag's CRC covers,
    // or the music ends elsewhere: its music CRC and length were computed
    // anew. Otherwise the encoder's own values stay, so that the check of
    // the copy still tells changed audio.
    bool musicRecomputed = false;
    // Why the copy must not be used although it was written: bytes it left
    // out as junk hold frames of another stream (a file of another channel
    // mode or sample rate joined on), which a copy of one stream would lose.
    std::string refusal;
};

// Copies the scanned file that `reader` holds into `out`: the leading ID3v2
// tag; the header frame (rewritten); every frame the walk accepts, except
// a truncated last frame, frames whose CRC fails and the header frames of
// files joined on; the tags after the audio in their order. Junk between
// them is left out. With a sink, messages are let through and a cancel
// stops the copy.
//
// A Layer III frame may begin its main data in the frames before it (the bit
// reservoir). Where frames were lost in front of it, such a frame is made
// silent (see SilenceLayer3Frame) rather than decoded from the wrong bytes,
// which plays as a loud click; its bytes stay, for the frames after it.
// `framesAllThere` (a music CRC that held over the frames) says that only
// junk went, so no frame needs it; so does a frame after junk whose main
// data begins where the frame before the junk left off.
RepairCopy CopyRepaired(BufferedReader& reader, const AudioFileInfo& info, RepairOutput& out, RunSink* sink,
                        bool framesAllThere = false);

}  // namespace tw
