// A file system that passes every call to another one and tells each file
// that can't be opened, with the system's reason, to a reporter: the log
// keeps its own line for it ("Error: Unable to open file."), and the user
// also learns which path failed and why.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tw::cli {

class ReportingFileSystem final : public ForwardingFileSystem {
public:
    using Reporter = std::function<void(const std::string& message)>;

    ReportingFileSystem(FileSystem& real, Reporter reporter)
        : ForwardingFileSystem(real), reporter_(std::move(reporter)) {}

    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override;

private:
    Reporter reporter_;
};

}  // namespace tw::cli
