#include "JsonValue.h"

#include <cstdlib>

namespace testmedia {

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : m_text(text) {}

    bool parseDocument(JsonValue* out) {
        if (!parseValue(out, 0))
            return false;
        skipSpace();
        return m_pos == m_text.size();
    }

private:
    static constexpr int kMaxDepth = 64;

    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }

    bool literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (m_text.compare(m_pos, n, word) != 0)
            return false;
        m_pos += n;
        return true;
    }

    static void appendUtf8(std::string* s, unsigned cp) {
        if (cp < 0x80) {
            s->push_back(char(cp));
        } else if (cp < 0x800) {
            s->push_back(char(0xC0 | (cp >> 6)));
            s->push_back(char(0x80 | (cp & 0x3F)));
        } else {
            s->push_back(char(0xE0 | (cp >> 12)));
            s->push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            s->push_back(char(0x80 | (cp & 0x3F)));
        }
    }

    bool parseString(std::string* out) {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            return false;
        ++m_pos;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (m_pos >= m_text.size())
                return false;
            char e = m_text[m_pos++];
            switch (e) {
            case 'n':
                out->push_back('\n');
                break;
            case 't':
                out->push_back('\t');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case 'b':
                out->push_back('\b');
                break;
            case 'f':
                out->push_back('\f');
                break;
            case 'u': {
                if (m_pos + 4 > m_text.size())
                    return false;
                unsigned cp = unsigned(std::strtoul(m_text.substr(m_pos, 4).c_str(), nullptr, 16));
                m_pos += 4;
                appendUtf8(out, cp);
                break;
            }
            default:
                out->push_back(e);
                break;
            }
        }
        return false;
    }

    bool parseValue(JsonValue* out, int depth) {
        if (depth > kMaxDepth)
            return false;
        skipSpace();
        if (m_pos >= m_text.size())
            return false;
        char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            out->m_kind = JsonValue::Kind::Object;
            skipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                ++m_pos;
                return true;
            }
            for (;;) {
                skipSpace();
                std::string key;
                if (!parseString(&key))
                    return false;
                skipSpace();
                if (m_pos >= m_text.size() || m_text[m_pos] != ':')
                    return false;
                ++m_pos;
                JsonValue member;
                if (!parseValue(&member, depth + 1))
                    return false;
                out->m_object[key] = std::move(member);
                skipSpace();
                if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                    ++m_pos;
                    return true;
                }
                return false;
            }
        }
        if (c == '[') {
            ++m_pos;
            out->m_kind = JsonValue::Kind::Array;
            skipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                ++m_pos;
                return true;
            }
            for (;;) {
                JsonValue element;
                if (!parseValue(&element, depth + 1))
                    return false;
                out->m_array.push_back(std::move(element));
                skipSpace();
                if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                    ++m_pos;
                    return true;
                }
                return false;
            }
        }
        if (c == '"') {
            out->m_kind = JsonValue::Kind::String;
            return parseString(&out->m_string);
        }
        if (literal("true")) {
            out->m_kind = JsonValue::Kind::Bool;
            out->m_bool = true;
            return true;
        }
        if (literal("false")) {
            out->m_kind = JsonValue::Kind::Bool;
            return true;
        }
        if (literal("null"))
            return true;
        const char* begin = m_text.c_str() + m_pos;
        char* end = nullptr;
        double value = std::strtod(begin, &end);
        if (end == begin)
            return false;
        m_pos += size_t(end - begin);
        out->m_kind = JsonValue::Kind::Number;
        out->m_number = value;
        return true;
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

JsonValue JsonValue::parse(const std::string& text, bool* ok) {
    JsonValue value;
    JsonParser parser(text);
    bool good = parser.parseDocument(&value);
    if (!good)
        value = JsonValue();
    if (ok)
        *ok = good;
    return value;
}

static const JsonValue& nullValue() {
    static const JsonValue value;
    return value;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    auto it = m_object.find(key);
    return it == m_object.end() ? nullValue() : it->second;
}

const JsonValue& JsonValue::operator[](size_t index) const {
    return index < m_array.size() ? m_array[index] : nullValue();
}

size_t JsonValue::size() const {
    return m_kind == Kind::Array ? m_array.size() : m_object.size();
}

double JsonValue::number(double fallback) const {
    if (m_kind == Kind::Number)
        return m_number;
    if (m_kind == Kind::String && !m_string.empty()) {
        char* end = nullptr;
        double v = std::strtod(m_string.c_str(), &end);
        if (end != m_string.c_str())
            return v;
    }
    return fallback;
}

std::string JsonValue::string(const std::string& fallback) const {
    if (m_kind == Kind::String)
        return m_string;
    if (m_kind == Kind::Number) {
        std::string s = std::to_string(m_number);
        return s;
    }
    return fallback;
}

} // namespace testmedia
