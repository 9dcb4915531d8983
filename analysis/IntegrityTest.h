// Test File: the frame-by-frame walk of one scanned file.
#pragma once

#include <cstdint>

namespace tw {

class AudioFileInfo;
class BufferedReader;
class FileSystem;
class RunSink;

struct IntegrityTestOptions {
    std::int32_t maxResync = 2000;
    bool includeBitrateSummary = true;
    bool deepCheck = false;  // also check the encoder's records and the frame CRCs
};

class IntegrityTest {
public:
    IntegrityTest(RunSink& sink, const IntegrityTestOptions& options);
    IntegrityTest(RunSink& sink, const IntegrityTestOptions& options, FileSystem& fileSystem);
    virtual ~IntegrityTest() = default;

    // Walks a successfully scanned file, writing its findings and summary.
    // Gives true when it logged an error or warning (or couldn't open the file).
    bool testFile(const AudioFileInfo& info);
    // The same through the reader the scan used, so that the file is opened
    // once for both.
    bool testFile(const AudioFileInfo& info, BufferedReader& reader);

private:
    std::int32_t begin(const AudioFileInfo& info);

    RunSink& sink_;
    IntegrityTestOptions options_;
    FileSystem& fileSystem_;
};

}  // namespace tw
