#include "analysis/RepairCopy.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "analysis/AudioFileInfo.h"
#include "analysis/FrameCrc.h"
#include "analysis/FrameHeader.h"
#include "analysis/FrameWalk.h"
#include "analysis/HeaderFrameRewrite.h"
#include "analysis/Layer3SideInfo.h"
#include "analysis/VbrHeader.h"
#include "common/BufferedReader.h"
#include "common/ByteOrder.h"
#include "common/Crc16.h"
#include "common/RunSink.h"
#include "common/Text.h"
#include "tags/TrailingTags.h"

namespace tw {
namespace {

constexpr const char* JunkText = "junk";
constexpr const char* TruncatedText = "truncated frame";
constexpr const char* CutShortText = "frame cut short by the next one";
constexpr const char* CrcText = "frame CRC mismatch";
constexpr const char* DamagedLengthText = "frame whose header gives a wrong length";
constexpr const char* JoinedHeaderText = "header frame of a file joined on";
constexpr const char* HeaderFrameText = "header frame: counts and checksums of the copy";
constexpr const char* ZeroedEndText = "frame whose end was zeroed with the bytes after it";
// Zeros a frame must end in, and the junk after it begin with, to count as zeroed.
constexpr std::size_t ZeroedTail = 32;
constexpr const char* SilencedText = "frame made silent: its main data began in frames lost before it";
// The furthest main_data_begin reaches back (9 bits, MPEG-1).
constexpr std::int64_t LongestReach = 511;

class Copier final : public WalkListener {
public:
    Copier(BufferedReader& reader, const AudioFileInfo& info, RepairOutput& out, RunSink* sink, RepairCopy& copy,
           bool framesAllThere)
        : reader_(reader),
          info_(info),
          where_(info.vbrHeader()),
          out_(out),
          sink_(sink),
          copy_(copy),
          headerInWalk_(where_.found() && where_.inFirstFrame),
          streamProtected_(info.firstHeader().isCrcProtected()),
          framesAllThere_(framesAllThere) {
        // The stream's frame at its lowest bit rate, unpadded.
        std::uint8_t lowest[4];
        PutBigEndian32(
            lowest, (info.firstHeader().word() & ~(FrameHeader::BitrateMask | FrameHeader::PaddingMask)) | (1u << 12));
        FrameHeader header;
        shortestFrame_ = header.decode(lowest) ? header.frameLength() : 0;
        const std::int32_t samples = info.firstHeader().samplesPerFrame();
        const std::int32_t rate = info.firstHeader().sampleRate();
        secondsPerFrame_ = samples > 0 && rate > 0 ? static_cast<double>(samples) / rate : 0.0;
    }

    bool run() {
        const TrailingTags tags = StripTrailingTags(reader_, info_.firstFrameOffset(), info_.fileSize());
        const std::int64_t audioEnd = std::min<std::int64_t>(tags.audioEnd, info_.audioEnd());
        const std::int64_t audioStart = where_.found() ? where_.frameStart : info_.firstFrameOffset();

        // The leading ID3v2 tag, then the header frame when it stands in
        // front of the stream's first frame (ffmpeg's Info frame).
        const std::int64_t tagEnd =
            info_.hasId3v2() ? std::min<std::int64_t>(info_.id3v2().totalLength(), audioStart) : 0;
        if (!copyRange(0, tagEnd))
            return false;
        removeGap(tagEnd, audioStart, false);
        if (where_.found() && !where_.inFirstFrame) {
            headerAt_ = copy_.bytesWritten;
            headerWritten_ = true;
            if (!copyRange(where_.frameStart, where_.frameStart + where_.frameLength))
                return false;
        }
        expected_ = info_.firstFrameOffset();

        WalkRules rules;
        rules.audioEnd = audioEnd;
        rules.maxResync = std::numeric_limits<std::int32_t>::max();
        rules.frameBytes = true;
        rules.confirmResync = true;
        const WalkResult walk = WalkFrames(reader_, info_, rules, *this);
        if (walk.end == WalkEnd::Cancelled || failed_)
            return false;
        if (!flush(audioEnd))
            return false;
        // What follows the last frame is past the music its CRC covers.
        removeGap(expected_, audioEnd, false);
        for (const RepairRange& range : copy_.removed) {
            const std::int64_t at = range.frame < 0 ? streamIn(range.offset, range.end) : -1;
            if (at >= 0) {
                copy_.refusal = "bytes " + FormatThousands(at + 1) +
                                " on hold frames of another stream, which a copy of one stream would lose";
                break;
            }
        }
        audioBytes_ = copy_.bytesWritten - headerAt_;
        // The tags after the audio, in their order.
        if (!copyRange(audioEnd, info_.fileSize()))
            return false;
        return rewriteHeaderFrame();
    }

    bool frame(const WalkedFrame& frame) override {
        if (!flush(frame.start))
            return false;
        pending_ = frame;
        pendingBytes_.assign(frame.bytes, frame.bytes + frame.available);
        pending_.bytes = nullptr;
        hasPending_ = true;
        pendingDrop_ = nullptr;
        if (frame.available < frame.length)
            pendingDrop_ = TruncatedText;
        else if (streamProtected_ && !crcMatches())
            pendingDrop_ = CrcText;
        else if (frame.number > 1 && carriesRecord())
            pendingDrop_ = JoinedHeaderText;
        return true;
    }
    void firstFrameTruncated(const WalkedFrame&, std::int64_t) override {}
    void lastFrameTooLong(const WalkedFrame&, std::int64_t) override {}
    void lastFrameTruncated(const WalkedFrame&, std::int64_t) override {}
    bool syncError(std::int64_t, const WalkedFrame&) override { return true; }
    void resynced(std::int64_t, const WalkedFrame&) override {}
    void resyncFailed(bool) override {}
    void audio(std::int64_t, const std::uint8_t*, std::size_t) override {}
    bool keepGoing() override { return LetEventsThrough(sink_); }
    bool keepSearching() override { return keepGoing(); }

private:
    // The frame before `next` (where the walk found the next frame, or the
    // end of the audio): written when whole, left out otherwise.
    bool flush(std::int64_t next) {
        if (!hasPending_)
            return true;
        hasPending_ = false;
        removeGap(expected_, pending_.start, true);
        const std::int64_t end = pending_.start + pending_.available;
        const bool isHeader = pending_.number == 1 && headerInWalk_;
        if (pendingDrop_ == nullptr && next < end)
            pendingDrop_ = CutShortText;
        else if (pendingDrop_ == nullptr && next > end && lengthFits(next - pending_.start))
            pendingDrop_ = DamagedLengthText;
        else if (pendingDrop_ == nullptr && next > end && zeroedIntoGap(end, next))
            pendingDrop_ = ZeroedEndText;
        if (pendingDrop_ != nullptr) {
            expected_ = std::min(end, next);
            copy_.removed.push_back({pending_.start, expected_, pendingDrop_, pending_.number});
            if (!isHeader) {
                ++copy_.framesDropped;
                copy_.secondsDropped += secondsPerFrame_;
                musicChanged_ = true;
                reservoir_ = 0;
                lastKeptLength_ = 0;
            }
            return true;
        }
        expected_ = end;
        if (isHeader) {
            headerAt_ = copy_.bytesWritten;
            headerWritten_ = true;
        } else {
            mendReservoir();
            std::memcpy(lastKeptHead_, pendingBytes_.data(), std::min(sizeof lastKeptHead_, pendingBytes_.size()));
            lastKeptLength_ = pendingBytes_.size();
            mainDataKept_ = std::min(mainDataKept_ + MainDataSize(pendingBytes_.data(), pendingBytes_.size()),
                                     static_cast<int>(LongestReach) + 1);
            frameOffsets_.push_back(copy_.bytesWritten);
            musicCrc_ = Crc16Arc(musicCrc_, pendingBytes_.data(), pendingBytes_.size());
            ++copy_.framesKept;
        }
        return write(pendingBytes_.data(), pendingBytes_.size());
    }

    // Bytes of the original that are no frame; inside the music they change
    // what its CRC covers, and frames may have stood there.
    void removeGap(std::int64_t from, std::int64_t to, bool inMusic) {
        if (to <= from)
            return;
        copy_.removed.push_back({from, to, JunkText, -1});
        musicChanged_ = musicChanged_ || inMusic;
        // Junk shorter than any frame of the stream held none: no frame's
        // main data went with it. Longer junk may have; the next frame kept
        // tells (see mendReservoir).
        if (inMusic && to - from >= shortestFrame_)
            junkSinceKept_ = true;
    }

    // After frames were lost, the pending frame's main data may begin in
    // them: it is made silent unless the frames kept since hold all of it.
    // Once they hold more than any frame can reach back, the reservoir is
    // whole again.
    //
    // Junk in front of the frame held no frame of its main data when the
    // frame begins its main data right where the frame kept before it left
    // off: encoders chain each frame's main data onto the last one's.
    void mendReservoir() {
        const bool junkBefore = junkSinceKept_;
        junkSinceKept_ = false;
        if (framesAllThere_)
            return;
        // The side information of the frame kept before is all the head holds,
        // and all MainDataLeft reads.
        if (junkBefore &&
            MainDataBegin(pendingBytes_.data(), pendingBytes_.size()) != MainDataLeft(lastKeptHead_, lastKeptLength_))
            reservoir_ = 0;
        if (reservoir_ < 0)
            return;
        const int begin = MainDataBegin(pendingBytes_.data(), pendingBytes_.size());
        if (begin < 0) {  // no Layer III: no reservoir
            reservoir_ = -1;
            return;
        }
        if (begin > reservoir_ && SilenceLayer3Frame(pendingBytes_.data(), pendingBytes_.size(), mainDataKept_))
            copy_.rewritten.push_back({copy_.bytesWritten,
                                       copy_.bytesWritten + static_cast<std::int64_t>(pendingBytes_.size()),
                                       SilencedText, pending_.number});
        reservoir_ += MainDataSize(pendingBytes_.data(), pendingBytes_.size());
        if (reservoir_ > LongestReach)
            reservoir_ = -1;
    }

    // Where three frames follow each other in [from, to), of a stream other
    // than the one walked; -1 when none do.
    std::int64_t streamIn(std::int64_t from, std::int64_t to) {
        std::uint8_t bytes[4];
        for (std::int64_t p = from; p + 4 <= to; ++p) {
            FrameHeader first;
            if (!reader_.read4(p, bytes) || !first.decode(bytes))
                continue;
            std::int64_t next = p + first.frameLength();
            int frames = 1;
            for (; frames < 3 && next + 4 <= to; ++frames) {
                FrameHeader header;
                if (!reader_.read4(next, bytes) || !header.decode(bytes) || !first.matches(header))
                    break;
                next += header.frameLength();
            }
            if (frames == 3 && next <= to)
                return p;
        }
        return -1;
    }

    // The pending frame ends in zeros that run on through the junk after it:
    // a zeroed block (a disk's, a copy's) that began inside the frame, which
    // would play its zeroed samples at full scale. A frame of silence ends
    // in zeros too; leaving one out loses nothing.
    bool zeroedIntoGap(std::int64_t end, std::int64_t next) {
        const auto zeros = [](const std::uint8_t* p, std::size_t n) {
            return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
        };
        if (pendingBytes_.size() < ZeroedTail ||
            !zeros(pendingBytes_.data() + pendingBytes_.size() - ZeroedTail, ZeroedTail))
            return false;
        std::uint8_t gap[ZeroedTail];
        const auto look = static_cast<std::size_t>(std::min<std::int64_t>(next - end, ZeroedTail));
        // Aside: the walk's buffer holds the frame being handed over.
        return reader_.readAside(end, gap, look) == look && zeros(gap, look);
    }

    // Another bit rate or padding in the pending frame's header would make it
    // end where the next frame starts: its header, not the stream, is
    // damaged, and the bytes after its stated end are its own.
    bool lengthFits(std::int64_t distance) const {
        if (pendingBytes_.size() < 4)
            return false;
        std::uint8_t bytes[4] = {pendingBytes_[0], pendingBytes_[1], pendingBytes_[2], pendingBytes_[3]};
        constexpr std::uint32_t Kept = (FrameHeader::SampleRateMask | FrameHeader::PrivateMask) >> 8;
        const auto kept = static_cast<std::uint8_t>(bytes[2] & Kept);
        for (int index = 1; index < 15; ++index) {
            for (int padding = 0; padding < 2; ++padding) {
                bytes[2] = static_cast<std::uint8_t>(index << 4 | padding << 1 | kept);
                FrameHeader header;
                if (header.decode(bytes) && header.frameLength() == distance)
                    return true;
            }
        }
        return false;
    }

    bool crcMatches() const {
        FrameHeader header;
        return pendingBytes_.size() < 6 || !header.decode(pendingBytes_.data()) ||
               CheckFrameCrc(header, pendingBytes_.data(), pendingBytes_.size()) != FrameCrcResult::Mismatch;
    }

    // A Xing/Info or VBRI record in an audio frame: the header frame of a
    // second file joined on, silence to a player, and no audio.
    bool carriesRecord() const {
        FrameHeader header;
        if (pendingBytes_.size() < 4 || !header.decode(pendingBytes_.data()))
            return false;
        const auto at = static_cast<std::size_t>(VbrHeader::OffsetInFrame(header));
        VbrHeader record;
        return at < pendingBytes_.size() && record.parse(pendingBytes_.data() + at, pendingBytes_.size() - at);
    }

    bool copyRange(std::int64_t from, std::int64_t to) {
        std::uint8_t chunk[64 * 1024];
        while (from < to) {
            const auto want = static_cast<std::size_t>(std::min<std::int64_t>(to - from, sizeof chunk));
            const std::size_t got = reader_.read(from, chunk, want);
            if (got != want || !write(chunk, got))
                return fail();
            from += static_cast<std::int64_t>(got);
        }
        return true;
    }

    bool write(const std::uint8_t* bytes, std::size_t size) {
        if (!out_.append(bytes, size))
            return fail();
        copy_.bytesWritten += static_cast<std::int64_t>(size);
        return true;
    }

    bool fail() {
        failed_ = true;
        return false;
    }

    // The header frame of the copy tells the truth about it; left as it was
    // when nothing it says changed.
    bool rewriteHeaderFrame() {
        if (!where_.found() || !headerWritten_ || where_.frameLength <= 0)
            return true;
        CopiedAudio audio;
        audio.headerAt = headerAt_;
        audio.bytes = audioBytes_;
        audio.frameStarts = std::move(frameOffsets_);
        audio.musicCrc = musicCrc_;
        audio.musicChanged = musicChanged_;
        const RewrittenHeaderFrame frame = RewriteHeaderFrame(where_, audio);
        copy_.musicRecomputed = frame.musicCrcRecomputed;
        if (frame.bytes.empty())
            return true;
        copy_.rewritten.push_back(
            {headerAt_, headerAt_ + static_cast<std::int64_t>(frame.bytes.size()), HeaderFrameText, -1});
        if (!out_.overwrite(headerAt_, frame.bytes.data(), frame.bytes.size()))
            return fail();
        return true;
    }

    BufferedReader& reader_;
    const AudioFileInfo& info_;
    const VbrHeaderLocation& where_;
    RepairOutput& out_;
    RunSink* const sink_;
    RepairCopy& copy_;
    const bool headerInWalk_;
    const bool streamProtected_;
    const bool framesAllThere_;
    double secondsPerFrame_ = 0.0;

    WalkedFrame pending_;
    std::vector<std::uint8_t> pendingBytes_;
    bool hasPending_ = false;
    const char* pendingDrop_ = nullptr;
    std::int64_t expected_ = 0;  // where the original's next byte to account for stands
    std::int64_t headerAt_ = 0;  // the header frame in the copy
    bool headerWritten_ = false;
    std::int64_t audioBytes_ = 0;
    std::vector<std::int64_t> frameOffsets_;
    std::uint16_t musicCrc_ = 0;
    bool musicChanged_ = false;
    std::int64_t shortestFrame_ = 0;
    std::int64_t reservoir_ = -1;  // main data bytes kept since frames were lost; -1: none were
    bool junkSinceKept_ = false;   // junk that could have held a frame came after the last frame kept
    // Header, CRC and side information of the last frame kept, and its length
    // (0 when a frame was lost after it).
    std::uint8_t lastKeptHead_[4 + 2 + 32] = {};
    std::size_t lastKeptLength_ = 0;
    int mainDataKept_ = 0;  // main data bytes in the copy so far, up to a little past any reach
    bool failed_ = false;
};

}  // namespace

RepairCopy CopyRepaired(BufferedReader& reader, const AudioFileInfo& info, RepairOutput& out, RunSink* sink,
                        bool framesAllThere) {
    RepairCopy copy;
    Copier copier(reader, info, out, sink, copy, framesAllThere);
    copy.written = copier.run();
    return copy;
}

}  // namespace tw
