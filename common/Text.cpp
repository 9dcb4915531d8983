#include "common/Text.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace tw {

std::string FormatThousands(std::int64_t value) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    const char* p = digits;
    std::string result;
    if (*p == '-') {
        result += '-';
        ++p;
    }
    std::string body(p);
    std::size_t first = (body.size() - 1) % 3 + 1;
    result.append(body, 0, first);
    for (std::size_t i = first; i < body.size(); i += 3) {
        result += ',';
        result.append(body, i, 3);
    }
    return result;
}

std::int32_t ParseLeadingInt(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range.
    std::int64_t magnitude = 0;
    constexpr std::int64_t Limit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    while (*p >= '0' && *p <= '9') {
        if (magnitude <= Limit)
            magnitude = magnitude * 10 + (*p - '0');
        ++p;
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int32_t ParseThousands(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (char c : text)
        if (c != ',')
            plain += c;
    return ParseLeadingInt(plain.c_str());
}

void BlankNonPrintable(std::string& text) {
    for (char& c : text) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E)
            c = ' ';
    }
}

std::int32_t RoundToInt(double value) {
    if (std::isnan(value))
        return 0;
    double shifted = value >= 0.0 ? value + 0.5 : value - 0.5;
    if (shifted >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (shifted <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(shifted);
}

namespace {

// Index of the last separator, or npos. Paths are UTF-8, whose multi-byte
// characters never hold a byte below 0x80.
std::size_t LastSeparator(const std::string& path) {
    return path.rfind(PathSeparator);
}

}  // namespace

std::string FileNameOf(const std::string& path) {
    std::size_t last = LastSeparator(path);
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string FolderOf(const std::string& path) {
    std::size_t last = LastSeparator(path);
    if (last == std::string::npos)
        return std::string();
#ifdef _WIN32
    if (last == 2)
        return path.substr(0, 3);
#else
    if (last == 0)
        return path.substr(0, 1);
#endif
    return path.substr(0, last);
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    auto fold = [](unsigned char c) -> unsigned char { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        x = fold(x);
        y = fold(y);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

std::string FormatText(const char* format, ...) {
    char small[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0)
        return std::string();
    if (static_cast<std::size_t>(n) < sizeof small)
        return std::string(small, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(&big[0], big.size(), format, args);
    va_end(args);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

std::string QuotedForMessage(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        out += b < 0x20 || b == 0x7F ? FormatText("\\x%02X", b) : std::string(1, c);
    }
    return out + "'";
}

}  // namespace tw
