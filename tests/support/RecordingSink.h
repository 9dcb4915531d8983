// A RunSink for tests: records every line, status text and progress step,
// and can request a cancel after a given number of pumps.
#pragma once

#include <string>
#include <vector>

#include "common/RunSink.h"
#include "common/OutputLog.h"

namespace tw::test {

class RecordingSink : public RunSink {
public:
    std::int32_t addFile(const std::string& path) override { return log.addFile(path); }
    void appendLine(const std::string& text, std::int32_t fileIndex) override { log.appendLine(text, fileIndex); }
    void setStatusText(const std::string& text) override {
        status = text;
        statusHistory.push_back(text);
    }
    void setProgressPercent(std::int32_t percent) override {
        progress = percent;
        progressHistory.push_back(percent);
    }
    void pumpPendingMessages() override {
        ++pumps;
        if (pumps == cancelAfterPumps)  // once, like one confirmed Cancel
            cancel = true;
    }
    bool cancelRequested() const override { return cancel; }
    void clearCancelRequest() override { cancel = false; }
    void skippedFolder(const std::string& path, const std::string& reason) override {
        skipped.push_back(path + ": " + reason);
    }

    // The texts of the log lines, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& line : log.lines())
            out.push_back(line.text);
        return out;
    }
    // All lines joined by "\n", handy for exact comparisons.
    std::string joined() const {
        std::string out;
        for (const auto& line : log.lines())
            out += line.text + "\n";
        return out;
    }

    OutputLog log;
    std::string status = "Status";
    std::vector<std::string> statusHistory;
    std::int32_t progress = 0;
    std::vector<std::int32_t> progressHistory;
    std::vector<std::string> skipped;  // "path: reason"
    int pumps = 0;
    int cancelAfterPumps = -1;  // -1: never
    bool cancel = false;
};

}  // namespace tw::test
