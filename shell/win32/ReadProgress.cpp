#include "shell/win32/ReadProgress.h"

#include <algorithm>

#include "common/RunSink.h"

namespace tw::win {

namespace {

// A file that reports every read to its ReadProgress.
class CountedFile final : public ReadableFile {
public:
    CountedFile(std::unique_ptr<ReadableFile> file, ReadProgress& progress)
        : file_(std::move(file)), progress_(progress) {}

    std::int64_t size() const override { return file_->size(); }
    std::int64_t modifiedTime() const override { return file_->modifiedTime(); }
    std::size_t readAt(std::int64_t offset, void* buffer, std::size_t count) override {
        const std::size_t got = file_->readAt(offset, buffer, count);
        progress_.add(got);
        return got;
    }

private:
    std::unique_ptr<ReadableFile> file_;
    ReadProgress& progress_;
};

}  // namespace

ReadProgress::ReadProgress(FileSystem& files, RunSink& sink, int passes)
    : ForwardingFileSystem(files), sink_(sink), passes_(passes) {}

std::unique_ptr<ReadableFile> ReadProgress::openForReading(const std::string& path) {
    std::unique_ptr<ReadableFile> file = inner().openForReading(path);
    if (!file)
        return nullptr;
    if (whole_ == 0)
        whole_ = std::max<std::int64_t>(1, file->size() * passes_);
    return std::make_unique<CountedFile>(std::move(file), *this);
}

void ReadProgress::add(std::size_t bytes) {
    read_ += static_cast<std::int64_t>(bytes);
    const auto percent =
        static_cast<std::int32_t>(std::min<std::int64_t>(99, read_ * 100 / std::max<std::int64_t>(1, whole_)));
    if (percent == shown_)
        return;
    shown_ = percent;
    sink_.setProgressPercent(percent);
}

}  // namespace tw::win
