#include "reports/FileInfoReport.h"

#include "analysis/AudioFileInfo.h"
#include "common/Text.h"
#include "tags/TagText.h"
#include "text/Unicode.h"

namespace tw {
namespace {

constexpr const char* NoTagText = "No tag found\r\n";
constexpr const char* Separator = ";   ";  // between items on one line
constexpr const char* TenBlanks = "          ";

// The first `count` characters of UTF-8 text (bytes of the blanked text are
// characters of their own).
std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t n = 0; n < count && end < text.size(); ++n) {
        const std::size_t length = Utf8SequenceLength(text, end, Surrogates::Refused);
        end += length == 0 ? 1 : length;
    }
    return text.substr(0, end);
}

const char* YesNo(bool b) {
    return b ? "Yes" : "No";
}

class PaneText {
public:
    PaneText& line(const std::string& text) {
        text_ += text;
        text_ += "\r\n";
        return *this;
    }
    std::string str() const { return text_; }

private:
    std::string text_;
};

}  // namespace

std::string MpegInfoText(const AudioFileInfo& info) {
    const FrameHeader& h = info.firstHeader();
    PaneText pane;
    pane.line("File size: " + FormatThousands(info.fileSize()) + " bytes");
    pane.line("Offset to first valid header: " + FormatThousands(info.firstFrameOffset()) + " bytes");
    pane.line("MPEG " + h.versionText() + ", layer " + h.layerText() + Separator +
              "Sample rate: " + h.sampleRateText() + (h.isSampleRateKnown() ? " Hz" : ""));
    if (info.hasXingHeader())
        pane.line("Bitrate: Variable (Xing-type header)");
    else if (info.hasVbriHeader())
        pane.line("Bitrate: Variable (VBRI-type header)");
    else
        pane.line("Bitrate: " + h.bitrateKbpsText() + (h.isBitrateKnown() ? " kbps" : ""));
    pane.line("Channel mode: " + h.channelModeText());
    pane.line(std::string("Private: ") + YesNo(h.isPrivate()) + Separator + "CRCs: " + YesNo(h.isCrcProtected()) +
              Separator + "Copyrighted: " + YesNo(h.isCopyright()));
    pane.line(std::string("Original: ") + YesNo(h.isOriginal()) + Separator + "Emphasis: " + h.emphasisText());
    pane.line("");

    pane.line(h.samplesPerFrame() == -1 ? std::string("Frame size: Unknown")
                                        : "Frame size: " + FormatThousands(h.samplesPerFrame()) + " samples/frame");
    pane.line(h.frameLengthUnpadded() == -1
                  ? std::string("Frame length: Unknown")
                  : "Frame length: " + FormatThousands(h.frameLengthUnpadded()) + " bytes/frame (unpadded)");
    pane.line(h.slotSize() == -1 ? std::string("Pad size: Unknown") : FormatText("Pad size: %d byte(s)", h.slotSize()));

    if (info.frameCount() == -1)
        pane.line("Estimated frames: Unknown");
    else if (info.hasVbrHeader())
        pane.line("Frames (specified in VBR header): " + FormatThousands(info.frameCount()));
    else
        pane.line("Estimated frames: " + FormatThousands(info.frameCount()));

    if (info.estimatedSeconds() == -1.0) {
        pane.line("Estimated time: Unknown");
    } else {
        const std::int32_t s = RoundToInt(info.estimatedSeconds());
        pane.line(FormatText("Estimated time: %d:%02d", s / 60, s % 60) + " (" + FormatThousands(s) + " secs.)");
    }

    if (!info.hasVbrHeader())
        pane.line("");
    else if (info.estimatedBitrate() == -1.0)
        pane.line("Estimated average bitrate: Unknown");
    else
        pane.line(FormatText("Estimated average bitrate: %0.1f kbps", info.estimatedBitrate() * 0.001));
    return pane.str();
}

std::string Id3v1InfoText(const AudioFileInfo& info, TagTextStyle style) {
    if (!info.hasId3v1())
        return NoTagText;
    const Id3v1Tag& t = info.id3v1();
    const LogTagTexts texts = Id3v1LogTexts(t, style);
    PaneText pane;
    std::string version = FormatText("Tag version: 1.%d", t.isVersion11());
    if (t.isVersion11() == 1)
        version += TenBlanks + FormatText("Track: %d", t.track());
    pane.line(version);
    pane.line("Title: " + texts.title);
    pane.line("Artist: " + texts.artist);
    pane.line("Album: " + texts.album);
    // Two blanks per missing digit keep the genre roughly in place in a
    // proportional font.
    std::string year = texts.year;
    const std::size_t characters = Utf8CharacterCount(year);
    if (characters < 4)
        year.append(2 * (4 - characters), ' ');
    pane.line("Year: " + year + TenBlanks + "Genre: " + texts.genre);
    pane.line("Comment: " + texts.comment);
    return pane.str();
}

std::string Id3v2InfoText(const AudioFileInfo& info, TagTextStyle style) {
    if (!info.hasId3v2())
        return NoTagText;
    const Id3v2Tag& t = info.id3v2();
    const LogTagTexts texts = Id3v2LogTexts(t, style);
    PaneText pane;
    pane.line(FormatText("Tag version: %d.%d", t.majorVersion(), t.revision()) + Separator +
              "Length: " + FormatThousands(t.totalLength()) + " bytes" + Separator + "Track: " + texts.track);
    pane.line("Title: " + texts.title);
    pane.line("Artist: " + texts.artist);
    pane.line("Album: " + texts.album);
    pane.line("Year: " + FirstCharacters(texts.year, 4) + TenBlanks + "Genre: " + texts.genre);
    pane.line("Comment: " + texts.comment);
    return pane.str();
}

namespace {

Value KnownOrNull(std::int32_t value) {
    return value == -1 ? Value() : Value(value);
}

Value MpegInfoValue(const AudioFileInfo& info, const FileFacts& facts) {
    const FrameHeader& h = info.firstHeader();
    Record r;
    r.add("file_size", info.fileSize())
        .add("first_frame_offset", info.firstFrameOffset())
        .add("mpeg_version", h.versionText())
        .add("layer", h.layerNumber() == 0 ? Value() : Value(h.layerNumber()))
        .add("sample_rate_hz", h.isSampleRateKnown() ? Value(h.sampleRate()) : Value());
    if (info.hasXingHeader())
        r.add("vbr", "Xing");
    else if (info.hasVbriHeader())
        r.add("vbr", "VBRI");
    else
        r.add("vbr", nullptr);
    r.add("bitrate_bps", !info.hasVbrHeader() && h.isBitrateKnown() ? Value(h.bitrate()) : Value())
        .add("average_bitrate_bps", AverageBitrateValue(info, facts))
        .add("channel_mode", h.channelModeText())
        .add("channels", ChannelsValue(info))
        .add("encoder", EncoderValue(info, facts))
        .add("private", h.isPrivate())
        .add("crc", h.isCrcProtected())
        .add("copyrighted", h.isCopyright())
        .add("original", h.isOriginal())
        .add("emphasis", h.emphasisText())
        .add("samples_per_frame", KnownOrNull(h.samplesPerFrame()))
        .add("frame_length", KnownOrNull(h.frameLengthUnpadded()))
        .add("pad_size", KnownOrNull(h.slotSize()))
        .add("frames", KnownOrNull(info.frameCount()))
        .add("frames_from_vbr_header", info.frameCount() != -1 && info.hasVbrHeader());
    if (info.estimatedSeconds() == -1.0)
        r.add("seconds", nullptr).add("estimated_seconds", nullptr);
    else
        r.add("seconds", RoundToInt(info.estimatedSeconds())).add("estimated_seconds", info.estimatedSeconds());
    r.add("duration_seconds", DurationValue(info, facts));
    if (info.hasVbrHeader() && info.estimatedBitrate() != -1.0)
        r.add("average_bitrate_kbps", info.estimatedBitrate() * 0.001);
    else
        r.add("average_bitrate_kbps", nullptr);
    return r.toValue();
}

Value Id3v1InfoValue(const AudioFileInfo& info) {
    if (!info.hasId3v1())
        return nullptr;
    const Id3v1Tag& t = info.id3v1();
    const Id3v1Texts& w = t.asWritten();
    SetPosition track;
    if (t.isVersion11() == 1)
        track.position = t.track();
    Record r;
    r.add("version", FormatText("1.%d", t.isVersion11()))
        .add("track", PositionValue(track))
        .add("title", w.title)
        .add("artist", w.artist)
        .add("album", w.album)
        .add("year", w.year)
        .add("genre", t.genre())
        .add("comment", w.comment);
    return r.toValue();
}

Value Id3v2InfoValue(const AudioFileInfo& info) {
    if (!info.hasId3v2())
        return nullptr;
    const Id3v2Tag& t = info.id3v2();
    const Id3v2Texts& w = t.asWritten();
    Record r;
    r.add("version", FormatText("%d.%d", t.majorVersion(), t.revision()))
        .add("length", t.totalLength())
        .add("track", PositionValue(w.track))
        .add("disc", PositionValue(w.disc))
        .add("title", TagTextValue(w.title))
        .add("artist", TagTextValue(w.artist))
        .add("album", TagTextValue(w.album))
        .add("year", TagTextValue(w.year))
        .add("genre", TagTextValue(w.genre))
        .add("comment", TagTextValue(w.comment));
    return r.toValue();
}

}  // namespace

Record FileInfoRecord(const std::string& path, const AudioFileInfo& info, bool scanned, const FileFacts& facts) {
    Record r("info");
    r.add("path", path)
        .add("file_size", facts.opened ? Value(facts.size) : Value())
        .add("modified", facts.opened ? Value(IsoTime(facts.modifiedTime)) : Value())
        .add("mpeg", scanned ? MpegInfoValue(info, facts) : Value())
        .add("id3v1", Id3v1InfoValue(info))
        .add("id3v2", Id3v2InfoValue(info))
        .add("error", scanned ? Value() : Value(info.errorText()));
    return r;
}

}  // namespace tw
