#include "cli/CliSink.h"

#include "platform/Platform.h"

namespace tw::cli {
namespace {

constexpr int BarWidth = 30;
constexpr auto RedrawInterval = std::chrono::milliseconds(100);

}  // namespace

CliSink::CliSink(std::FILE* out, std::FILE* saveLog, bool progress, RecordSink* recordOutput)
    : out_(out), saveLog_(saveLog), progress_(progress), recordOutput_(recordOutput) {}

CliSink::~CliSink() {
    finish();
}

std::int32_t CliSink::addFile(const std::string&) {
    // Nothing opens a line's file here; only the index matters.
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
    if (text == status_)
        return;
    status_ = text;
    draw(true);
}

void CliSink::setProgressPercent(std::int32_t percent) {
    if (percent == percent_)
        return;
    percent_ = percent;
    draw(false);
}

void CliSink::pumpPendingMessages() {
    // The terminal's "message": Ctrl-C asks for a cancel; the flag stays up,
    // so that a run that clears it after its listing still stops.
    if (InterruptRequested())
        cancel_ = true;
}

void CliSink::draw(bool force) {
    if (!progress_)
        return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < RedrawInterval)
        return;
    lastDraw_ = now;
    if (status_.empty() && percent_ == 0) {
        erase();
        return;
    }
    std::fflush(out_);
    int filled = percent_ * BarWidth / 100;
    if (filled < 0)
        filled = 0;
    if (filled > BarWidth)
        filled = BarWidth;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(BarWidth - filled), '.');
    std::string shown = status_.size() > 60 ? status_.substr(0, 60) : status_;
    std::fprintf(stderr, "\r\033[K%s [%s] %3d%%", shown.c_str(), bar.c_str(), percent_);
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
