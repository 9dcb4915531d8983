#include "common/Record.h"

namespace tw {

Value Value::object(std::vector<Field> fields) {
    Value v;
    v.kind_ = Kind::Object;
    v.fields_ = std::move(fields);
    return v;
}

Value Value::decodedText(std::string text, std::string raw) {
    Value v(std::move(text));
    v.raw_ = std::move(raw);
    v.hasRaw_ = true;
    return v;
}

Record& Record::add(std::string name, Value value) {
    fields_.push_back(Field{std::move(name), std::move(value), std::string(), false});
    return *this;
}

Record& Record::add(std::string name, Value value, std::string text) {
    fields_.push_back(Field{std::move(name), std::move(value), std::move(text), true});
    return *this;
}

const Field* Record::find(const std::string& name) const {
    for (const Field& f : fields_)
        if (f.name == name)
            return &f;
    return nullptr;
}

bool Record::replace(const std::string& name, Value value) {
    for (Field& f : fields_) {
        if (f.name == name) {
            f.value = std::move(value);
            f.text.clear();
            f.hasText = false;
            return true;
        }
    }
    return false;
}

}  // namespace tw
