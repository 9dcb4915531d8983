#include "common/FileHelpers.h"

#include "platform/Platform.h"

namespace tw {

bool DirectoryExists(const std::string& path) {
    return !path.empty() && SystemFileSystem().directoryExists(path);
}

bool CanOpenFile(const std::string& path) {
    return SystemFileSystem().openForReading(path) != nullptr;
}

}  // namespace tw
