// What the deep check can say about a file: each finding with its log lines,
// a stable code and its numbers, made by one function per kind so that the
// texts read as a list. Positions in the texts are 1-based, in the fields
// 0-based.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/Record.h"

namespace tw {

enum class DeepLevel {
    Error,
    Warning,
    Note,  // worth saying, no problem: an edit on purpose, a change that can't be checked
};

struct DeepFinding {
    DeepLevel level = DeepLevel::Error;
    const char* code = "";  // "music_crc_mismatch", ...
    std::string headline;   // "Error: ..." / "Warning: ...": the Test Directory line too; a note's only line
    std::string detail;     // the second line in Test File; empty for a note
    std::vector<std::pair<const char*, Value>> fields;

    bool isProblem() const { return level != DeepLevel::Note; }
    const char* levelName() const;
};

// One thing the check proved: a code for records, a phrase for the log.
struct DeepVerified {
    const char* code;
    std::string text;
};

// "Xing header", "Info header", "VBRI header".
struct RecordCounts {
    const char* name;
    std::int64_t expected;
    std::int64_t found;
};

namespace deep {

DeepFinding TagCrcMismatch(std::int64_t frameStart, std::int64_t crcEnd, std::uint16_t recorded,
                           std::uint16_t computed);
DeepFinding HeaderFrameTail(std::int64_t frameStart, std::int64_t frameEnd, std::int64_t byte);
DeepFinding HeaderFrameEdited(const char* recordName, std::int64_t musicLength, std::int64_t audioBytes);
DeepFinding FramesCutShort(const RecordCounts& frames);
DeepFinding StreamBreaksOff(const RecordCounts& frames, std::int64_t at);
DeepFinding MoreFrames(const RecordCounts& frames);
DeepFinding BytesCutShort(const RecordCounts& bytes);
DeepFinding MoreBytes(const RecordCounts& bytes);
DeepFinding MusicLengthPastEnd(std::int64_t expected, std::int64_t found);
DeepFinding MoreThanMusicLength(std::int64_t expected, std::int64_t found);
DeepFinding MusicCrcMismatch(std::int64_t from, std::int64_t to, std::uint16_t recorded, std::uint16_t computed,
                             bool gainUndone);
DeepFinding FrameCrcMismatch(std::int64_t frame, std::int64_t start, std::int64_t end, std::uint16_t recorded,
                             std::uint16_t computed);
DeepFinding MoreFrameCrcMismatches(std::int64_t more, std::int64_t all);
DeepFinding GainChanged(const std::string& record);

}  // namespace deep

}  // namespace tw
