#include "reports/RepairReport.h"

#include "common/Text.h"

namespace tw {
namespace {

constexpr const char* NotNeededText = "Not repaired: the file needs no repair.";
constexpr const char* NotRepairedPrefix = "Not repaired: ";
constexpr const char* CancelledText = "Repair cancelled; nothing was written.";

std::string Bytes(std::int64_t from, std::int64_t to) {
    return "bytes " + FormatThousands(from + 1) + " - " + FormatThousands(to);
}

// "Left out frame 12 (bytes 4,589 - 5,005): frame CRC mismatch."
std::string RemovedText(const RepairRange& r) {
    const std::string where = r.frame >= 0 ? "frame " + FormatThousands(r.frame) + " (" + Bytes(r.offset, r.end) + ")"
                                           : Bytes(r.offset, r.end);
    return "Left out " + where + ": " + r.what + ".";
}

std::string RewrittenText(const RepairRange& r) {
    return "Rewrote " + Bytes(r.offset, r.end) + " of the copy: the " + r.what + ".";
}

Value Ranges(const std::vector<RepairRange>& ranges) {
    std::vector<Value> items;
    for (const RepairRange& r : ranges) {
        Record item;
        item.add("offset", r.offset).add("end", r.end).add("what", r.what);
        item.add("frame", r.frame >= 0 ? Value(r.frame) : Value());
        items.push_back(item.toValue());
    }
    return Value(std::move(items));
}

std::string RepairedText(const std::string& target, const RepairCopy& copy) {
    std::string text =
        "Repaired copy written to \"" + target + "\": " + FormatThousands(copy.framesKept) + " audio frames kept";
    if (copy.framesDropped > 0)
        text += ", " + FormatThousands(copy.framesDropped) + (copy.framesDropped == 1 ? " frame" : " frames") +
                FormatText(" left out (%.2f s of audio)", copy.secondsDropped);
    return text + ".";
}

}  // namespace

const char* RepairOutcomeName(RepairResult::Outcome outcome) {
    switch (outcome) {
        case RepairResult::Outcome::Repaired:
            return "repaired";
        case RepairResult::Outcome::NotNeeded:
            return "not_needed";
        case RepairResult::Outcome::NotRepairable:
            return "not_repairable";
        case RepairResult::Outcome::Failed:
            return "failed";
        case RepairResult::Outcome::Cancelled:
            break;
    }
    return "cancelled";
}

RepairReport ReportRepair(const std::string& path, const std::string& target, const RepairResult& result,
                          bool detailed) {
    using O = RepairResult::Outcome;
    RepairReport report;
    const RepairCopy& copy = result.copy;
    if (detailed)
        report.lines.insert(report.lines.end(), result.problems.begin(), result.problems.end());
    switch (result.outcome) {
        case O::Repaired:
            if (detailed) {
                for (const RepairRange& r : copy.removed)
                    report.lines.push_back(RemovedText(r));
                for (const RepairRange& r : copy.rewritten)
                    report.lines.push_back(RewrittenText(r));
            }
            report.lines.push_back(RepairedText(target, copy));
            break;
        case O::NotNeeded:
            report.lines.push_back(NotNeededText);
            break;
        case O::Cancelled:
            report.lines.push_back(CancelledText);
            break;
        case O::NotRepairable:
        case O::Failed:
            report.lines.push_back(NotRepairedPrefix + result.reason +
                                   (!result.reason.empty() && result.reason.back() == '.' ? "" : "."));
            break;
    }

    Record& r = report.record;
    r.add("type", "repair").add("path", path).add("output", target);
    r.add("outcome", RepairOutcomeName(result.outcome));
    r.add("reason", result.reason.empty() ? Value() : Value(result.reason));
    std::vector<Value> problems(result.problems.begin(), result.problems.end());
    r.add("problems", Value(std::move(problems)));
    if (result.outcome == O::Repaired) {
        r.add("removed", Ranges(copy.removed)).add("rewritten", Ranges(copy.rewritten));
        r.add("frames_kept", copy.framesKept).add("frames_dropped", copy.framesDropped);
        r.add("seconds_dropped", copy.secondsDropped).add("bytes_written", copy.bytesWritten);
        r.add("music_crc_recomputed", copy.musicRecomputed);
    }
    return report;
}

}  // namespace tw
