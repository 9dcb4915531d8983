#include "cli/JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "text/Unicode.h"

namespace tw::cli {
namespace {

void AppendField(const Field& field, bool first, std::string& out) {
    if (!first)
        out += ',';
    AppendJsonString(field.name, out);
    out += ':';
    AppendJsonValue(field.value, out);
    if (field.value.kind() != Value::Kind::String)
        return;
    const std::string* raw = field.value.hasRawBytes() ? &field.value.rawBytes() : nullptr;
    if (raw == nullptr && !IsValidUtf8(field.value.asString()))
        raw = &field.value.asString();
    if (raw != nullptr) {
        out += ',';
        AppendJsonString(field.name + "_bytes", out);
        out += ':';
        AppendJsonString(PercentEscapeBytes(*raw), out);
    }
}

}  // namespace

std::string PercentEscapeBytes(const std::string& bytes) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b <= 0x7E && b != '%') {
            out += c;
        } else {
            out += '%';
            out += Hex[b >> 4];
            out += Hex[b & 15];
        }
    }
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value))
        return "null";
    char buffer[40];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value)
            break;
    }
    return buffer;
}

void AppendJsonString(const std::string& bytes, std::string& out) {
    static const char Hex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = Utf8SequenceLength(bytes, i, Surrogates::Refused);
        if (n == 0) {
            out += ReplacementUtf8;
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(bytes, i, n);
            i += n;
            continue;
        }
        char c = bytes[i++];
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    out += "\\u00";
                    out += Hex[static_cast<unsigned char>(c) >> 4];
                    out += Hex[c & 15];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void AppendJsonValue(const Value& value, std::string& out) {
    switch (value.kind()) {
        case Value::Kind::Null:
            out += "null";
            break;
        case Value::Kind::Bool:
            out += value.asBool() ? "true" : "false";
            break;
        case Value::Kind::Int:
            out += std::to_string(value.asInt());
            break;
        case Value::Kind::Double:
            out += JsonNumber(value.asDouble());
            break;
        case Value::Kind::String:
            AppendJsonString(value.asString(), out);
            break;
        case Value::Kind::Array: {
            out += '[';
            bool first = true;
            for (const Value& item : value.items()) {
                if (!first)
                    out += ',';
                first = false;
                AppendJsonValue(item, out);
            }
            out += ']';
            break;
        }
        case Value::Kind::Object:
            AppendJsonObject(value.fields(), out);
            break;
    }
}

void AppendJsonObject(const std::vector<Field>& fields, std::string& out) {
    out += '{';
    bool first = true;
    for (const Field& field : fields) {
        AppendField(field, first, out);
        first = false;
    }
    out += '}';
}

std::string JsonLine(const Record& record) {
    std::string out;
    AppendJsonObject(record.fields(), out);
    out += '\n';
    return out;
}

std::string CsvField(const std::string& bytes) {
    std::string text = ToValidUtf8(bytes);
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace tw::cli
