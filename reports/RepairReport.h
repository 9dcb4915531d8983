// How a repair reads in the log and in the records: one call gives both.
#pragma once

#include <string>
#include <vector>

#include "analysis/Repair.h"
#include "common/Record.h"

namespace tw {

struct RepairReport {
    std::vector<std::string> lines;  // for the log, in order
    Record record;                   // "repair"
};

// The report of the repair of `path` into `target`. `detailed` lists what
// was left out and rewritten (the repair command); without it a repaired file
// gets one line (a folder's run).
RepairReport ReportRepair(const std::string& path, const std::string& target, const RepairResult& result,
                          bool detailed);

// "repaired", "not_needed", "not_repairable", "failed", "cancelled".
const char* RepairOutcomeName(RepairResult::Outcome outcome);

}  // namespace tw
