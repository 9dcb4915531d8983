// A file path under the system's temporary folder, named after the running
// test, removed before the test and again after it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tw::test {

class TempPath {
public:
    TempPath(const std::string& prefix, const std::string& extension) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                (prefix + info->test_suite_name() + "_" + info->name() + extension);
        std::filesystem::remove(path_);
    }
    ~TempPath() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempPath(const TempPath&) = delete;
    TempPath& operator=(const TempPath&) = delete;

    std::string str() const { return path_.string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace tw::test
