// Value mapping: integer and text fields for now; the other readings follow.
#include "transfer/ValueMapping.h"

namespace rk::transfer {

namespace {
bool isBlankText(const std::string& s)
{
    for (unsigned char c : s)
        if (c > 0x20) return false;
    return true;
}
} // namespace

void AssignParamFromField(db::Param& param, SourceQuery& pdxq1)
{
    const db::Field& field = pdxq1.FieldByName(param.name);
    if (field.dataType == db::DataType::ftInteger) {
        const auto* v = std::get_if<int32_t>(&field.value);
        param.value.assignInteger(v ? *v : 0);
        return;
    }
    const auto* text = std::get_if<std::string>(&field.value);
    param.value.assignText(text ? *text : std::string());
    if (isBlankText(param.value.text())) param.value.clear();
}

int32_t IntegerReading(const db::Field& field)
{
    if (const auto* v = std::get_if<int32_t>(&field.value)) return *v;
    return 0;
}

} // namespace rk::transfer
