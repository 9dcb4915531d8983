// The texts of the three information panes of a scanned file. Lines are
// separated and ended by CR LF, as the panes expect.
#pragma once

#include <string>

namespace tw {

class AudioFileInfo;

std::string MpegInfoText(const AudioFileInfo& info);
std::string Id3v1InfoText(const AudioFileInfo& info);
std::string Id3v2InfoText(const AudioFileInfo& info);

}  // namespace tw
