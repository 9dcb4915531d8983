// A run's progress told by the bytes it reads, for a run that says nothing of
// where it is: a repair reads its file twice (the check, the copy) and its
// copy once (the proof), through the file system it is given.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tw {
class RunSink;
}

namespace tw::win {

class ReadProgress : public ForwardingFileSystem {
public:
    // The first file opened sets the whole: `passes` times its size.
    ReadProgress(FileSystem& files, RunSink& sink, int passes);

    // Counts what the files opened here read.
    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override;

    // Bytes read so far, and the percentage shown (0 to 99: the run's end,
    // not its reading, makes it whole).
    void add(std::size_t bytes);

private:
    RunSink& sink_;
    int passes_;
    std::int64_t whole_ = 0;  // 0 until the first file is opened
    std::int64_t read_ = 0;
    std::int32_t shown_ = 0;
};

}  // namespace tw::win
