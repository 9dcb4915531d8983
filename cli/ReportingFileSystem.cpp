#include "cli/ReportingFileSystem.h"

#include "common/Text.h"

namespace tw::cli {

std::unique_ptr<ReadableFile> ReportingFileSystem::openForReading(const std::string& path) {
    std::unique_ptr<ReadableFile> file = inner().openForReading(path);
    if (!file) {
        std::string reason = inner().openingProblem(path);
        reporter_("cannot open " + QuotedForMessage(path) + ": " + (reason.empty() ? "it can't be read" : reason));
    }
    return file;
}

}  // namespace tw::cli
