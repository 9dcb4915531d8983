// The texts of the three information panes of a scanned file. Lines are
// separated and ended by CR LF, as the panes expect.
#pragma once

#include <string>

#include "common/Record.h"
#include "reports/FileFacts.h"

namespace tw {

class AudioFileInfo;

std::string MpegInfoText(const AudioFileInfo& info);
std::string Id3v1InfoText(const AudioFileInfo& info, TagTextStyle style = TagTextStyle::Blanked);
std::string Id3v2InfoText(const AudioFileInfo& info, TagTextStyle style = TagTextStyle::Blanked);

// The three panes' facts as one record:
//   {"type":"info", "path", "file_size", "modified" (both null when the file
//    couldn't be opened), "mpeg": {...} or null when the scan failed,
//    "id3v1": {...} or null, "id3v2": {...} or null, "error": text or null}
// Numbers are numbers; what the panes show as "Unknown" is null; tag texts
// are as written.
Record FileInfoRecord(const std::string& path, const AudioFileInfo& info, bool scanned, const FileFacts& facts);

}  // namespace tw
