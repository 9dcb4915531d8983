// A real directory tree under the system's temporary directory, removed
// again when the test ends, and a file system that passes every call to the
// real one except the failures a test asks for.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "common/Text.h"
#include "platform/Platform.h"

namespace tw::test {

class TempTree {
public:
    TempTree() {
        static std::atomic<unsigned> counter{0};
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        root_ = std::filesystem::temp_directory_path() /
                ("tw-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(root_);
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root as the program spells paths: no trailing separator.
    std::string root() const { return root_.string(); }

    // `relative` uses "/" between components; the result uses the system's
    // separator, as the listing writes it.
    std::string path(const std::string& relative) const {
        std::string result = root();
        result += PathSeparator;
        for (char c : relative)
            result += c == '/' ? PathSeparator : c;
        return result;
    }

    std::string dir(const std::string& relative) const {
        std::filesystem::create_directories(native(relative));
        return path(relative);
    }

    std::string file(const std::string& relative, const std::vector<std::uint8_t>& bytes = {}) const {
        std::string full = path(relative);
        std::filesystem::create_directories(native(relative).parent_path());
        std::ofstream out(native(relative), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return full;
    }

    std::vector<std::uint8_t> read(const std::string& relative) const {
        std::ifstream in(native(relative), std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool exists(const std::string& relative) const { return std::filesystem::exists(native(relative)); }

    // The path as the system's own calls take it: names are UTF-8 here, and
    // Windows needs them as UTF-16, not in its ANSI code page.
    std::filesystem::path native(const std::string& relative) const { return std::filesystem::u8path(path(relative)); }

private:
    std::filesystem::path root_;
};

// The real file system, with failures on demand and a count of listings.
class InjectingFileSystem : public FileSystem {
public:
    std::unique_ptr<ReadableFile> openForReading(const std::string& p) override {
        ++opens;
        if (unopenable.count(p) != 0)
            return nullptr;
        return real_.openForReading(p);
    }
    bool directoryExists(const std::string& p) override { return real_.directoryExists(p); }
    bool directoryIdentity(const std::string& p, DirectoryIdentity& identity) override {
        return real_.directoryIdentity(p, identity);
    }
    bool listDirectory(const std::string& p, std::vector<DirectoryEntry>& entries,
                       const std::function<bool()>& keepGoing) override {
        ++listings;
        if (unlistable.count(p) != 0) {
            entries.clear();
            return false;
        }
        return real_.listDirectory(p, entries, keepGoing);
    }
    std::string listingProblem(const std::string& p) override {
        return unlistable.count(p) != 0 ? "Permission denied" : real_.listingProblem(p);
    }
    std::string absolutePath(const std::string& p) override { return real_.absolutePath(p); }
    bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) override {
        if (!moveError.empty()) {
            errorText = moveError;
            return false;
        }
        return real_.moveFileNoReplace(from, to, errorText);
    }

    std::set<std::string> unopenable;  // paths whose open fails
    std::set<std::string> unlistable;  // folders whose listing fails
    std::string moveError;             // when set, every move fails with it
    int opens = 0;
    int listings = 0;

private:
    FileSystem& real_ = SystemFileSystem();
};

}  // namespace tw::test
