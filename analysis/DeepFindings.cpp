#include "analysis/DeepFindings.h"

#include "common/Text.h"

namespace tw {
namespace {

std::string Hex16(std::uint16_t v) {
    return FormatText("0x%04X", static_cast<unsigned>(v));
}

DeepFinding Make(DeepLevel level, const char* code, std::string headline, std::string detail,
                 std::vector<std::pair<const char*, Value>> fields) {
    DeepFinding f;
    f.level = level;
    f.code = code;
    f.headline = std::move(headline);
    f.detail = std::move(detail);
    f.fields = std::move(fields);
    return f;
}

std::vector<std::pair<const char*, Value>> Counts(const RecordCounts& c) {
    return {{"record", c.name}, {"expected", c.expected}, {"found", c.found}};
}

}  // namespace

const char* DeepFinding::levelName() const {
    switch (level) {
        case DeepLevel::Error:
            return "error";
        case DeepLevel::Warning:
            return "warning";
        case DeepLevel::Note:
            break;
    }
    return "note";
}

namespace deep {

DeepFinding TagCrcMismatch(std::int64_t frameStart, std::int64_t crcEnd, std::uint16_t recorded,
                           std::uint16_t computed) {
    return Make(DeepLevel::Warning, "tag_crc_mismatch", "Warning: LAME tag CRC mismatch: the header frame is damaged.",
                "Tag CRC over bytes " + FormatThousands(frameStart + 1) + " - " + FormatThousands(crcEnd) +
                    ": recorded " + Hex16(recorded) + ", computed " + Hex16(computed) + ".",
                {{"offset", frameStart}, {"end", crcEnd}, {"recorded_crc", recorded}, {"computed_crc", computed}});
}

DeepFinding HeaderFrameTail(std::int64_t frameStart, std::int64_t frameEnd, std::int64_t byte) {
    return Make(DeepLevel::Warning, "header_frame_tail", "Warning: The header frame changed after its LAME tag.",
                "Byte " + FormatThousands(byte + 1) + " of the header frame (bytes " + FormatThousands(frameStart + 1) +
                    " - " + FormatThousands(frameEnd) + ") is not zero.",
                {{"offset", byte}, {"frame_offset", frameStart}, {"frame_end", frameEnd}});
}

DeepFinding HeaderFrameEdited(const char* recordName, std::int64_t musicLength, std::int64_t audioBytes) {
    return Make(DeepLevel::Note, "header_frame_edited",
                std::string("The header frame was edited after encoding (as splitters do): its ") + recordName +
                    " counts match this audio, but its LAME tag still describes the original (" +
                    FormatThousands(musicLength) + " bytes of music, here " + FormatThousands(audioBytes) +
                    "), so the tag CRC, music length and music CRC can't be compared.",
                std::string(), {{"record", recordName}, {"music_length", musicLength}, {"found", audioBytes}});
}

DeepFinding FramesCutShort(const RecordCounts& c) {
    return Make(DeepLevel::Error, "audio_cut_short",
                "Error: Audio cut short: " + FormatThousands(c.found) + " frames where the " + c.name + " records " +
                    FormatThousands(c.expected) + ".",
                "Frames after the header frame: expected " + FormatThousands(c.expected) + ", found " +
                    FormatThousands(c.found) + ".",
                Counts(c));
}

DeepFinding StreamBreaksOff(const RecordCounts& c, std::int64_t at) {
    auto fields = Counts(c);
    fields.emplace_back("offset", at);
    return Make(DeepLevel::Error, "stream_breaks_off",
                "Error: The audio breaks off at byte " + FormatThousands(at + 1) + ": " + FormatThousands(c.found) +
                    " frames where the " + c.name + " records " + FormatThousands(c.expected) + ".",
                "Frames after the header frame: expected " + FormatThousands(c.expected) + ", found " +
                    FormatThousands(c.found) + "; no frame of the stream follows at byte " + FormatThousands(at + 1) +
                    ".",
                std::move(fields));
}

DeepFinding MoreFrames(const RecordCounts& c) {
    return Make(DeepLevel::Warning, "joined",
                "Warning: More frames than the " + std::string(c.name) + " records (" + FormatThousands(c.found) +
                    " for " + FormatThousands(c.expected) + "): files joined?",
                "Frames after the header frame: expected " + FormatThousands(c.expected) + ", found " +
                    FormatThousands(c.found) + ".",
                Counts(c));
}

DeepFinding BytesCutShort(const RecordCounts& c) {
    return Make(DeepLevel::Error, "audio_cut_short",
                "Error: Audio cut short: " + FormatThousands(c.found) + " bytes where the " + c.name + " records " +
                    FormatThousands(c.expected) + ".",
                "Audio bytes from the header frame on: expected " + FormatThousands(c.expected) + ", found " +
                    FormatThousands(c.found) + ".",
                Counts(c));
}

DeepFinding MoreBytes(const RecordCounts& c) {
    return Make(DeepLevel::Warning, "extra_audio",
                "Warning: More audio bytes than the " + std::string(c.name) + " records (" + FormatThousands(c.found) +
                    " for " + FormatThousands(c.expected) + ").",
                "Audio bytes from the header frame on: expected " + FormatThousands(c.expected) + ", found " +
                    FormatThousands(c.found) + ".",
                Counts(c));
}

DeepFinding MusicLengthPastEnd(std::int64_t expected, std::int64_t found) {
    return Make(DeepLevel::Error, "audio_cut_short",
                "Error: Audio cut short: the LAME tag's music length runs " + FormatThousands(expected - found) +
                    " bytes past the end of the audio.",
                "Bytes from the header frame on: expected " + FormatThousands(expected) + ", found " +
                    FormatThousands(found) + ".",
                {{"record", "LAME tag"}, {"expected", expected}, {"found", found}});
}

DeepFinding MoreThanMusicLength(std::int64_t expected, std::int64_t found) {
    return Make(DeepLevel::Warning, "extra_audio", "Warning: More audio than the LAME tag's music length records.",
                "Bytes from the header frame on: expected " + FormatThousands(expected) + ", found " +
                    FormatThousands(found) + ".",
                {{"record", "LAME tag"}, {"expected", expected}, {"found", found}});
}

DeepFinding MusicCrcMismatch(std::int64_t from, std::int64_t to, std::uint16_t recorded, std::uint16_t computed,
                             bool gainUndone) {
    return Make(DeepLevel::Error, "music_crc_mismatch",
                "Error: Music CRC mismatch: the audio changed since it was encoded.",
                "Music CRC over bytes " + FormatThousands(from + 1) + " - " + FormatThousands(to) +
                    (gainUndone ? " with the gain tool's change undone" : "") + ": recorded " + Hex16(recorded) +
                    ", computed " + Hex16(computed) + ".",
                {{"offset", from},
                 {"end", to},
                 {"recorded_crc", recorded},
                 {"computed_crc", computed},
                 {"gain_undone", gainUndone}});
}

DeepFinding FrameCrcMismatch(std::int64_t frame, std::int64_t start, std::int64_t end, std::uint16_t recorded,
                             std::uint16_t computed) {
    return Make(
        DeepLevel::Error, "frame_crc_mismatch",
        "Error: Frame CRC mismatch in frame " + FormatThousands(frame) + " (bytes " + FormatThousands(start + 1) +
            " - " + FormatThousands(end) + ").",
        "Frame CRC recorded " + Hex16(recorded) + ", computed " + Hex16(computed) + ".",
        {{"frame", frame}, {"offset", start}, {"end", end}, {"recorded_crc", recorded}, {"computed_crc", computed}});
}

DeepFinding MoreFrameCrcMismatches(std::int64_t more, std::int64_t all) {
    return Make(DeepLevel::Error, "frame_crc_mismatch",
                "Error: " + FormatThousands(more) + " more frames with a CRC mismatch.",
                "Frames with a CRC mismatch: " + FormatThousands(all) + " in all.", {{"more", more}, {"count", all}});
}

DeepFinding GainChanged(const std::string& record) {
    return Make(DeepLevel::Note, "gain_changed",
                "A gain tool changed the audio (" + record + "), so the music CRC can't vouch for it.", std::string(),
                {{"gain_record", record}});
}

}  // namespace deep
}  // namespace tw
