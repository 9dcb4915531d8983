#include "cli/ReportingFileSystem.h"

#include "common/Text.h"

namespace tw::cli {

std::unique_ptr<ReadableFile> ReportingFileSystem::openForReading(const std::string& path) {
    std::unique_ptr<ReadableFile> file = real_.openForReading(path);
    if (!file) {
        std::string reason = real_.openingProblem(path);
        reporter_("cannot open " + QuotedForMessage(path) + ": " + (reason.empty() ? "it can't be read" : reason));
    }
    return file;
}

}  // namespace tw::cli
