#include "shell/Settings.h"

namespace tw {

std::int32_t NormalisedDelimiter(std::int32_t code) {
    return code < 32 || code > 126 ? 9 : code;
}

}  // namespace tw
