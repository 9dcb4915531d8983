// What the records of a file tell beyond the log's text, and the log's tag
// texts in either style: the file's size and time as the system has them,
// the encoder's name, the duration and bit rate as numbers, and the tags'
// texts as written.
#pragma once

#include <cstdint>
#include <string>

#include "common/Record.h"

namespace tw {

class AudioFileInfo;
class FileSystem;
class Id3v1Tag;
class Id3v2Tag;
struct TagText;
struct SetPosition;

// How the log and the panes show tag texts: every byte outside printable
// ASCII blanked (the default, as always), or as written, in UTF-8 with only
// control characters blanked ("Tag text as written").
enum class TagTextStyle { Blanked, AsWritten };

struct FileFacts {
    bool opened = false;
    std::int64_t size = -1;
    std::int64_t modifiedTime = 0;   // seconds since 1970-01-01 UTC
    std::string lameEncoder;         // the LAME extension's encoder, e.g. "LAME3.100"; empty when none
    bool infoFrame = false;          // the first frame is an "Info" header frame, which holds no audio
    std::int64_t recordFrames = -1;  // a Xing header's count where the scan didn't take it
};

// Scans `path` into `info` as AudioFileInfo::scan does, with the same
// messages, reading through one open file; with `facts`, also reads them.
bool ScanFile(FileSystem& fileSystem, const std::string& path, std::int32_t maxOffset, AudioFileInfo& info,
              FileFacts* facts);

// ISO 8601 local time with its offset from UTC, "2026-12-09T04:37:55+01:00";
// in UTC ("+00:00") when the local time can't be had or its offset isn't a
// whole number of minutes.
std::string IsoTime(std::int64_t secondsSinceEpoch);

// The log's texts of a tag's fields in the given style.
struct LogTagTexts {
    std::string title;
    std::string artist;
    std::string album;
    std::string track;  // ID3v2 only: the text of TRCK
    std::string year;
    std::string genre;
    std::string comment;
};
LogTagTexts Id3v1LogTexts(const Id3v1Tag& tag, TagTextStyle style);
LogTagTexts Id3v2LogTexts(const Id3v2Tag& tag, TagTextStyle style);

// Record values.
Value TagTextValue(const TagText& text);      // a string, with its raw bytes when decoded with loss
Value PositionValue(const SetPosition& set);  // {"position", "total"}, numbers or null; null when neither
Value PositionValue(const TagText& text);
// Seconds of audio from its frames: a Xing or VBRI header's count x samples
// per frame / sample rate; at a constant bit rate, the audio's bytes (less an
// Info frame) at that rate, which counts padded frames right.
Value DurationValue(const AudioFileInfo& info, const FileFacts& facts);
// bit/s: the constant rate, or the VBR estimate.
Value AverageBitrateValue(const AudioFileInfo& info, const FileFacts& facts);
Value ChannelsValue(const AudioFileInfo& info);  // 1 or 2
// The LAME extension's encoder, else the ID3v2 tag's TSSE; null when neither.
Value EncoderValue(const AudioFileInfo& info, const FileFacts& facts);

}  // namespace tw
