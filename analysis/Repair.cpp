#include "analysis/Repair.h"

#include <algorithm>
#include <cstdio>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "common/BufferedReader.h"
#include "common/Record.h"
#include "common/RunSink.h"
#include "platform/Platform.h"

namespace tw {
namespace {

constexpr const char* UnableToOpenText = "Error: Unable to open file.";
constexpr std::size_t WriteBuffer = 256 * 1024;
constexpr const char* AudioChangedText =
    "the audio changed inside its frames (music CRC mismatch), and no frame CRC tells which frames";
constexpr const char* CopyFailsText = "the mended copy still fails the check: ";
constexpr const char* CopyUnreadableText = "the mended copy can't be read back";

// Test File without a log: its records tell the findings. Messages still
// pass through to the caller's sink, and its cancel stops the check; the
// caller's cancel flag is never cleared here.
class CheckSink final : public RunSink, public RecordSink {
public:
    CheckSink(RunSink* outer, FileCheck& check) : outer_(outer), check_(check) {}

    std::int32_t addFile(const std::string&) override { return 0; }
    void appendLine(const std::string&, std::int32_t) override {}
    void setStatusText(const std::string&) override {}
    void setProgressPercent(std::int32_t) override {}
    void pumpPendingMessages() override {
        if (outer_ != nullptr)
            outer_->pumpPendingMessages();
    }
    bool cancelRequested() const override { return outer_ != nullptr && outer_->cancelRequested(); }
    void clearCancelRequest() override {}
    RecordSink* records() override { return this; }

    void record(const Record& r) override {
        const Field* type = r.find("type");
        if (type != nullptr && type->value.asString() == "summary") {
            const Field* deep = r.find("deep_check");
            if (deep != nullptr)
                for (const Field& f : deep->value.fields())
                    if (f.name == "verified")
                        for (const Value& code : f.value.items())
                            check_.verified.push_back(code.asString());
            return;
        }
        const Field* level = r.find("level");
        if (type == nullptr || type->value.asString() != "event" || level == nullptr)
            return;
        const std::string& l = level->value.asString();
        if (l != "error" && l != "warning")
            return;
        const Field* message = r.find("message");
        const Field* code = r.find("code");
        const Field* event = r.find("event");
        check_.problems.push_back(message != nullptr ? message->value.asString() : std::string());
        check_.kinds.push_back(code != nullptr    ? code->value.asString()
                               : event != nullptr ? event->value.asString()
                                                  : std::string());
    }

private:
    RunSink* outer_;
    FileCheck& check_;
};

class StagedTarget final : public RepairTarget, public RepairOutput {
public:
    StagedTarget(FileSystem& fileSystem, std::unique_ptr<StagedFile> file)
        : fileSystem_(fileSystem), buffer_(new char[WriteBuffer]), file_(std::move(file)) {
        // Frames go out one by one: a large buffer makes few writes of them.
        // It is given, since glibc ignores the size when it is to allocate
        // one itself (and writes 4 KiB at a time).
        std::setvbuf(file_->stream(), buffer_.get(), _IOFBF, WriteBuffer);
    }

    RepairOutput& output() override { return *this; }

    bool append(const std::uint8_t* bytes, std::size_t size) override {
        return std::fwrite(bytes, 1, size, file_->stream()) == size;
    }

    bool overwrite(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) override {
        std::FILE* f = file_->stream();
        return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 && std::fwrite(bytes, 1, size, f) == size &&
               std::fseek(f, 0, SEEK_END) == 0;
    }

    std::unique_ptr<ReadableFile> reopen() override {
        if (std::fflush(file_->stream()) != 0)
            return nullptr;
        return fileSystem_.openForReading(file_->temporaryPath());
    }

    bool commit(std::string& errorText) override { return file_->commit(errorText); }

private:
    FileSystem& fileSystem_;
    std::unique_ptr<char[]> buffer_;  // outlives the stream, which file_ closes
    std::unique_ptr<StagedFile> file_;
};

RepairResult Outcome(RepairResult::Outcome outcome, std::string reason, RepairResult result = {}) {
    result.outcome = outcome;
    result.reason = std::move(reason);
    return result;
}

}  // namespace

bool FileCheck::has(const char* kind) const {
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

FileCheck CheckFile(BufferedReader& reader, const std::string& path, std::int32_t maxOffset, RunSink* sink) {
    FileCheck check;
    AudioFileInfo info;
    if (!info.scan(reader, path, maxOffset)) {
        check.scanError = info.errorText();
        return check;
    }
    CheckSink silent(sink, check);
    IntegrityTestOptions options;
    options.includeBitrateSummary = false;
    options.deepCheck = true;
    IntegrityTest(silent, options).testFile(info, reader);
    check.cancelled = silent.cancelRequested();
    return check;
}

RepairResult RepairFile(FileSystem& fileSystem, const std::string& path, const RepairTargetMaker& makeTarget,
                        std::int32_t maxOffset, RunSink* sink) {
    using O = RepairResult::Outcome;
    std::unique_ptr<ReadableFile> file = fileSystem.openForReading(path);
    if (!file)
        return Outcome(O::NotRepairable, UnableToOpenText);
    BufferedReader reader(*file);
    const FileCheck before = CheckFile(reader, path, maxOffset, sink);
    if (before.cancelled)
        return Outcome(O::Cancelled, std::string());
    if (!before.scanError.empty())
        return Outcome(O::NotRepairable, before.scanError);
    RepairResult result;
    result.problems = before.problems;
    if (before.problems.empty())
        return Outcome(O::NotNeeded, std::string(), result);
    // Changed audio bits can't be told from good ones, unless frame CRCs
    // point at the frames (which the copy then leaves out).
    if (before.has("music_crc_mismatch") && !before.has("frame_crc_mismatch"))
        return Outcome(O::NotRepairable, AudioChangedText, result);

    AudioFileInfo info;
    if (!info.scan(reader, path, maxOffset))
        return Outcome(O::NotRepairable, info.errorText(), result);
    std::string errorText;
    std::unique_ptr<RepairTarget> target = makeTarget(errorText);
    if (!target)
        return Outcome(O::Failed, errorText, result);
    // A music CRC that held over the frames, junk or not, says no frame was
    // lost: every frame's bit reservoir is there.
    const bool framesAllThere =
        std::find(before.verified.begin(), before.verified.end(), "music_crc") != before.verified.end();
    result.copy = CopyRepaired(reader, info, target->output(), sink, framesAllThere);
    if (sink != nullptr && sink->cancelRequested())
        return Outcome(O::Cancelled, std::string(), result);
    if (!result.copy.written)
        return Outcome(O::Failed, "writing the copy failed", result);
    if (!result.copy.refusal.empty())
        return Outcome(O::NotRepairable, result.copy.refusal, result);

    // The proof: the copy passes the same check, or it is thrown away.
    std::unique_ptr<ReadableFile> written = target->reopen();
    if (!written)
        return Outcome(O::Failed, CopyUnreadableText, result);
    BufferedReader copyReader(*written);
    const FileCheck after = CheckFile(copyReader, path, maxOffset, sink);
    written.reset();
    if (after.cancelled)
        return Outcome(O::Cancelled, std::string(), result);
    if (!after.scanError.empty())
        return Outcome(O::NotRepairable, CopyFailsText + after.scanError, result);
    if (!after.problems.empty())
        return Outcome(O::NotRepairable, CopyFailsText + after.problems.front(), result);
    if (!target->commit(errorText))
        return Outcome(O::Failed, errorText, result);
    return Outcome(O::Repaired, std::string(), result);
}

std::unique_ptr<RepairTarget> StagedRepairTarget(FileSystem& fileSystem, const std::string& path,
                                                 std::string& errorText) {
    std::unique_ptr<StagedFile> file = CreateStagedFile(path, StagedFile::Mode::NewCopy, errorText);
    if (!file)
        return nullptr;
    return std::make_unique<StagedTarget>(fileSystem, std::move(file));
}

}  // namespace tw
