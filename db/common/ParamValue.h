// The state of one parameter of the target statement. The value mapping
// writes it, the target statement binds it. The same object serves every
// row of a slot, so assignments reuse the text's storage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/common/DataType.h"

namespace rk::db {

class ParamValue;

// A parameter value as a statement binds it, without storage of its own:
// the text lies elsewhere and must stay in place until the execution that
// binds it returns. A null is a null of any type.
struct ParamView {
    enum class Kind : uint8_t { Null, Integer, Text };
    Kind kind = Kind::Null;
    int32_t integer = 0;
    std::string_view text;

    static ParamView of(const ParamValue& v) noexcept;
};

class ParamValue {
public:
    DataType dataType() const noexcept { return m_dataType; }
    bool isNull() const noexcept { return m_isNull; }

    bool holdsInteger() const noexcept { return m_kind == Kind::Integer; }
    bool holdsText() const noexcept { return m_kind == Kind::Text; }
    int32_t integer() const noexcept { return m_integer; }
    const std::string& text() const noexcept { return m_text; }

    // DataType ftInteger, not null.
    void assignInteger(int32_t v) noexcept
    {
        m_dataType = DataType::ftInteger;
        m_isNull = false;
        m_kind = Kind::Integer;
        m_integer = v;
    }

    // DataType ftString, not null, also for the empty text.
    void assignText(std::string_view s)
    {
        m_dataType = DataType::ftString;
        m_isNull = false;
        m_kind = Kind::Text;
        // Appending to the cleared storage skips the general replace, which
        // allows for a text that lies inside the old one; only that case
        // still needs it.
        const auto at = reinterpret_cast<std::uintptr_t>(s.data());
        const auto storage = reinterpret_cast<std::uintptr_t>(m_text.data());
        if (at >= storage && at <= storage + m_text.size()) {
            m_text.assign(s.data(), s.size());
            return;
        }
        m_text.clear();
        m_text.append(s.data(), s.size());
    }

    // The view's value, copied; a null view gives a null typed as text, as
    // the value mapping leaves a blank text.
    void assign(const ParamView& v)
    {
        switch (v.kind) {
        case ParamView::Kind::Integer:
            assignInteger(v.integer);
            return;
        case ParamView::Kind::Text:
            assignText(v.text);
            return;
        case ParamView::Kind::Null:
            assignText({});
            clear();
            return;
        }
    }

    // Null, no value; the data type stays as it was. The text's storage is
    // kept for the next row.
    void clear() noexcept
    {
        m_isNull = true;
        m_kind = Kind::None;
        m_text.clear();
    }

    // Empty for null; decimal digits for an integer; the text itself.
    std::string asText() const
    {
        if (m_isNull) return {};
        if (m_kind == Kind::Integer) return std::to_string(m_integer);
        if (m_kind == Kind::Text) return m_text;
        return {};
    }

private:
    enum class Kind : uint8_t { None, Integer, Text };

    DataType m_dataType = DataType::ftUnknown;
    bool m_isNull = true;
    Kind m_kind = Kind::None;
    int32_t m_integer = 0;
    std::string m_text;
};

inline ParamView ParamView::of(const ParamValue& v) noexcept
{
    if (v.isNull()) return {};
    if (v.holdsInteger()) return {Kind::Integer, v.integer(), {}};
    if (v.holdsText()) return {Kind::Text, 0, v.text()};
    return {};
}

// One entry of a statement's parameter list: the name as written after the
// colon in the SQL text (letter case kept), and its value.
struct Param {
    std::string name;
    ParamValue value;
};

} // namespace rk::db
