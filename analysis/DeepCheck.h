// The deep check: what the frame walk can't see, settled from the records
// the encoder left. The Xing/Info or VBRI header's frame and byte counts, the
// LAME extension's music length, music CRC and tag CRC, and the CRC of every
// protected frame. Tags after the audio end it, in any order; a gain tool's
// recorded change is undone in memory before the music CRC is compared.
//
// The data flows one way: the check reads the file's tail tags and gain
// records once, before the walk, and then sees each frame the walk accepts,
// with its bytes, in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/DeepFindings.h"
#include "analysis/GainUndo.h"
#include "analysis/VbrHeader.h"
#include "tags/TrailingTags.h"

namespace tw {

class AudioFileInfo;
class BufferedReader;
struct WalkedFrame;
struct WalkResult;

class DeepCheck {
public:
    // Reads the tags that end the audio and the gain tool's records of a
    // scanned file, through the reader the walk then uses.
    DeepCheck(const AudioFileInfo& info, BufferedReader& reader);

    // Where the walk is to take the audio as ended: in front of trailing tags.
    std::int64_t audioEnd() const { return audioEnd_; }

    // One line per tag after the audio, for the log (not the ID3v1 tag at
    // the very end, which every reader expects).
    std::vector<std::string> tagLines() const;

    // Each frame the walk accepts, the first one too, in order, with its
    // bytes. False when the frame's CRC doesn't match (a finding is added).
    bool frame(const WalkedFrame& frame);
    // The accepted frames' bytes again, in runs (WalkListener::audio).
    void audio(std::int64_t offset, const std::uint8_t* bytes, std::size_t size);

    // After the walk (not a cancelled one): compares the counts and the
    // checksums with what it saw. A walk that stopped short counts as far as
    // it went.
    void finish(const WalkResult& walk);

    const std::vector<DeepFinding>& findings() const { return findings_; }
    // The first finding that is a problem (an error or a warning); nullptr
    // when there is none.
    const DeepFinding* firstProblem() const;

    const std::vector<DeepVerified>& verified() const { return verified_; }
    std::int64_t protectedFrames() const { return protectedFrames_; }

    // What the check proved, or that it had nothing to go on.
    std::string closingLine() const;

private:
    void readGainRecords(const AudioFileInfo& info);
    void checkTagCrc();
    void feedMusic(std::int64_t offset, const std::uint8_t* bytes, const std::uint8_t* undone, std::size_t size);
    bool checkFrameCrc(const WalkedFrame& frame);
    void compareCounts(const WalkResult& walk);
    void compareMusic();
    void add(DeepFinding finding) { findings_.push_back(std::move(finding)); }
    void verify(const char* code, std::string text) { verified_.push_back({code, std::move(text)}); }

    const VbrHeaderLocation& where_;
    const VbrHeader& record_;
    std::int64_t headerStart_;
    std::int64_t headerEnd_;
    bool headerWalked_;  // the header frame is the walk's first
    std::int64_t fileSize_;
    std::int64_t audioEnd_ = 0;
    TrailingTags tags_;
    bool streamProtected_;

    // The record's tag CRC: whether it matched, and the values when it didn't.
    bool tagCrcChecked_ = false;
    bool tagCrcMatched_ = false;
    std::uint16_t tagCrcComputed_ = 0;

    // The music CRC over the frames after the header frame, as many bytes of
    // them as the music length counts, as they are and with a gain tool's
    // change undone.
    std::int64_t musicBytes_ = -1;  // -1: not checked
    std::int64_t musicFed_ = 0;
    std::int64_t musicNext_ = 0;  // where the next frame's bytes should start
    std::int64_t musicTo_ = 0;    // where the music seen so far ends in the file
    bool musicGap_ = false;       // bytes between frames that the CRC left out
    std::uint16_t musicCrc_ = 0;
    std::uint16_t undoneCrc_ = 0;
    std::vector<std::uint8_t> scratch_;

    // A gain tool's change (mp3gain, aacgain), from an APE tag or ID3v2 TXXX.
    bool gainChanged_ = false;
    bool gainUndoUsable_ = false;  // a record to undo, on Layer III
    bool gainUndoExact_ = true;    // no global_gain sat where the change may have clamped it
    GainUndo gainUndo_;
    std::string gainRecord_;  // as the log names it

    std::int64_t protectedFrames_ = 0;
    std::int64_t crcMismatches_ = 0;
    std::vector<DeepVerified> verified_;
    std::vector<DeepFinding> findings_;
};

}  // namespace tw
