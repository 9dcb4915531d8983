#include "analysis/DeepCheck.h"

#include <algorithm>

#include "analysis/AudioFileInfo.h"
#include "analysis/FrameCrc.h"
#include "analysis/FrameHeader.h"
#include "common/ByteOrder.h"
#include "common/Crc16.h"
#include "common/Text.h"

namespace tw {
namespace {

constexpr const char* NothingRecordedText =
    "Deep check: the file holds no encoder records and no protected frames; only the frame walk applies.";
constexpr const char* NothingVerifiedText = "Deep check: nothing could be verified.";
constexpr const char* VerifiedPrefix = "Deep check verified: ";
constexpr const char* TagCrcText = "Warning: LAME tag CRC mismatch: the header frame is damaged.";
constexpr const char* HeaderTailText = "Warning: The header frame changed after its LAME tag.";
constexpr const char* MusicCrcText = "Error: Music CRC mismatch: the audio changed since it was encoded.";

// Frame CRC mismatches logged one by one; the rest are counted.
constexpr std::int64_t MaxFrameCrcFindings = 20;
// Enough of a frame for the protected bits of every layer.
constexpr std::size_t ProtectedHead = 64;
// Largest frame of any layer and rate (MPEG-1 Layer I at 448 kbit/s and 32 kHz
// is 1,680; Layer II/III at 320 kbit/s and 32 kHz with padding is 1,441;
// free format can be more, and is passed whole to the gain undo only).
constexpr std::size_t LargestFrame = 8192;

std::string Hex16(std::uint16_t v) {
    return FormatText("0x%04X", static_cast<unsigned>(v));
}

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
    : reader_(reader),
      headerStart_(info.firstFrameOffset()),
      headerEnd_(static_cast<std::int64_t>(info.firstFrameOffset()) + info.firstHeader().frameLength()),
      audioEnd_(info.audioEnd()),
      fileSize_(info.fileSize()) {
    tags_ = StripTrailingTags(reader_, headerStart_, audioEnd_);
    audioEnd_ = tags_.audioEnd;
    readRecords(info);
    if (tags_.hasGainUndo || tags_.hasGainMinMax) {
        gainChanged_ = true;
        gainUndoUsable_ =
            tags_.hasGainUndo && ParseGainUndo(tags_.gainUndo, gainUndo_) && info.firstHeader().layerNumber() == 3;
    }
    crcPos_ = headerEnd_;
    // A changed gain is undone frame by frame; otherwise the music CRC reads
    // the walk's buffers as they pass.
    if (musicEnd_ >= 0 && !gainChanged_)
        reader_.setObserver(this);
}

DeepCheck::~DeepCheck() {
    reader_.setObserver(nullptr);
}

bool DeepCheck::findRecord(const FrameHeader& header, std::int64_t start, std::vector<std::uint8_t>& frame,
                           std::size_t& at) {
    const std::int64_t frameLength = header.frameLength();
    if (frameLength <= 0)
        return false;
    frame.resize(static_cast<std::size_t>(std::min<std::int64_t>(frameLength, LargestFrame)));
    frame.resize(reader_.read(start, frame.data(), frame.size()));
    // The record stands after the side information, or two bytes later
    // behind a frame CRC.
    at = static_cast<std::size_t>(VbrHeader::OffsetInFrame(header));
    for (int i = header.isCrcProtected() ? 2 : 1; i > 0; --i, at += 2)
        if (at < frame.size() && record_.parse(frame.data() + at, frame.size() - at))
            return true;
    return false;
}

void DeepCheck::readRecords(const AudioFileInfo& info) {
    std::vector<std::uint8_t> frame;
    std::size_t at = 0;
    bool found = findRecord(info.firstHeader(), headerStart_, frame, at);
    if (!found) {
        // ffmpeg writes its Info frame in a channel mode of its own, so the
        // scan takes the next frame as the first: look for a frame that ends
        // right where the first one starts.
        const std::int64_t from = info.hasId3v2() ? info.id3v2().totalLength() : 0;
        std::uint8_t bytes[4];
        for (std::int64_t p = from; !found && p + 4 <= headerStart_ && p < from + 4096; ++p) {
            FrameHeader header;
            if (!reader_.read4(p, bytes) || !header.decode(bytes) || p + header.frameLength() != headerStart_)
                continue;
            if (findRecord(header, p, frame, at)) {
                found = true;
                headerEnd_ = headerStart_;
                headerStart_ = p;
                headerWalked_ = false;
            }
        }
    }
    if (!found)
        return;
    recordTrusted_ = true;
    if (!record_.hasLameExtension())
        return;
    const std::size_t tagCrcAt = at + VbrHeader::TagCrcFromId;
    const std::uint16_t computed = Crc16Arc(0, frame.data(), tagCrcAt);
    tagCrcChecked_ = true;
    if (computed != record_.tagCrc()) {
        // A damaged header frame: none of its numbers can be trusted.
        recordTrusted_ = false;
        add(false, TagCrcText,
            "Tag CRC over bytes " + FormatThousands(headerStart_ + 1) + " - " +
                FormatThousands(headerStart_ + static_cast<std::int64_t>(tagCrcAt)) + ": recorded " +
                Hex16(record_.tagCrc()) + ", computed " + Hex16(computed) + ".");
        return;
    }
    verified_.push_back("tag CRC");
    // lame and ffmpeg leave the rest of the header frame zero; neither CRC
    // covers it, so this is how a change there shows.
    const auto tail = std::find_if(frame.begin() + static_cast<std::ptrdiff_t>(tagCrcAt + 2), frame.end(),
                                   [](std::uint8_t b) { return b != 0; });
    if (tail != frame.end())
        add(false, HeaderTailText,
            "Byte " + FormatThousands(headerStart_ + (tail - frame.begin()) + 1) + " of the header frame (bytes " +
                FormatThousands(headerStart_ + 1) + " - " +
                FormatThousands(headerStart_ + static_cast<std::int64_t>(frame.size())) + ") is not zero.");
    if (record_.musicLength() >= 0)
        musicEnd_ = std::min(headerStart_ + record_.musicLength(), audioEnd_);
}

std::vector<std::string> DeepCheck::tagLines() const {
    std::vector<std::string> lines;
    for (auto it = tags_.tags.rbegin(); it != tags_.tags.rend(); ++it)
        lines.push_back(std::string(TrailingTagKindText(it->kind)) + " of " + FormatThousands(it->size) +
                        " bytes at byte " + FormatThousands(it->position + 1) + " ends the audio.");
    return lines;
}

void DeepCheck::add(bool isError, std::string headline, std::string detail) {
    findings_.push_back({isError, std::move(headline), std::move(detail)});
}

bool DeepCheck::hasError() const {
    return std::any_of(findings_.begin(), findings_.end(), [](const DeepFinding& f) { return f.isError; });
}

void DeepCheck::feed(const std::uint8_t* bytes, std::size_t size) {
    crc_ = Crc16Arc(crc_, bytes, size);
    crcPos_ += static_cast<std::int64_t>(size);
}

void DeepCheck::observe(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) {
    const std::int64_t end = std::min(offset + static_cast<std::int64_t>(size), musicEnd_);
    if (end <= crcPos_)
        return;
    // The walk may step over the bytes between two buffers (the rest of a
    // frame whose header the last one held): read those few aside.
    if (offset > crcPos_)
        feedRange(crcPos_, std::min(offset, musicEnd_));
    if (offset > crcPos_)
        return;
    feed(bytes + (crcPos_ - offset), static_cast<std::size_t>(end - crcPos_));
}

void DeepCheck::feedRange(std::int64_t from, std::int64_t to) {
    if (scratch_.size() < 64 * 1024)
        scratch_.resize(64 * 1024);
    while (from < to) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(to - from, 64 * 1024));
        const std::size_t got = reader_.readAside(from, scratch_.data(), want);
        if (got == 0)
            return;
        if (from == crcPos_)
            feed(scratch_.data(), got);
        from += static_cast<std::int64_t>(got);
    }
}

bool DeepCheck::frame(std::int64_t number, std::int64_t start, std::int64_t length) {
    const std::int64_t inAudio = std::min(length, audioEnd_ - start);
    if (inAudio <= 0)
        return true;
    if (gainChanged_ && gainUndoUsable_ && musicEnd_ >= 0 && start >= headerEnd_ && start < musicEnd_) {
        // The gain tool changed global_gain in every granule; undo it on a
        // copy, then let the CRC see the frame as the encoder wrote it.
        feedRange(crcPos_, start);
        const auto size = static_cast<std::size_t>(std::min<std::int64_t>(inAudio, LargestFrame));
        if (scratch_.size() < std::max<std::size_t>(size, 64 * 1024))
            scratch_.resize(std::max<std::size_t>(size, 64 * 1024));
        const std::size_t got = reader_.read(start, scratch_.data(), size);
        if (got == size && crcPos_ == start) {
            if (UndoGainChange(scratch_.data(), got, gainUndo_) == GainUndoResult::MaybeInexact)
                gainUndoUsable_ = false;
            feed(scratch_.data(),
                 static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(got), musicEnd_ - start)));
        }
    }

    std::uint8_t head[ProtectedHead];
    const std::uint8_t* at = reader_.at4(start, head);
    if (at == nullptr || (at[1] & 0x01) != 0)
        return true;  // no CRC

    const std::size_t got =
        reader_.read(start, head, static_cast<std::size_t>(std::min<std::int64_t>(inAudio, ProtectedHead)));
    FrameHeader header;
    if (got < 6 || !header.decode(head))
        return true;
    switch (CheckFrameCrc(header, head, got)) {
        case FrameCrcResult::Match:
            ++protectedFrames_;
            return true;
        case FrameCrcResult::Mismatch:
            break;
        default:
            return true;
    }
    ++crcMismatches_;
    if (crcMismatches_ <= MaxFrameCrcFindings) {
        const std::uint16_t computed = ComputeFrameCrc(head, ProtectedBitCount(header, head, got));
        add(true,
            "Error: Frame CRC mismatch in frame " + FormatThousands(number) + " (bytes " + FormatThousands(start + 1) +
                " - " + FormatThousands(start + inAudio) + ").",
            "Frame CRC recorded " + Hex16(BigEndian16(head + 4)) + ", computed " + Hex16(computed) + ".");
    }
    return false;
}

void DeepCheck::compareCounts(std::int64_t frames) {
    if (!recordTrusted_)
        return;
    const std::string name = RecordName(record_.kind());
    // Frames after the header frame, and audio bytes from the header frame
    // on, as lame and ffmpeg count them.
    const std::int64_t after = headerWalked_ ? frames - 1 : frames;
    const std::int64_t bytes = audioEnd_ - headerStart_;
    const bool vbri = record_.kind() == VbrHeader::Kind::Vbri;
    bool bytesReported = false;
    if (record_.frames() >= 0) {
        const std::int64_t expected = record_.frames();
        // Encoders of VBRI headers differ on whether the header frame counts.
        const bool fewer = vbri ? after + 1 < expected : after < expected;
        if (fewer)
            add(true,
                "Error: Audio cut short: " + FormatThousands(after) + " frames where the " + name + " records " +
                    FormatThousands(expected) + ".",
                "Frames after the header frame: expected " + FormatThousands(expected) + ", found " +
                    FormatThousands(after) + ".");
        else if (after > expected)
            add(false,
                "Warning: More frames than the " + name + " records (" + FormatThousands(after) + " for " +
                    FormatThousands(expected) + "): files joined?",
                "Frames after the header frame: expected " + FormatThousands(expected) + ", found " +
                    FormatThousands(after) + ".");
        else
            verified_.push_back("frame count");
    }
    if (record_.bytes() >= 0) {
        const std::int64_t expected = record_.bytes();
        if (vbri ? expected > fileSize_ : bytes < expected) {
            bytesReported = true;
            add(true,
                "Error: Audio cut short: " + FormatThousands(bytes) + " bytes where the " + name + " records " +
                    FormatThousands(expected) + ".",
                "Audio bytes from the header frame on: expected " + FormatThousands(expected) + ", found " +
                    FormatThousands(bytes) + ".");
        } else if (!vbri && bytes > expected) {
            bytesReported = true;
            add(false,
                "Warning: More audio bytes than the " + name + " records (" + FormatThousands(bytes) + " for " +
                    FormatThousands(expected) + ").",
                "Audio bytes from the header frame on: expected " + FormatThousands(expected) + ", found " +
                    FormatThousands(bytes) + ".");
        } else {
            verified_.push_back("byte count");
        }
    }
    if (record_.hasLameExtension() && record_.musicLength() >= 0) {
        const std::int64_t expected = record_.musicLength();
        if (bytes < expected) {
            if (!bytesReported)
                add(true,
                    "Error: Audio cut short: the LAME tag's music length runs " + FormatThousands(expected - bytes) +
                        " bytes past the end of the audio.",
                    "Bytes from the header frame on: expected " + FormatThousands(expected) + ", found " +
                        FormatThousands(bytes) + ".");
            musicEnd_ = -1;  // the checksum's bytes aren't all there
        } else if (bytes > expected) {
            if (!bytesReported)
                add(false, "Warning: More audio than the LAME tag's music length records.",
                    "Bytes from the header frame on: expected " + FormatThousands(expected) + ", found " +
                        FormatThousands(bytes) + ".");
        } else {
            verified_.push_back("music length");
        }
    }
}

void DeepCheck::compareMusic() {
    if (musicEnd_ < 0)
        return;
    if (!gainChanged_) {
        reader_.observeBuffer();
        feedRange(crcPos_, musicEnd_);
    } else if (gainUndoUsable_) {
        feedRange(crcPos_, musicEnd_);
    }
    const bool complete = crcPos_ == musicEnd_;
    if (gainChanged_) {
        if (gainUndoUsable_ && complete && crc_ == record_.musicCrc()) {
            verified_.push_back("music CRC (with the gain tool's change undone)");
            return;
        }
        gainLine_ = "A gain tool changed the audio (" +
                    (tags_.hasGainUndo ? "MP3GAIN_UNDO " + tags_.gainUndo : std::string("MP3GAIN_MINMAX")) +
                    "), so the music CRC can't vouch for it.";
        return;
    }
    if (!complete)
        return;
    if (crc_ == record_.musicCrc()) {
        verified_.push_back("music CRC");
        return;
    }
    add(true, MusicCrcText,
        "Music CRC over bytes " + FormatThousands(headerEnd_ + 1) + " - " + FormatThousands(musicEnd_) + ": recorded " +
            Hex16(record_.musicCrc()) + ", computed " + Hex16(crc_) + ".");
}

void DeepCheck::finish(std::int64_t frames) {
    compareCounts(frames);
    compareMusic();
    if (crcMismatches_ > MaxFrameCrcFindings)
        add(true,
            "Error: " + FormatThousands(crcMismatches_ - MaxFrameCrcFindings) + " more frames with a CRC mismatch.",
            "Frames with a CRC mismatch: " + FormatThousands(crcMismatches_) + " in all.");
    if (protectedFrames_ > 0)
        verified_.push_back(FormatThousands(protectedFrames_) + " protected frames");
}

std::string DeepCheck::closingLine() const {
    if (!verified_.empty()) {
        std::string line = VerifiedPrefix;
        for (std::size_t i = 0; i < verified_.size(); ++i)
            line += (i == 0 ? "" : ", ") + verified_[i];
        return line + ".";
    }
    if (record_.kind() == VbrHeader::Kind::None && protectedFrames_ == 0 && crcMismatches_ == 0)
        return NothingRecordedText;
    return NothingVerifiedText;
}

}  // namespace tw
