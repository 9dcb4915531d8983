// Structured records: the facts of a run as named, typed fields, for front
// ends that write them in a machine-readable form (JSON Lines, CSV). A run
// hands them over through a RecordSink; a front end that wants none gives
// none, and the run then builds none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tw {

struct Field;

// One value: null, a truth value, a whole number, a real number, a string of
// raw bytes (not necessarily valid UTF-8; the writer decides how to show
// them), an array of values or an object (ordered named fields).
class Value {
public:
    enum class Kind { Null, Bool, Int, Double, String, Array, Object };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool value) : kind_(Kind::Bool), int_(value ? 1 : 0) {}
    // Every integer type, so that an int32 or a size never turns into a bool.
    template <typename T,
              typename std::enable_if<std::is_integral<T>::value && !std::is_same<T, bool>::value, int>::type = 0>
    Value(T value) : kind_(Kind::Int), int_(static_cast<std::int64_t>(value)) {}
    Value(double value) : kind_(Kind::Double), double_(value) {}
    Value(const char* text) : kind_(Kind::String), string_(text) {}
    Value(std::string text) : kind_(Kind::String), string_(std::move(text)) {}
    Value(std::vector<Value> items) : kind_(Kind::Array), items_(std::move(items)) {}

    static Value object(std::vector<Field> fields);
    // A text decoded from bytes that could not all be decoded (a tag's text
    // with bytes its encoding doesn't allow): `text` is what could be read,
    // `raw` the bytes as stored, which a writer may show beside it.
    static Value decodedText(std::string text, std::string raw);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool asBool() const { return int_ != 0; }
    std::int64_t asInt() const { return int_; }
    double asDouble() const { return double_; }
    const std::string& asString() const { return string_; }
    bool hasRawBytes() const { return hasRaw_; }
    const std::string& rawBytes() const { return raw_; }
    const std::vector<Value>& items() const { return items_; }
    const std::vector<Field>& fields() const { return fields_; }

private:
    Kind kind_ = Kind::Null;
    std::int64_t int_ = 0;
    double double_ = 0.0;
    std::string string_;
    std::string raw_;
    bool hasRaw_ = false;
    std::vector<Value> items_;
    std::vector<Field> fields_;
};

struct Field {
    std::string name;
    Value value;
    // The value as the log shows it ("65,672", "Unknown"), where a run keeps
    // it for a front end that writes text cells (the catalog's CSV); empty
    // with hasText false otherwise.
    std::string text;
    bool hasText = false;
};

// An ordered list of named fields; by convention the first is "type", which
// names the kind of record ("file", "event", "summary", ...).
class Record {
public:
    Record() = default;
    explicit Record(const char* type) { add("type", type); }

    Record& add(std::string name, Value value);
    // With the log's text of the value.
    Record& add(std::string name, Value value, std::string text);

    const std::vector<Field>& fields() const { return fields_; }
    // The first field of that name; nullptr when there is none.
    const Field* find(const std::string& name) const;
    // Gives the first field of that name a new value (its text is dropped);
    // false when there is none.
    bool replace(const std::string& name, Value value);

    // The record as an object value, to nest it in another record.
    Value toValue() const { return Value::object(fields_); }

private:
    std::vector<Field> fields_;
};

// Where a run hands its records. The runs ask their RunSink for one
// (RunSink::records()); nullptr means nobody wants records, and then no
// record is built.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void record(const Record& record) = 0;
};

}  // namespace tw
