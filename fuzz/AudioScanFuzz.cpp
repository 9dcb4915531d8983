// AudioFileInfo::scan of a whole file held in memory, with the settings and
// the faults of the parameter block (FuzzSupport.h), then the three
// information panes of the result. A second scan through a reader of the
// default buffer size must give the same record.
#include <cstddef>
#include <cstdint>
#include <cmath>
#include <string>

#include "analysis/AudioFileInfo.h"
#include "common/BufferedReader.h"
#include "fuzz/FuzzSupport.h"
#include "reports/FileInfoReport.h"

namespace {

using tw::AudioFileInfo;
using tw::BufferedReader;
using namespace tw::fuzz;

std::string Snapshot(const AudioFileInfo& i) {
    const tw::FrameHeader& h = i.firstHeader();
    return std::to_string(i.hasXingHeader()) + std::to_string(i.hasVbriHeader()) + std::to_string(i.hasId3v1()) +
           std::to_string(i.hasId3v2()) + "|" + std::to_string(i.firstFrameOffset()) + "|" +
           std::to_string(i.fileSize()) + "|" + std::to_string(i.audioEnd()) + "|" + std::to_string(i.audioSize()) +
           "|" + std::to_string(i.frameCount()) + "|" + std::to_string(i.estimatedSeconds()) + "|" +
           std::to_string(i.estimatedBitrate()) + "|" + i.errorText() + "|" + i.modifiedText() + "|" +
           std::to_string(h.frameLength()) + h.versionText() + h.channelModeText() + "|" + i.id3v1().title() +
           i.id3v1().comment() + "|" + i.id3v2().frameList() + i.id3v2().title() + i.id3v2().comment();
}

bool IsKnownFailure(const std::string& text) {
    return text == "Error: Unable to open file." || text == "Error: File too short." ||
           text == "Error: File too large." || text == "Error: Can't locate second frame header for VBRI file" ||
           (text.rfind("Error: Can't locate first valid frame header within ", 0) == 0 && text.size() > 28 &&
            text.compare(text.size() - 28, 28, " bytes of beginning of file.") == 0);
}

// Pane text: printable lines, each ended by CR LF.
bool IsPane(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            return false;
        if (!IsPrintable(text.substr(start, end - start)))
            return false;
        start = end + 2;
    }
    return true;
}

void CheckScanned(const AudioFileInfo& info, bool ok, std::int64_t reportedSize) {
    if (!ok) {
        FUZZ_CHECK(IsKnownFailure(info.errorText()));
        if (reportedSize > 0x7FFFFFFF)
            FUZZ_CHECK(info.errorText() == "Error: File too large.");
        return;
    }
    FUZZ_CHECK(reportedSize <= 0x7FFFFFFF);
    FUZZ_CHECK(info.errorText().empty());
    FUZZ_CHECK(info.fileSize() == reportedSize);
    FUZZ_CHECK(info.firstFrameOffset() >= 0);
    FUZZ_CHECK(static_cast<std::int64_t>(info.firstFrameOffset()) + 4 <= info.fileSize());
    FUZZ_CHECK(info.audioEnd() == info.fileSize() - (info.hasId3v1() ? 128 : 0));
    FUZZ_CHECK(info.audioSize() == info.audioEnd() - info.firstFrameOffset());
    FUZZ_CHECK(info.firstHeader().frameLength() >= 4);
    FUZZ_CHECK(info.frameCount() >= -1 || info.audioSize() < 0);
    const double bitrate = info.estimatedBitrate();
    FUZZ_CHECK(bitrate == -1.0 || (bitrate >= 0.0 && bitrate == std::trunc(bitrate)));
    FUZZ_CHECK(!std::isnan(info.estimatedSeconds()));
    FUZZ_CHECK(IsPane(tw::MpegInfoText(info)));
    FUZZ_CHECK(IsPane(tw::Id3v1InfoText(info)));
    FUZZ_CHECK(IsPane(tw::Id3v2InfoText(info)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AudioInput in = SplitAudioInput(data, size);

    auto file = FaultyFile(in.file, in);
    BufferedReader reader(*file, in.bufferCapacity);
    AudioFileInfo info;
    const bool ok = info.scan(reader, "fuzz.mp3", in.maxOffset);
    CheckScanned(info, ok, file->size());

    auto again = FaultyFile(in.file, in);
    BufferedReader defaultReader(*again);
    AudioFileInfo other;
    FUZZ_CHECK(other.scan(defaultReader, "fuzz.mp3", in.maxOffset) == ok);
    FUZZ_CHECK(Snapshot(other) == Snapshot(info));

    // A record serves file after file: scanning it again gives the same.
    auto third = FaultyFile(in.file, in);
    BufferedReader thirdReader(*third, in.bufferCapacity);
    FUZZ_CHECK(other.scan(thirdReader, "fuzz.mp3", in.maxOffset) == ok);
    FUZZ_CHECK(Snapshot(other) == Snapshot(info));
    return 0;
}
