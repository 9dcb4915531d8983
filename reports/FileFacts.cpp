#include "reports/FileFacts.h"

#include <memory>

#include "analysis/AudioFileInfo.h"
#include "analysis/VbrHeader.h"
#include "common/BufferedReader.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "tags/TagText.h"
#include "text/Unicode.h"

namespace tw {
namespace {

// The stream's Xing/Info record, wherever the scan's locator found it: the
// encoder its LAME extension names, whether it is an Info frame, and the
// frames it counts when the scan didn't take it (ffmpeg's Info frame, in
// front of the stream's first frame).
void ReadHeaderFrame(const AudioFileInfo& info, FileFacts& facts) {
    const VbrHeaderLocation& where = info.vbrHeader();
    const VbrHeader& record = where.record;
    if (!where.found())
        return;
    facts.infoFrame = record.kind() == VbrHeader::Kind::Info && where.inFirstFrame;
    facts.lameEncoder = record.encoder();
    while (!facts.lameEncoder.empty() && facts.lameEncoder.back() == ' ')
        facts.lameEncoder.pop_back();
    if (!where.inFirstFrame && record.kind() == VbrHeader::Kind::Xing)
        facts.recordFrames = record.frames();
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalTime UtcParts(std::int64_t t) {
    std::int64_t days = (t >= 0 ? t : t - 86399) / 86400;
    const std::int64_t secs = t - days * 86400;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    LocalTime parts;
    parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2 ? 1 : 0));
    parts.hour = static_cast<int>(secs / 3600);
    parts.minute = static_cast<int>(secs / 60 % 60);
    parts.second = static_cast<int>(secs % 60);
    return parts;
}

std::string IsoText(const LocalTime& t, std::int64_t offsetMinutes) {
    const char sign = offsetMinutes < 0 ? '-' : '+';
    const std::int64_t magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    return FormatText("%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                      sign, static_cast<int>(magnitude / 60), static_cast<int>(magnitude % 60));
}

std::string LogText(const std::string& blanked, const TagText& written, TagTextStyle style) {
    return style == TagTextStyle::AsWritten ? LineSafeText(written.text) : blanked;
}

std::string LogText(const std::string& blanked, const std::string& written, TagTextStyle style) {
    return style == TagTextStyle::AsWritten ? LineSafeText(written) : blanked;
}

}  // namespace

bool ScanFile(FileSystem& fileSystem, const std::string& path, std::int32_t maxOffset, AudioFileInfo& info,
              FileFacts* facts) {
    if (facts != nullptr)
        *facts = FileFacts();
    std::unique_ptr<ReadableFile> file = fileSystem.openForReading(path);
    if (!file)
        return info.unableToOpen(path);
    BufferedReader reader(*file);
    const bool scanned = info.scan(reader, path, maxOffset);
    if (facts != nullptr) {
        facts->opened = true;
        facts->size = reader.size();
        facts->modifiedTime = file->modifiedTime();
        if (scanned)
            ReadHeaderFrame(info, *facts);
    }
    return scanned;
}

std::string IsoTime(std::int64_t secondsSinceEpoch) {
    const LocalTime local = ToLocalTime(secondsSinceEpoch);
    if (local.year != 0) {
        const std::int64_t asIfUtc = DaysFromCivil(local.year, local.month, local.day) * 86400 + local.hour * 3600 +
                                     local.minute * 60 + local.second;
        const std::int64_t offset = asIfUtc - secondsSinceEpoch;
        if (offset % 60 == 0 && offset > -86400 && offset < 86400)
            return IsoText(local, offset / 60);
    }
    return IsoText(UtcParts(secondsSinceEpoch), 0);
}

LogTagTexts Id3v1LogTexts(const Id3v1Tag& tag, TagTextStyle style) {
    const Id3v1Texts& w = tag.asWritten();
    LogTagTexts t;
    t.title = LogText(tag.title(), w.title, style);
    t.artist = LogText(tag.artist(), w.artist, style);
    t.album = LogText(tag.album(), w.album, style);
    t.year = LogText(tag.year(), w.year, style);
    t.genre = tag.genre();
    t.comment = LogText(tag.comment(), w.comment, style);
    return t;
}

LogTagTexts Id3v2LogTexts(const Id3v2Tag& tag, TagTextStyle style) {
    const Id3v2Texts& w = tag.asWritten();
    LogTagTexts t;
    t.title = LogText(tag.title(), w.title, style);
    t.artist = LogText(tag.artist(), w.artist, style);
    t.album = LogText(tag.album(), w.album, style);
    t.track = LogText(tag.track(), w.track, style);
    t.year = LogText(tag.year(), w.year, style);
    t.genre = LogText(tag.genre(), w.genre, style);
    t.comment = LogText(tag.comment(), w.comment, style);
    return t;
}

Value TagTextValue(const TagText& text) {
    return text.lossy ? Value::decodedText(text.text, text.raw) : Value(text.text);
}

Value PositionValue(const SetPosition& set) {
    if (!set.known())
        return nullptr;
    Record r;
    r.add("position", set.position == -1 ? Value() : Value(set.position))
        .add("total", set.total == -1 ? Value() : Value(set.total));
    return r.toValue();
}

Value PositionValue(const TagText& text) {
    return PositionValue(ParseSetPosition(text.text));
}

Value DurationValue(const AudioFileInfo& info, const FileFacts& facts) {
    const FrameHeader& first = info.firstHeader();
    if (facts.recordFrames > 0 && first.isSampleRateKnown())
        return static_cast<double>(facts.recordFrames) * first.samplesPerFrame() / first.sampleRate();
    if (info.hasVbrHeader())
        return info.estimatedSeconds() == -1.0 ? Value() : Value(info.estimatedSeconds());
    const FrameHeader& h = info.firstHeader();
    if (!h.isBitrateKnown())
        return nullptr;
    const std::int64_t bytes = info.audioSize() - (facts.infoFrame ? h.frameLength() : 0);
    return bytes < 0 ? Value() : Value(static_cast<double>(bytes) * 8.0 / h.bitrate());
}

Value AverageBitrateValue(const AudioFileInfo& info, const FileFacts& facts) {
    if (facts.recordFrames > 0) {
        const Value seconds = DurationValue(info, facts);
        const std::int64_t bytes = info.audioEnd() - info.vbrHeader().frameStart;
        if (!seconds.isNull() && seconds.asDouble() > 0.0)
            return static_cast<std::int64_t>(static_cast<double>(bytes) * 8.0 / seconds.asDouble() + 0.5);
    }
    if (info.hasVbrHeader())
        return info.estimatedBitrate() == -1.0 ? Value() : Value(static_cast<std::int64_t>(info.estimatedBitrate()));
    const FrameHeader& h = info.firstHeader();
    return h.isBitrateKnown() ? Value(h.bitrate()) : Value();
}

Value ChannelsValue(const AudioFileInfo& info) {
    return info.firstHeader().isChannelMode(FrameHeader::SingleChannel) ? 1 : 2;
}

Value EncoderValue(const AudioFileInfo& info, const FileFacts& facts) {
    if (!facts.lameEncoder.empty())
        return facts.lameEncoder;
    const TagText& tsse = info.id3v2().asWritten().encoder;
    if (info.hasId3v2() && !tsse.text.empty())
        return TagTextValue(tsse);
    return nullptr;
}

}  // namespace tw
