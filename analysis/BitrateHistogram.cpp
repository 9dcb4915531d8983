#include "analysis/BitrateHistogram.h"

#include "common/RunSink.h"
#include "common/Text.h"

namespace tw {
namespace {

constexpr const char* SummaryTitle = "Bitrate summary (excludes VBR header frame, if found):";
constexpr const char* AverageTitle = "Average bitrate (actual): ";

// Bit rate of each bucket; bucket 0 collects everything not in the list.
constexpr std::array<std::int32_t, BitrateHistogram::Buckets> BucketBitrates = {
    -1,                                                              // 0: anything else
    8000,   16000,  24000,  32000,  40000,  48000,  56000,  64000,   // 1..8
    80000,  96000,  112000, 128000, 144000, 160000, 176000, 192000,  // 9..16
    224000, 256000, 288000, 320000, 352000, 384000, 416000, 448000,  // 17..24
};

int BucketOf(std::int32_t bitrate) {
    for (int i = 1; i < BitrateHistogram::Buckets; ++i)
        if (BucketBitrates[static_cast<std::size_t>(i)] == bitrate)
            return i;
    return 0;
}

}  // namespace

void BitrateHistogram::add(std::int32_t bitrate, std::int32_t count) {
    counts_[static_cast<std::size_t>(BucketOf(bitrate))] += count;
    total_ += count;
}

void BitrateHistogram::clear() {
    counts_.fill(0);
    total_ = 0;
}

std::int32_t BitrateHistogram::countAt(int i) const {
    return i >= 0 && i < Buckets ? counts_[static_cast<std::size_t>(i)] : 0;
}

std::int32_t BitrateHistogram::bitrateAt(int i) {
    return i >= 1 && i < Buckets ? BucketBitrates[static_cast<std::size_t>(i)] : -1;
}

int DisplayWidth(const std::string& text) {
    int width = 0;
    for (char c : text)
        width += c == ',' ? 1 : 2;
    return width;
}

void BitrateHistogram::writeSummary(RunSink& sink, std::int32_t fileIndex) const {
    sink.appendLine(std::string(), fileIndex);
    sink.appendLine(SummaryTitle, fileIndex);

    const std::int32_t t = total();
    double sum = 0.0;
    std::int32_t maxCount = 0;
    for (int i = 0; i < Buckets; ++i)
        if (countAt(i) > maxCount)
            maxCount = countAt(i);
    const int width = DisplayWidth(FormatThousands(maxCount));

    for (int i = 0; i < Buckets; ++i) {
        const std::int32_t c = countAt(i);
        if (c == 0)
            continue;
        // Pad for the log's proportional font, where a digit is about twice
        // as wide as a blank or a comma.
        std::string k = std::to_string(bitrateAt(i) / 1000);
        if (k.size() == 1)
            k.insert(0, 4, ' ');
        else if (k.size() == 2)
            k.insert(0, 2, ' ');
        std::string n = FormatThousands(c);
        const int nWidth = DisplayWidth(n);
        if (nWidth < width)
            n.insert(0, static_cast<std::size_t>(width - nWidth), ' ');
        const double share = static_cast<double>(c) / t;
        sum += share * bitrateAt(i);
        std::string p = FormatText("%1.1f", share * 100.0);
        if (p.size() == 3)
            p.insert(0, 4, ' ');
        else if (p.size() == 4)
            p.insert(0, 2, ' ');
        sink.appendLine(k + "  kbps:  " + n + " frames, " + p + "% of total", fileIndex);
    }
    sink.appendLine(std::string(AverageTitle) + FormatText("%1.1f", sum * 0.001) + " kbps over " + FormatThousands(t) +
                        " audio frames.",
                    fileIndex);
}

}  // namespace tw
