// What the scan of one file learns without walking the whole stream.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/FrameHeader.h"
#include "analysis/VbrHeader.h"
#include "tags/Id3v1Tag.h"
#include "tags/Id3v2Tag.h"

namespace tw {

class BufferedReader;
class FileSystem;

class AudioFileInfo {
public:
    virtual ~AudioFileInfo() = default;

    // Opens `path` (read-only, shared) and scans it; false with errorText set
    // on failure. The file is closed again on every path.
    bool scan(const std::string& path, std::int32_t maxOffset);
    bool scan(FileSystem& fileSystem, const std::string& path, std::int32_t maxOffset);

    // Scans a file that the caller has opened; `path` is only recorded.
    bool scan(BufferedReader& file, const std::string& path, std::int32_t maxOffset);

    // The failure of a scan of a file the caller couldn't open, without
    // trying again. Gives false.
    bool unableToOpen(const std::string& path);

    bool hasVbrHeader() const { return hasXingHeader_ || hasVbriHeader_; }
    std::string errorText() const { return errorText_; }

    const std::string& modifiedText() const { return modifiedText_; }
    bool hasXingHeader() const { return hasXingHeader_; }
    bool hasVbriHeader() const { return hasVbriHeader_; }
    std::int32_t firstFrameOffset() const { return firstFrameOffset_; }
    std::int32_t fileSize() const { return fileSize_; }
    std::int32_t audioEnd() const { return audioEnd_; }
    std::int32_t audioSize() const { return audioSize_; }
    bool hasId3v1() const { return hasId3v1_; }
    bool hasId3v2() const { return hasId3v2_; }
    std::int32_t frameCount() const { return frameCount_; }
    double estimatedSeconds() const { return estimatedSeconds_; }
    double estimatedBitrate() const { return estimatedBitrate_; }
    const std::string& filePath() const { return filePath_; }
    const FrameHeader& firstHeader() const { return firstHeader_; }
    const Id3v1Tag& id3v1() const { return id3v1_; }
    const Id3v2Tag& id3v2() const { return id3v2_; }
    // The stream's Xing/Info or VBRI record wherever it stands, with the
    // bytes of its frame.
    const VbrHeaderLocation& vbrHeader() const { return vbrHeader_; }

private:
    void reset(const std::string& path);
    bool scanOpenFile(BufferedReader& file, std::int32_t maxOffset);
    bool fail(const char* message);

    std::string modifiedText_;
    bool hasXingHeader_ = false;
    bool hasVbriHeader_ = false;
    std::int32_t firstFrameOffset_ = 0;
    std::int32_t fileSize_ = 0;
    std::int32_t audioEnd_ = 0;
    std::int32_t audioSize_ = 0;
    bool hasId3v1_ = false;
    bool hasId3v2_ = false;
    std::int32_t frameCount_ = 0;
    double estimatedSeconds_ = 0.0;
    double estimatedBitrate_ = 0.0;
    std::string filePath_;
    std::string errorText_;
    FrameHeader firstHeader_;
    Id3v1Tag id3v1_;
    Id3v2Tag id3v2_;
    VbrHeaderLocation vbrHeader_;
};

struct LocalTime;

// "M/d/yy H:mm:ss", e.g. 7/30/07 1:44:26, the same on every platform.
std::string FormatLocalTime(const LocalTime& time);

}  // namespace tw
