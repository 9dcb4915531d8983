// The deep check: what the frame walk can't see, settled from the records
// the encoder left. The Xing/Info or VBRI header's frame and byte counts, the
// LAME extension's music length, music CRC and tag CRC, and the CRC of every
// protected frame. Trailing APE and Lyrics3 tags end the audio; a gain tool's
// recorded change is undone in memory before the music CRC is compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/GainUndo.h"
#include "analysis/VbrHeader.h"
#include "common/BufferedReader.h"
#include "tags/TrailingTags.h"

namespace tw {

class AudioFileInfo;
class FrameHeader;

struct DeepFinding {
    bool isError = true;   // else a warning
    std::string headline;  // "Error: ..." / "Warning: ...": the Test Directory line too
    std::string detail;    // the second line in Test File
};

class DeepCheck final : private BufferObserver {
public:
    // Reads the records of a scanned file and the tags that end its audio.
    // The reader is the one the walk uses; the check sees its buffers.
    DeepCheck(const AudioFileInfo& info, BufferedReader& reader);
    ~DeepCheck() override;
    DeepCheck(const DeepCheck&) = delete;
    DeepCheck& operator=(const DeepCheck&) = delete;

    // Where the walk is to take the audio as ended: in front of trailing tags.
    std::int64_t audioEnd() const { return audioEnd_; }

    // One line per trailing tag, for the log.
    std::vector<std::string> tagLines() const;

    // The walk hands each frame it accepts, the first one too, in order.
    // False when the frame's CRC doesn't match (a finding is added).
    bool frame(std::int64_t number, std::int64_t start, std::int64_t length);

    // After a walk that went through to the end of the audio, with the
    // number of frames it accepted: compares the counts and the checksums.
    void finish(std::int64_t frames);

    const std::vector<DeepFinding>& findings() const { return findings_; }
    bool hasError() const;

    // What the check proved, or that it had nothing to go on.
    std::string closingLine() const;

    // A line when a gain tool changed the audio and the music CRC can't
    // vouch for it; empty otherwise.
    const std::string& gainLine() const { return gainLine_; }

private:
    void observe(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) override;
    void feed(const std::uint8_t* bytes, std::size_t size);
    void feedRange(std::int64_t from, std::int64_t to);
    void readRecords(const AudioFileInfo& info);
    bool findRecord(const FrameHeader& header, std::int64_t start, std::vector<std::uint8_t>& frame, std::size_t& at);
    void compareCounts(std::int64_t frames);
    void compareMusic();
    void add(bool isError, std::string headline, std::string detail);

    BufferedReader& reader_;
    std::int64_t headerStart_;
    std::int64_t headerEnd_;
    std::int64_t audioEnd_;
    std::int64_t fileSize_;
    TrailingTags tags_;
    VbrHeader record_;
    bool headerWalked_ = true;    // the header frame is the walk's first
    bool recordTrusted_ = false;  // a record whose tag CRC (when it has one) matched
    bool tagCrcChecked_ = false;
    std::int64_t musicEnd_ = -1;  // where the music CRC ends; -1 when not checked
    std::uint16_t crc_ = 0;
    std::int64_t crcPos_ = 0;  // the music CRC has seen the bytes up to here
    bool gainChanged_ = false;
    bool gainUndoUsable_ = false;
    GainUndo gainUndo_;
    std::vector<std::uint8_t> scratch_;
    std::int64_t protectedFrames_ = 0;
    std::int64_t crcMismatches_ = 0;
    std::vector<std::string> verified_;
    std::vector<DeepFinding> findings_;
    std::string gainLine_;
};

}  // namespace tw
