// The run operations for a terminal: log lines to standard output (and to a
// saved log), progress to standard error when it is a terminal, Ctrl-C as
// the cancel request.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/Record.h"
#include "common/RunSink.h"

namespace tw::cli {

// What the progress line shows, apart from the clock: kept separate so that
// the line's text can be tested without a terminal.
struct ProgressView {
    std::string status;           // the run's status text
    std::int32_t percent = 0;     // the run's progress, 0..100
    std::int32_t fileNumber = 0;  // "Processing file N of M" of a directory run, else 0
    std::int32_t fileTotal = 0;
    double seconds = 0.0;        // since the first file began
    std::int64_t bytesDone = 0;  // of the files finished, or of the one file
    int columns = 0;             // terminal width; 0 when unknown
};

// One line, at most columns - 1 wide: for a directory run files done of
// total, a bar, MB/s and the time left once it can be estimated; for one
// file the percentage with the bar, MB/s and the time left.
std::string ProgressLine(const ProgressView& view);

class CliSink : public RunSink, private RecordSink {
public:
    // `out` receives the lines ended by "\n"; `saveLog`, when not null, the
    // same lines ended by CR LF. `progress` draws progress on standard
    // error. With `recordOutput` the runs hand their records to it instead,
    // and `out` gets no log lines (the saved log still does).
    CliSink(std::FILE* out, std::FILE* saveLog, bool progress, RecordSink* recordOutput = nullptr);
    ~CliSink() override;

    std::int32_t addFile(const std::string& path) override;
    void appendLine(const std::string& text, std::int32_t fileIndex) override;
    void setStatusText(const std::string& text) override;
    void setProgressPercent(std::int32_t percent) override;
    void pumpPendingMessages() override {}
    // A Ctrl-C cancels the whole run whenever it comes, the listing included:
    // once asked and seen, the cancel stays, and a run can't clear it.
    bool cancelRequested() const override;
    void clearCancelRequest() override {}
    void skippedFolder(const std::string& path, const std::string& reason) override;
    RecordSink* records() override { return recordOutput_ != nullptr ? this : nullptr; }

    // True once the run has been told of a cancel; it then ends with its
    // cancel lines.
    bool cancelSeen() const { return cancel_; }

    // One line "tunewarden-cli: message" on standard error, the progress
    // line erased first.
    void warn(const std::string& message);

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
    mutable bool cancel_ = false;
    bool drawn_ = false;
    std::int32_t files_ = 0;
    ProgressView view_;
    std::int64_t currentSize_ = 0;  // of the file being read
    std::int64_t finishedBytes_ = 0;
    std::chrono::steady_clock::time_point start_{};
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace tw::cli
