#include "shell/win32/WindowSink.h"

#include <commctrl.h>

#include "shell/win32/LogListBox.h"
#include "shell/win32/WideText.h"

namespace tw::win {

WindowSink::WindowSink() {
    LARGE_INTEGER frequency{};
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0)
        ticksPerSecond_ = frequency.QuadPart;
    pumpInterval_ = ticksOf(DefaultPumpIntervalMs);
    lineBatchInterval_ = ticksOf(LineBatchIntervalMs);
}

void WindowSink::attach(const Controls& controls) {
    controls_ = controls;
    linesShown_ = 0;
    showNow();
}

void WindowSink::detach() {
    controls_ = Controls();
}

void WindowSink::clear() {
    log_.clear();
    linesShown_ = 0;
    if (controls_.list != nullptr)
        controls_.list->clear();
}

std::int32_t WindowSink::addFile(const std::string& path) {
    return log_.addFile(path);
}

void WindowSink::appendLine(const std::string& text, std::int32_t fileIndex) {
    log_.appendLine(text, fileIndex);
    if (!running_)
        showLines();
}

void WindowSink::setStatusText(const std::string& text) {
    if (text == statusText_)
        return;
    statusText_ = text;
    statusShown_ = false;
    if (!running_)
        showStatus();
}

void WindowSink::setProgressPercent(std::int32_t percent) {
    if (percent == progress_)
        return;
    progress_ = percent;
    progressShown_ = false;
    if (!running_)
        showProgress();
}

void WindowSink::pumpPendingMessages() {
    // The walks come here once per frame; a look costs far more than a frame.
    long long start = now();
    if (lastLook_ != 0 && start - lastLook_ < pumpInterval_)
        return;
    showStatus();
    showProgress();
    if (start - lastBatch_ >= lineBatchInterval_)
        showLines();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: leave it for the loop that owns it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (controls_.dialog != nullptr && IsDialogMessageW(controls_.dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The interval counts from the end of this look: drawing can take longer
    // than the interval under a slow display, and the run must still get
    // its share of the time between two looks.
    lastLook_ = now();
}

void WindowSink::beginRun() {
    running_ = true;
    cancelRequested_ = false;
    closing_ = false;
    lastLook_ = 0;
    lastBatch_ = now();
}

void WindowSink::endRun() {
    running_ = false;
    showNow();
}

void WindowSink::showNow() {
    showStatus();
    showProgress();
    showLines();
}

void WindowSink::setPumpInterval(double milliseconds) {
    pumpInterval_ = ticksOf(milliseconds);
}

long long WindowSink::now() const {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

long long WindowSink::ticksOf(double milliseconds) const {
    return static_cast<long long>(milliseconds * static_cast<double>(ticksPerSecond_) / 1000.0);
}

void WindowSink::showStatus() {
    if (statusShown_)
        return;
    statusShown_ = true;
    if (controls_.status != nullptr)
        SetWindowTextW(controls_.status, ShownText(statusText_).c_str());
}

void WindowSink::showProgress() {
    if (progressShown_)
        return;
    progressShown_ = true;
    if (controls_.progress != nullptr)
        SendMessageW(controls_.progress, PBM_SETPOS, static_cast<WPARAM>(progress_), 0);
}

void WindowSink::showLines() {
    std::size_t count = log_.lines().size();
    if (linesShown_ == count)
        return;
    lastBatch_ = now();
    if (controls_.list != nullptr) {
        if (count - linesShown_ == 1)
            controls_.list->addLine(log_.lines().back().text, linesShown_);
        else
            controls_.list->addLines(log_, linesShown_);
    }
    linesShown_ = count;
}

}  // namespace tw::win
