// The operations through which a run reports: the output log's two writers,
// the status line, the progress bar, the message pump, the cancel flag and,
// for front ends that want them, structured records.
// The window, the command-line tool and the tests each provide them.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

class RecordSink;

// fileIndex of a log line that speaks of no file.
constexpr std::int32_t NoFile = -1;

class RunSink {
public:
    virtual ~RunSink() = default;

    // Adds a path to the log's file list; gives its index.
    virtual std::int32_t addFile(const std::string& path) = 0;

    // Appends one line tied to fileIndex (or NoFile); "" is a blank line.
    virtual void appendLine(const std::string& text, std::int32_t fileIndex) = 0;

    virtual void setStatusText(const std::string& text) = 0;

    // 0..100.
    virtual void setProgressPercent(std::int32_t percent) = 0;

    // Lets every pending event be handled; a cancel may be requested here.
    virtual void pumpPendingMessages() = 0;

    virtual bool cancelRequested() const = 0;

    // The runs clear the flag where they begin their own work.
    virtual void clearCancelRequest() = 0;

    // A folder that the listing left out: one it could not read, or one it
    // had listed already under another name (a link back up the tree). The
    // log says nothing of it; a front end may.
    virtual void skippedFolder(const std::string& path, const std::string& reason) {
        static_cast<void>(path);
        static_cast<void>(reason);
    }

    // Where the run hands its structured records (common/Record.h); nullptr,
    // the default, when the front end wants none, and then the run builds
    // none. A run asks once, when it starts.
    virtual RecordSink* records() { return nullptr; }
};

// Lets pending events be handled and tells whether the run may go on: the
// step the long loops take at each of their fixed points. Without a sink
// there is nothing to handle and nothing can cancel.
inline bool LetEventsThrough(RunSink* sink) {
    if (sink == nullptr)
        return true;
    sink->pumpPendingMessages();
    return !sink->cancelRequested();
}

}  // namespace tw
