// The run operations for a terminal: log lines to standard output (and to a
// saved log), status and progress to standard error when it is a terminal,
// Ctrl-C as the cancel request.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "common/Record.h"
#include "common/RunSink.h"

namespace tw::cli {

class CliSink : public RunSink, private RecordSink {
public:
    // `out` receives the lines ended by "\n"; `saveLog`, when not null, the
    // same lines ended by CR LF. `progress` draws status and progress on
    // standard error. With `recordOutput` the runs hand their records to it
    // instead, and `out` gets no log lines (the saved log still does).
    CliSink(std::FILE* out, std::FILE* saveLog, bool progress, RecordSink* recordOutput = nullptr);
    ~CliSink() override;

    std::int32_t addFile(const std::string& path) override;
    void appendLine(const std::string& text, std::int32_t fileIndex) override;
    void setStatusText(const std::string& text) override;
    void setProgressPercent(std::int32_t percent) override;
    void pumpPendingMessages() override;
    bool cancelRequested() const override { return cancel_; }
    void clearCancelRequest() override { cancel_ = false; }
    RecordSink* records() override { return recordOutput_ != nullptr ? this : nullptr; }

    // Erases the progress line, so that whatever follows starts clean.
    void finish();

    // False when a write to the saved log failed.
    bool saveLogOk() const { return saveLogOk_; }

private:
    void record(const Record& record) override;
    void draw(bool force);
    void erase();

    std::FILE* out_;
    std::FILE* saveLog_;
    bool progress_;
    RecordSink* recordOutput_;
    bool saveLogOk_ = true;
    bool cancel_ = false;
    bool drawn_ = false;
    std::int32_t files_ = 0;
    std::string status_;
    std::int32_t percent_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace tw::cli
