// Every header of the portable core, compiled after <windows.h>: a name of
// ours that the system headers define as a macro (ERROR, DELETE, min, max,
// FormatMessage ...) breaks this file, not a caller far away. Keep the list
// complete when a header is added.
#include <windows.h>

#include "common/BufferedReader.h"
#include "common/FileHelpers.h"
#include "common/Record.h"
#include "common/RunSink.h"
#include "common/Text.h"
#include "analysis/AudioFileInfo.h"
#include "analysis/BitrateHistogram.h"
#include "analysis/FrameHeader.h"
#include "analysis/IntegrityTest.h"
#include "analysis/StreamMatcher.h"
#include "tags/GenreTable.h"
#include "tags/Id3v1Tag.h"
#include "tags/Id3v2Tag.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryListing.h"
#include "reports/DirectoryTest.h"
#include "reports/FileInfoReport.h"
#include "settings/IniFile.h"
#include "settings/OutputLog.h"
#include "settings/Settings.h"
#include "platform/Platform.h"
