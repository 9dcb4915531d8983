// Frame counts per standard bit rate, and the aligned summary written at the
// end of a variable-bit-rate walk.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tw {

class RunSink;

class BitrateHistogram {
public:
    static constexpr int Buckets = 25;

    BitrateHistogram() { clear(); }
    virtual ~BitrateHistogram() = default;

    void clear();
    void add(std::int32_t bitrate) { add(bitrate, 1); }
    // `count` frames of one bit rate at once.
    void add(std::int32_t bitrate, std::int32_t count);
    int bucketCount() const { return Buckets; }
    std::int32_t countAt(int i) const;
    // Bit rate of bucket 1..24; -1 for any other index.
    static std::int32_t bitrateAt(int i);
    std::int32_t total() const { return total_; }

    // Writes the summary lines, tied to fileIndex.
    void writeSummary(RunSink& sink, std::int32_t fileIndex) const;

private:
    std::array<std::int32_t, Buckets> counts_{};
    std::int32_t total_ = 0;
};

// Width of a number text in half-digit units: "," counts 1, others 2.
int DisplayWidth(const std::string& text);

}  // namespace tw
