#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Just enough JSON to read the reference dumps beside the dBase files: null,
// booleans, numbers (kept as text too), strings with \u escapes, arrays and
// objects (keys in file order).
namespace vinculor::testing {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text; // string value, or the number as written
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    bool isNull() const { return kind == Kind::Null; }
    const Json& operator[](std::string_view key) const {
        for (const auto& [k, v] : members) {
            if (k == key) {
                return v;
            }
        }
        throw std::runtime_error("JSON without key " + std::string(key));
    }
    bool has(std::string_view key) const {
        for (const auto& member : members) {
            if (member.first == key) {
                return true;
            }
        }
        return false;
    }

    static Json parse(std::string_view s) {
        std::size_t pos = 0;
        Json value = parseValue(s, pos);
        skipSpace(s, pos);
        if (pos != s.size()) {
            fail("trailing text");
        }
        return value;
    }

private:
    [[noreturn]] static void fail(const char* what) {
        throw std::runtime_error(std::string("bad JSON: ") + what);
    }

    static void skipSpace(std::string_view s, std::size_t& pos) {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\n' || s[pos] == '\r' || s[pos] == '\t')) {
            ++pos;
        }
    }

    static void expect(std::string_view s, std::size_t& pos, std::string_view word) {
        if (s.substr(pos, word.size()) != word) {
            fail("unexpected word");
        }
        pos += word.size();
    }

    static void appendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    static std::string parseString(std::string_view s, std::size_t& pos) {
        ++pos; // opening quote
        std::string out;
        while (pos < s.size() && s[pos] != '"') {
            char c = s[pos++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos >= s.size()) {
                fail("escape at end");
            }
            c = s[pos++];
            switch (c) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                if (pos + 4 > s.size()) {
                    fail("short \\u");
                }
                appendUtf8(out,
                           static_cast<unsigned>(std::stoul(std::string(s.substr(pos, 4)), nullptr, 16)));
                pos += 4;
                break;
            }
            default:
                out += c;
            }
        }
        if (pos >= s.size()) {
            fail("unterminated string");
        }
        ++pos;
        return out;
    }

    static Json parseValue(std::string_view s, std::size_t& pos) {
        skipSpace(s, pos);
        if (pos >= s.size()) {
            fail("missing value");
        }
        Json v;
        const char c = s[pos];
        if (c == 'n') {
            expect(s, pos, "null");
        } else if (c == 't') {
            expect(s, pos, "true");
            v.kind = Kind::Bool;
            v.boolean = true;
        } else if (c == 'f') {
            expect(s, pos, "false");
            v.kind = Kind::Bool;
        } else if (c == '"') {
            v.kind = Kind::String;
            v.text = parseString(s, pos);
        } else if (c == '[') {
            v.kind = Kind::Array;
            ++pos;
            skipSpace(s, pos);
            if (pos < s.size() && s[pos] == ']') {
                ++pos;
                return v;
            }
            for (;;) {
                v.items.push_back(parseValue(s, pos));
                skipSpace(s, pos);
                if (pos < s.size() && s[pos] == ',') {
                    ++pos;
                } else if (pos < s.size() && s[pos] == ']') {
                    ++pos;
                    return v;
                } else {
                    fail("bad array");
                }
            }
        } else if (c == '{') {
            v.kind = Kind::Object;
            ++pos;
            skipSpace(s, pos);
            if (pos < s.size() && s[pos] == '}') {
                ++pos;
                return v;
            }
            for (;;) {
                skipSpace(s, pos);
                if (pos >= s.size() || s[pos] != '"') {
                    fail("bad key");
                }
                std::string key = parseString(s, pos);
                skipSpace(s, pos);
                if (pos >= s.size() || s[pos] != ':') {
                    fail("missing colon");
                }
                ++pos;
                v.members.emplace_back(std::move(key), parseValue(s, pos));
                skipSpace(s, pos);
                if (pos < s.size() && s[pos] == ',') {
                    ++pos;
                } else if (pos < s.size() && s[pos] == '}') {
                    ++pos;
                    return v;
                } else {
                    fail("bad object");
                }
            }
        } else {
            const std::size_t start = pos;
            while (pos < s.size() &&
                   (std::string_view("+-.eE0123456789").find(s[pos]) != std::string_view::npos)) {
                ++pos;
            }
            if (pos == start) {
                fail("unexpected character");
            }
            v.kind = Kind::Number;
            v.text = std::string(s.substr(start, pos - start));
            v.number = std::strtod(v.text.c_str(), nullptr);
        }
        return v;
    }
};

} // namespace vinculor::testing
