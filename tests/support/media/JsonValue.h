// A small JSON reader for what ffprobe prints: objects, arrays, strings, numbers, booleans, null.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testmedia {

class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    // Parses `text`; on malformed input returns a Null value and sets *ok to false.
    static JsonValue parse(const std::string& text, bool* ok = nullptr);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }

    // Member of an object, or a shared Null value when absent or not an object.
    const JsonValue& operator[](const std::string& key) const;
    // Element of an array, or Null.
    const JsonValue& operator[](size_t index) const;
    size_t size() const;
    const std::map<std::string, JsonValue>& members() const { return m_object; }

    // Numbers, and strings holding numbers (ffprobe prints many numbers as strings).
    double number(double fallback = 0.0) const;
    std::string string(const std::string& fallback = {}) const;

private:
    friend class JsonParser;
    Kind m_kind = Kind::Null;
    bool m_bool = false;
    double m_number = 0.0;
    std::string m_string;
    std::vector<JsonValue> m_array;
    std::map<std::string, JsonValue> m_object;
};

} // namespace testmedia
