#include "analysis/DeepCheck.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "analysis/AudioFileInfo.h"
#include "analysis/FrameCrc.h"
#include "analysis/FrameHeader.h"
#include "analysis/FrameWalk.h"
#include "common/BufferedReader.h"
#include "common/ByteOrder.h"
#include "common/Crc16.h"
#include "common/Text.h"
#include "tags/Id3v2Texts.h"

namespace tw {
namespace {

constexpr const char* NothingRecordedText =
    "Deep check: the file holds no encoder records and no protected frames; only the frame walk applies.";
constexpr const char* NothingVerifiedText = "Deep check: nothing could be verified.";
constexpr const char* VerifiedPrefix = "Deep check verified: ";
constexpr const char* GainUndoKey = "MP3GAIN_UNDO";
constexpr const char* GainMinMaxKey = "MP3GAIN_MINMAX";

// Frame CRC mismatches logged one by one; the rest are counted.
constexpr std::int64_t MaxFrameCrcFindings = 20;

const char* RecordName(VbrHeader::Kind kind) {
    switch (kind) {
        case VbrHeader::Kind::Xing:
            return "Xing header";
        case VbrHeader::Kind::Info:
            return "Info header";
        case VbrHeader::Kind::Vbri:
            return "VBRI header";
        case VbrHeader::Kind::None:
            break;
    }
    return "header";
}

}  // namespace

DeepCheck::DeepCheck(const AudioFileInfo& info, BufferedReader& reader)
    : where_(info.vbrHeader()),
      record_(where_.record),
      headerStart_(where_.found() ? where_.frameStart : info.firstFrameOffset()),
      headerEnd_(where_.found()
                     ? where_.frameStart + where_.frameLength
                     : static_cast<std::int64_t>(info.firstFrameOffset()) + info.firstHeader().frameLength()),
      headerWalked_(!where_.found() || where_.inFirstFrame),
      fileSize_(info.fileSize()),
      streamProtected_(info.firstHeader().isCrcProtected()) {
    // Tags are stripped from the end of the file, so that one written after
    // the ID3v1 tag is seen too; the scan's end of the audio still bounds it.
    tags_ = StripTrailingTags(reader, info.firstFrameOffset(), info.fileSize());
    audioEnd_ = std::min<std::int64_t>(tags_.audioEnd, info.audioEnd());
    readGainRecords(info);
    checkTagCrc();
    // The music the CRC covers: the bytes of the frames after the header
    // frame, as many as the music length counts after it.
    if (record_.hasLameExtension() && record_.musicLength() >= headerEnd_ - headerStart_ &&
        (!tagCrcChecked_ || tagCrcMatched_))
        musicBytes_ = record_.musicLength() - (headerEnd_ - headerStart_);
    musicNext_ = headerEnd_;
    musicTo_ = headerEnd_;
}

void DeepCheck::readGainRecords(const AudioFileInfo& info) {
    bool hasUndo = tags_.hasGainUndo;
    bool hasMinMax = tags_.hasGainMinMax;
    std::string undo = tags_.gainUndo;
    // mp3gain -s i keeps its record in ID3v2 TXXX frames instead of an APE
    // tag; the scan has read them with the tag.
    if (!hasUndo && !hasMinMax && info.hasId3v2()) {
        const Id3v2Texts& texts = info.id3v2().asWritten();
        if (const TagText* value = texts.userText(GainUndoKey)) {
            hasUndo = true;
            undo = value->text;
        }
        hasMinMax = texts.userText(GainMinMaxKey) != nullptr;
    }
    gainChanged_ = hasUndo || hasMinMax;
    gainRecord_ = hasUndo ? std::string(GainUndoKey) + " " + undo : std::string(GainMinMaxKey);
    gainUndoUsable_ = hasUndo && ParseGainUndo(undo, gainUndo_) && info.firstHeader().layerNumber() == 3;
}

void DeepCheck::checkTagCrc() {
    if (!record_.hasLameExtension())
        return;
    const std::vector<std::uint8_t>& bytes = where_.bytes;
    const std::size_t crcAt = where_.idAt + VbrHeader::TagCrcFromId;
    if (bytes.size() < crcAt + 2)
        return;
    tagCrcChecked_ = true;
    // lame covers the frame up to the CRC field. ffmpeg covers the first 190
    // bytes of the frame wherever the header stands in it, as its buffer
    // held them: the CRC field still zero, zeros past the end of a shorter
    // frame. The two agree only for MPEG-1 stereo, with the header at 36.
    tagCrcComputed_ = Crc16Arc(0, bytes.data(), crcAt);
    tagCrcMatched_ = tagCrcComputed_ == record_.tagCrc();
    if (!tagCrcMatched_) {
        std::array<std::uint8_t, VbrHeaderLocation::TagCrcSpan> buffer{};
        const std::size_t inFrame =
            std::min({bytes.size(), buffer.size(), static_cast<std::size_t>(where_.frameLength)});
        std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(inFrame), buffer.begin());
        for (std::size_t i = crcAt; i < crcAt + 2 && i < buffer.size(); ++i)
            buffer[i] = 0;
        tagCrcMatched_ = Crc16Arc(0, buffer.data(), buffer.size()) == record_.tagCrc();
    }
    if (!tagCrcMatched_)
        return;
    verify("tag_crc", "tag CRC");
    // lame and ffmpeg leave the rest of the header frame zero; neither CRC
    // covers all of it, so this is how a change there shows.
    const auto frameEnd = bytes.begin() + std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(bytes.size()),
                                                                   static_cast<std::ptrdiff_t>(where_.frameLength));
    const auto tail = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(crcAt + 2), frameEnd,
                                   [](std::uint8_t b) { return b != 0; });
    if (tail != frameEnd)
        add(deep::HeaderFrameTail(headerStart_, headerEnd_, headerStart_ + (tail - bytes.begin())));
}

std::vector<std::string> DeepCheck::tagLines() const {
    std::vector<std::string> lines;
    for (auto it = tags_.tags.rbegin(); it != tags_.tags.rend(); ++it) {
        if (it->kind == TrailingTagKind::Id3v1 && it->position + it->size == fileSize_)
            continue;
        lines.push_back(std::string(TrailingTagKindText(it->kind)) + " of " + FormatThousands(it->size) +
                        " bytes at byte " + FormatThousands(it->position + 1) + " ends the audio.");
    }
    return lines;
}

const DeepFinding* DeepCheck::firstProblem() const {
    for (const DeepFinding& finding : findings_)
        if (finding.isProblem())
            return &finding;
    return nullptr;
}

bool DeepCheck::frame(const WalkedFrame& frame) {
    if (musicBytes_ >= 0 && gainUndoUsable_ && frame.start >= headerEnd_) {
        // The gain tool changed global_gain in every granule; undo it on a
        // copy, then let the CRC see the frame as the encoder wrote it.
        const auto whole = static_cast<std::size_t>(frame.available);
        scratch_.assign(frame.bytes, frame.bytes + whole);
        if (UndoGainChange(scratch_.data(), whole, gainUndo_) == GainUndoResult::MaybeInexact)
            gainUndoExact_ = false;
        feedMusic(frame.start, frame.bytes, scratch_.data(), whole);
    }
    return !streamProtected_ || checkFrameCrc(frame);
}

void DeepCheck::audio(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) {
    if (musicBytes_ >= 0 && !gainUndoUsable_)
        feedMusic(offset, bytes, nullptr, size);
}

void DeepCheck::feedMusic(std::int64_t offset, const std::uint8_t* bytes, const std::uint8_t* undone,
                          std::size_t size) {
    if (offset < headerEnd_) {  // the header frame, or part of a run that holds it
        const std::int64_t skip = std::min<std::int64_t>(headerEnd_ - offset, static_cast<std::int64_t>(size));
        offset += skip;
        bytes += skip;
        undone = undone != nullptr ? undone + skip : nullptr;
        size -= static_cast<std::size_t>(skip);
    }
    if (size == 0 || musicFed_ == musicBytes_)
        return;
    // Bytes between frames are not the encoder's: the CRC goes on over the
    // frames, but a mismatch then tells nothing.
    if (offset != musicNext_)
        musicGap_ = true;
    const auto take =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(size), musicBytes_ - musicFed_));
    musicCrc_ = Crc16Arc(musicCrc_, bytes, take);
    if (undone != nullptr)
        undoneCrc_ = Crc16Arc(undoneCrc_, undone, take);
    musicFed_ += static_cast<std::int64_t>(take);
    musicNext_ = offset + static_cast<std::int64_t>(size);
    musicTo_ = offset + static_cast<std::int64_t>(take);
}

bool DeepCheck::checkFrameCrc(const WalkedFrame& frame) {
    FrameHeader header;
    if (frame.available < 6 || !header.decode(frame.bytes))
        return true;
    std::uint16_t computed = 0;
    const auto available = static_cast<std::size_t>(frame.available);
    switch (CheckFrameCrc(header, frame.bytes, available, &computed)) {
        case FrameCrcResult::Match:
            ++protectedFrames_;
            return true;
        case FrameCrcResult::Mismatch:
            break;
        default:
            return true;
    }
    if (++crcMismatches_ <= MaxFrameCrcFindings)
        add(deep::FrameCrcMismatch(frame.number, frame.start, frame.start + frame.available,
                                   BigEndian16(frame.bytes + 4), computed));
    return false;
}

void DeepCheck::compareCounts(const WalkResult& walk) {
    if (!where_.found())
        return;
    const char* name = RecordName(record_.kind());
    const bool complete = walk.end == WalkEnd::Complete;
    // Frames after the header frame, and audio bytes from the header frame
    // on, as lame and ffmpeg count them; a walk that stopped short counts
    // as far as it went.
    const std::int64_t after = headerWalked_ ? walk.frames - 1 : walk.frames;
    const std::int64_t bytes = (complete ? audioEnd_ : walk.walkedTo) - headerStart_;
    const bool vbri = record_.kind() == VbrHeader::Kind::Vbri;

    if (tagCrcChecked_ && !tagCrcMatched_) {
        // A splitter rewrites the counts of the part it cuts out and leaves
        // the LAME extension describing the whole: an edit, not damage.
        // (mp3splt counts the header frame too in a part that starts at the
        // beginning.)
        const bool edited = complete && (record_.frames() == after || record_.frames() == after + 1) &&
                            record_.bytes() == bytes && record_.musicLength() != bytes;
        if (!edited) {
            add(deep::TagCrcMismatch(headerStart_,
                                     headerStart_ + static_cast<std::int64_t>(where_.idAt + VbrHeader::TagCrcFromId),
                                     record_.tagCrc(), tagCrcComputed_));
            return;
        }
        add(deep::HeaderFrameEdited(name, record_.musicLength(), bytes));
        verify("frame_count", "frame count");
        verify("byte_count", "byte count");
        return;
    }

    bool bytesReported = false;
    if (record_.frames() >= 0) {
        const RecordCounts frames{name, record_.frames(), after};
        // gstreamer's xingmux counts the header frame too, and writes no
        // LAME extension; its byte count then matches exactly.
        const bool headerCounted = record_.isXingOrInfo() && !record_.hasLameExtension() &&
                                   frames.expected == after + 1 && record_.bytes() == bytes;
        // Encoders of VBRI headers differ on whether the header frame counts.
        const bool fewer = vbri ? after + 1 < frames.expected : after < frames.expected;
        if (headerCounted) {
            verify("frame_count", "frame count (the header frame counted in it)");
        } else if (fewer && !complete) {
            add(deep::StreamBreaksOff(frames, walk.walkedTo));
            bytesReported = true;
        } else if (fewer) {
            add(deep::FramesCutShort(frames));
        } else if (after > frames.expected) {
            add(deep::MoreFrames(frames));
        } else {
            verify("frame_count", "frame count");
        }
    }
    if (record_.bytes() >= 0 && !bytesReported) {
        const RecordCounts counts{name, record_.bytes(), bytes};
        if (vbri ? counts.expected > fileSize_ : bytes < counts.expected) {
            bytesReported = true;
            add(deep::BytesCutShort(counts));
        } else if (!vbri && bytes > counts.expected) {
            bytesReported = true;
            add(deep::MoreBytes(counts));
        } else {
            verify("byte_count", "byte count");
        }
    }
    if (record_.hasLameExtension() && record_.musicLength() >= 0) {
        const std::int64_t expected = record_.musicLength();
        if (bytes < expected) {
            if (!bytesReported)
                add(deep::MusicLengthPastEnd(expected, bytes));
            musicBytes_ = -1;  // the checksum's bytes aren't all there
        } else if (bytes > expected) {
            if (!bytesReported)
                add(deep::MoreThanMusicLength(expected, bytes));
        } else {
            verify("music_length", "music length");
        }
    }
}

void DeepCheck::compareMusic() {
    if (musicBytes_ < 0)
        return;
    const bool complete = musicFed_ == musicBytes_;
    if (complete && musicCrc_ == record_.musicCrc()) {
        verify("music_crc", "music CRC");
        return;
    }
    if (complete && gainUndoUsable_ && undoneCrc_ == record_.musicCrc()) {
        verify("music_crc", "music CRC (with the gain tool's change undone)");
        return;
    }
    if (gainChanged_) {
        // An exact undo gives back the encoder's bytes: a mismatch then is
        // damage, gain tool or not.
        if (complete && !musicGap_ && gainUndoUsable_ && gainUndoExact_)
            add(deep::MusicCrcMismatch(headerEnd_, musicTo_, record_.musicCrc(), undoneCrc_, true));
        else
            add(deep::GainChanged(gainRecord_));
        return;
    }
    if (complete && !musicGap_)
        add(deep::MusicCrcMismatch(headerEnd_, musicTo_, record_.musicCrc(), musicCrc_, false));
}

void DeepCheck::finish(const WalkResult& walk) {
    compareCounts(walk);
    compareMusic();
    if (crcMismatches_ > MaxFrameCrcFindings)
        add(deep::MoreFrameCrcMismatches(crcMismatches_ - MaxFrameCrcFindings, crcMismatches_));
    if (protectedFrames_ > 0)
        verify("frame_crc", FormatThousands(protectedFrames_) + " protected frames");
}

std::string DeepCheck::closingLine() const {
    if (!verified_.empty()) {
        std::string line = VerifiedPrefix;
        for (std::size_t i = 0; i < verified_.size(); ++i)
            line += (i == 0 ? "" : ", ") + verified_[i].text;
        return line + ".";
    }
    if (!where_.found() && protectedFrames_ == 0 && crcMismatches_ == 0)
        return NothingRecordedText;
    return NothingVerifiedText;
}

}  // namespace tw
