#include "settings/CatalogDelimiter.h"

#include "common/Text.h"

namespace tw {
namespace {

constexpr std::int32_t FirstPrintable = 32;
constexpr std::int32_t LastPrintable = 126;

bool IsDigitOrSign(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-';
}

}  // namespace

std::int32_t DelimiterCodeOf(const std::string& text) {
    return text.empty() ? 0 : static_cast<std::int8_t>(text[0]);
}

bool IsCatalogDelimiter(std::int32_t code) {
    return code == TabDelimiterCode || (code >= FirstPrintable && code <= LastPrintable);
}

std::int32_t NormalisedDelimiter(std::int32_t code) {
    return IsCatalogDelimiter(code) ? code : TabDelimiterCode;
}

std::int32_t DelimiterCodeFromSetting(const std::string& value) {
    if (value.size() == 1 && !IsDigitOrSign(value[0]))
        return DelimiterCodeOf(value);
    return ParseLeadingInt(value.c_str());
}

}  // namespace tw
