// The manifest reader; see ManifestReader.h.
#include "tests/e2e/proof/ManifestReader.h"

#include <fstream>
#include <stdexcept>
#include <strings.h>

namespace rk::test {

namespace {

class Parser {
public:
    explicit Parser(const std::string& s) : m_s(s) {}

    JsonValue value()
    {
        skip();
        if (m_i >= m_s.size()) fail();
        const char c = m_s[m_i];
        JsonValue v;
        if (c == '{') {
            v.kind = JsonValue::Object;
            ++m_i;
            skip();
            if (peek() == '}') { ++m_i; return v; }
            for (;;) {
                skip();
                std::string key = string();
                skip();
                expect(':');
                v.members[key] = value();
                skip();
                if (peek() == ',') { ++m_i; continue; }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = JsonValue::Array;
            ++m_i;
            skip();
            if (peek() == ']') { ++m_i; return v; }
            for (;;) {
                v.items.push_back(value());
                skip();
                if (peek() == ',') { ++m_i; continue; }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = JsonValue::String;
            v.text = string();
            return v;
        }
        if (m_s.compare(m_i, 4, "null") == 0) { m_i += 4; return v; }
        if (m_s.compare(m_i, 4, "true") == 0) { m_i += 4; v.kind = JsonValue::Bool; v.boolean = true; return v; }
        if (m_s.compare(m_i, 5, "false") == 0) { m_i += 5; v.kind = JsonValue::Bool; return v; }
        v.kind = JsonValue::Number;
        while (m_i < m_s.size() && std::string_view("+-0123456789.eE").find(m_s[m_i]) != std::string_view::npos)
            v.text += m_s[m_i++];
        if (v.text.empty()) fail();
        return v;
    }

    void end()
    {
        skip();
        if (m_i != m_s.size()) fail();
    }

private:
    char peek() const { return m_i < m_s.size() ? m_s[m_i] : '\0'; }
    void skip()
    {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\r' || m_s[m_i] == '\n')) ++m_i;
    }
    void expect(char c)
    {
        if (peek() != c) fail();
        ++m_i;
    }
    [[noreturn]] void fail() const { throw std::runtime_error("bad JSON at " + std::to_string(m_i) + ": " + m_s); }

    static void utf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | cp >> 6);
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xE0 | cp >> 12);
            out += char(0x80 | (cp >> 6 & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }

    std::string string()
    {
        expect('"');
        std::string out;
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            char c = m_s[m_i++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_i >= m_s.size()) fail();
            c = m_s[m_i++];
            switch (c) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u':
                if (m_i + 4 > m_s.size()) fail();
                utf8(out, static_cast<unsigned>(std::stoul(m_s.substr(m_i, 4), nullptr, 16)));
                m_i += 4;
                break;
            default: out += c;
            }
        }
        expect('"');
        return out;
    }

    const std::string& m_s;
    size_t m_i = 0;
};

} // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const
{
    static const JsonValue none;
    const auto it = members.find(key);
    return it == members.end() ? none : it->second;
}

JsonValue parseJson(const std::string& text)
{
    Parser p(text);
    JsonValue v = p.value();
    p.end();
    return v;
}

int ManifestTable::column(const std::string& wanted) const
{
    for (size_t i = 0; i < columns.size(); ++i)
        if (strcasecmp(columns[i].name.c_str(), wanted.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

std::map<std::string, ManifestTable> readManifest(const std::filesystem::path& file)
{
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::map<std::string, ManifestTable> tables;
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        const JsonValue v = parseJson(line);
        ManifestTable& t = tables[v["table"].text];
        if (v["columns"].kind == JsonValue::Array) {
            t.name = v["table"].text;
            t.version = std::stoi(v["version"].text);
            t.codePage = std::stoi(v["codePage"].text);
            for (const JsonValue& c : v["columns"].items)
                t.columns.push_back({c.items.at(0).text, c.items.at(1).text, std::stoi(c.items.at(2).text)});
        } else {
            t.rows.push_back(v["row"].items);
        }
    }
    return tables;
}

} // namespace rk::test
