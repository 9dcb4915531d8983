#include "cli/CliSink.h"

#include <memory>

#include "cli/Errors.h"
#include "common/Text.h"
#include "platform/Console.h"
#include "platform/Platform.h"
#include "reports/DirectoryListing.h"

namespace tw::cli {
namespace {

constexpr int MaxBarWidth = 30;
constexpr int FallbackColumns = 80;
// At most ten redraws a second: a fast run over many small files must not
// flood the terminal.
constexpr auto RedrawInterval = std::chrono::milliseconds(100);
// Too early, a rate or a time left is noise.
constexpr double EstimateAfterSeconds = 0.5;

std::string Bar(int width, std::int32_t percent) {
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    int filled = percent * width / 100;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]";
}

std::string Duration(double seconds) {
    std::int32_t s = RoundToInt(seconds);
    if (s >= 3600)
        return FormatText("%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    return FormatText("%d:%02d", s / 60, s % 60);
}

std::int64_t FileSizeOf(const std::string& path) {
    std::unique_ptr<ReadableFile> file = SystemFileSystem().openForReading(path);
    return file != nullptr ? file->size() : 0;
}

}  // namespace

std::string ProgressLine(const ProgressView& view) {
    const bool directoryRun = view.fileTotal > 0;
    std::string head;
    std::int32_t percent = view.percent;
    double doneFraction = 0.0;
    if (directoryRun) {
        std::int32_t done = view.fileNumber - 1;
        head = FormatThousands(done) + "/" + FormatThousands(view.fileTotal) + " files";
        doneFraction = static_cast<double>(done) / view.fileTotal;
        percent = static_cast<std::int32_t>(doneFraction * 100.0);
    } else {
        head = view.status;
        doneFraction = view.percent / 100.0;
    }

    std::string tail = FormatText(" %3d%%", percent);
    if (view.seconds >= EstimateAfterSeconds && view.bytesDone > 0)
        tail += FormatText("  %.1f MB/s", static_cast<double>(view.bytesDone) / 1e6 / view.seconds);
    if (view.seconds >= EstimateAfterSeconds && doneFraction > 0.0 && doneFraction < 1.0)
        tail += "  " + Duration(view.seconds / doneFraction * (1.0 - doneFraction)) + " left";

    if (!directoryRun && view.percent == 0)
        return head.substr(0, static_cast<std::size_t>((view.columns > 0 ? view.columns : FallbackColumns) - 1));

    const int width = (view.columns > 0 ? view.columns : FallbackColumns) - 1;
    int room = width - static_cast<int>(head.size() + tail.size()) - 4;  // blanks and brackets
    int barWidth = room < MaxBarWidth ? room : MaxBarWidth;
    std::string line = head + "  " + (barWidth >= 5 ? Bar(barWidth, percent) : std::string()) + tail;
    if (static_cast<int>(line.size()) > width)
        line.resize(static_cast<std::size_t>(width > 0 ? width : 0));
    return line;
}

CliSink::CliSink(std::FILE* out, std::FILE* saveLog, bool progress, RecordSink* recordOutput)
    : out_(out), saveLog_(saveLog), progress_(progress), recordOutput_(recordOutput) {}

CliSink::~CliSink() {
    finish();
}

std::int32_t CliSink::addFile(const std::string& path) {
    // Nothing opens a line's file here; only the index matters. The size
    // gives the rate, and only a terminal shows it.
    if (progress_) {
        if (files_ == 0)
            start_ = std::chrono::steady_clock::now();
        finishedBytes_ += currentSize_;
        currentSize_ = FileSizeOf(path);
    }
    return files_++;
}

void CliSink::appendLine(const std::string& text, std::int32_t) {
    if (recordOutput_ == nullptr) {
        if (drawn_) {
            std::fflush(out_);
            erase();
        }
        std::fwrite(text.data(), 1, text.size(), out_);
        std::fputc('\n', out_);
    }
    if (saveLog_ != nullptr && saveLogOk_) {
        if (std::fwrite(text.data(), 1, text.size(), saveLog_) != text.size() || std::fputs("\r\n", saveLog_) < 0)
            saveLogOk_ = false;
    }
}

void CliSink::record(const Record& record) {
    if (drawn_) {
        std::fflush(out_);
        erase();
    }
    recordOutput_->record(record);
}

void CliSink::setStatusText(const std::string& text) {
    if (text == view_.status)
        return;
    view_.status = text;
    const bool wasDirectoryRun = view_.fileTotal > 0;
    if (!ParseProcessingFileStatus(text, view_.fileNumber, view_.fileTotal))
        view_.fileNumber = view_.fileTotal = 0;
    // The files of a folder begin to count at once (a fast run may be over
    // before the next redraw); each file after waits for it.
    draw(view_.fileTotal > 0 && !wasDirectoryRun);
}

void CliSink::setProgressPercent(std::int32_t percent) {
    if (percent == view_.percent)
        return;
    view_.percent = percent;
    draw(false);
}

bool CliSink::cancelRequested() const {
    if (!cancel_ && InterruptRequested())
        cancel_ = true;
    return cancel_;
}

void CliSink::skippedFolder(const std::string& path, const std::string& reason) {
    warn("skipped the folder " + QuotedForMessage(path) + ": " + reason);
    if (recordOutput_ != nullptr) {
        Record r("skipped");
        record(r.add("path", path).add("reason", reason));
    }
}

void CliSink::warn(const std::string& message) {
    if (drawn_) {
        std::fflush(out_);
        erase();
    }
    PrintError(message);
}

void CliSink::draw(bool force) {
    if (!progress_)
        return;
    if (view_.status.empty() && view_.percent == 0) {
        erase();
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < RedrawInterval)
        return;
    lastDraw_ = now;
    view_.columns = StderrColumns();
    view_.seconds = files_ > 0 ? std::chrono::duration<double>(now - start_).count() : 0.0;
    view_.bytesDone = view_.fileTotal > 0 ? finishedBytes_ : currentSize_ * view_.percent / 100;
    std::fflush(out_);
    std::string line = ProgressLine(view_);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void CliSink::erase() {
    if (!drawn_)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

void CliSink::finish() {
    std::fflush(out_);
    erase();
}

}  // namespace tw::cli
