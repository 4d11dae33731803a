// The state of one parameter of the target statement. The value mapping
// writes it, the target statement binds it. The same object serves every
// row of a slot, so assignments reuse the text's storage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "db/common/DataType.h"

namespace rk::db {

class ParamValue {
public:
    DataType dataType() const noexcept { return m_dataType; }
    bool isNull() const noexcept { return m_isNull; }

    bool holdsInteger() const noexcept { return std::holds_alternative<int32_t>(m_value); }
    bool holdsText() const noexcept { return std::holds_alternative<std::string>(m_value); }
    int32_t integer() const { return std::get<int32_t>(m_value); }
    const std::string& text() const { return std::get<std::string>(m_value); }

    // DataType ftInteger, not null.
    void assignInteger(int32_t v)
    {
        m_dataType = DataType::ftInteger;
        m_isNull = false;
        m_value = v;
    }

    // DataType ftString, not null, also for the empty text.
    void assignText(std::string_view s)
    {
        m_dataType = DataType::ftString;
        m_isNull = false;
        if (auto* held = std::get_if<std::string>(&m_value))
            held->assign(s.data(), s.size());
        else
            m_value.emplace<std::string>(s);
    }

    // Null, no value; the data type stays as it was.
    void clear()
    {
        m_isNull = true;
        m_value = std::monostate{};
    }

    // Empty for null; decimal digits for an integer; the text itself.
    std::string asText() const
    {
        if (m_isNull) return {};
        if (auto* i = std::get_if<int32_t>(&m_value)) return std::to_string(*i);
        if (auto* s = std::get_if<std::string>(&m_value)) return *s;
        return {};
    }

private:
    DataType m_dataType = DataType::ftUnknown;
    bool m_isNull = true;
    std::variant<std::monostate, int32_t, std::string> m_value;
};

// One entry of a statement's parameter list: the name as written after the
// colon in the SQL text (letter case kept), and its value.
struct Param {
    std::string name;
    ParamValue value;
};

} // namespace rk::db
