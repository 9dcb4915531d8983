// The run's way into the main window: the RunSink that keeps the output log
// and hands the run's lines, status text and progress to their controls.
//
// Outside a run each change shows at once. During a run nothing is drawn
// where the run writes: at most every pump interval the sink looks at the
// message queue, and at each look it shows the latest status and progress
// and, once a line batch interval has passed, the lines that came since the
// last batch. Both intervals run on one clock. A run writes far faster than
// a window can draw (under Wine a look at the queue is a server round trip
// and a change of the list's length redraws its scroll bars), so the window
// shows what the run has reached rather than every step of the way.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/OutputLog.h"
#include "common/RunSink.h"

namespace tw::win {

class LogListBox;

class WindowSink : public RunSink {
public:
    static constexpr double DefaultPumpIntervalMs = 15.0;
    static constexpr double LineBatchIntervalMs = 100.0;

    // The controls fed: the dialog whose keyboard messages the pump
    // translates, the log list, the status label and the progress bar (0
    // to 100). Any may be null.
    struct Controls {
        HWND dialog = nullptr;
        LogListBox* list = nullptr;
        HWND status = nullptr;
        HWND progress = nullptr;
    };

    WindowSink();

    void attach(const Controls& controls);
    // The controls are going: nothing more is shown.
    void detach();

    const OutputLog& log() const { return log_; }
    // Empties the log and the list.
    void clear();

    // RunSink.
    std::int32_t addFile(const std::string& path) override;
    void appendLine(const std::string& text, std::int32_t fileIndex) override;
    void setStatusText(const std::string& text) override;
    void setProgressPercent(std::int32_t percent) override;
    void pumpPendingMessages() override;
    bool cancelRequested() const override { return cancelRequested_ || closing_; }
    void clearCancelRequest() override { cancelRequested_ = false; }

    // A run starts: the cancel and close requests are cleared and changes
    // wait for the pump's looks. At its end everything waiting is shown.
    void beginRun();
    void endRun();
    bool isRunning() const { return running_; }

    // Shows everything waiting now (a question is asked over the log as it stands).
    void showNow();

    // The user confirmed a cancel; the next run clears it.
    void requestCancel() { cancelRequested_ = true; }
    // The window is closing: the run stops, and no clearCancelRequest of
    // the run clears that.
    void requestClose() { closing_ = true; }
    bool closeRequested() const { return closing_; }

    // The least time between two looks at the message queue during a run;
    // zero looks at every pump point.
    void setPumpInterval(double milliseconds);

private:
    // The clock: QueryPerformanceCounter ticks.
    long long now() const;
    long long ticksOf(double milliseconds) const;
    void showStatus();
    void showProgress();
    void showLines();

    OutputLog log_;
    Controls controls_;
    long long ticksPerSecond_ = 1;
    long long pumpInterval_ = 0;
    long long lineBatchInterval_ = 0;

    bool running_ = false;
    bool cancelRequested_ = false;
    bool closing_ = false;

    // What the run wrote, and how much of it the controls show.
    std::string statusText_ = "Status";  // the label's text in the template
    bool statusShown_ = true;
    std::int32_t progress_ = 0;
    bool progressShown_ = true;
    std::size_t linesShown_ = 0;

    long long lastLook_ = 0;   // 0: look at the next pump point
    long long lastBatch_ = 0;  // when lines last went into the list
};

}  // namespace tw::win
