// Gives a target parameter the value of the source field of the same name,
// and the three readings of a source field it is built on. The transfer run
// calls assignParamFromField for every parameter of every row; the
// current-user step uses integerReading on its own.
//
// Resulting parameter states: an integer (Long Integer fields, blank ones
// as 0), a text holding at least one byte above 20 hex ("T"/"F" for logical
// fields, the text form for all others), or NULL typed as text (a text form
// that is empty or only bytes 00..20 hex).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/common/Exception.h"
#include "db/common/FieldValue.h"
#include "db/common/ParamValue.h"
#include "locale/LocaleFormats.h"
#include "transfer/TransferPorts.h"

namespace rk::transfer {

void assignParamFromField(db::Param& param, SourceQuery& source);
// The same with the field already looked up (it follows the current row).
void assignParamFromField(db::Param& param, const db::Field& field);

// The value assignParamFromField gives, as a view into the field's value or
// into `scratch` (cleared first), valid while both are; text forms in
// `formats`.
db::ParamView parameterValue(const db::Field& field, std::string& scratch, const locale::LocaleFormats& formats);

// Integer reading. Throws EConvertError "'%s' ist kein gültiger Integerwert"
// for a text that is no 32-bit integer (and for a number whose rounded value
// is outside the 32-bit range), EDatabaseError "Feld '%s' kann nicht als Typ
// Integer angesprochen werden" for types without an integer reading.
int32_t integerReading(const db::Field& field);

// Logical reading: nonzero is true, blank is false.
bool logicalReading(const db::Field& field);

// Text reading, in the current LocaleFormats.
std::string textReading(const db::Field& field);
// The same in `formats` and without allocating: the text either lies in the
// field's own value or is formatted into `scratch` (cleared first); valid
// while both are.
std::string_view textReadingView(const db::Field& field, std::string& scratch, const locale::LocaleFormats& formats);

// A stored decimal as a count of ten-thousandths, read by db::readBcd.
// Throws EDatabaseError "Wert des Feldes '%s' ist außerhalb des zulässigen
// Bereichs" when the count does not fit 64 bits, and "Feld '%s' enthält
// keinen gültigen BCD-Wert" when readBcd finds a deciding digit above 9.
int64_t bcdToTenThousandths(const db::BcdValue& bcd, const std::string& fieldName);

} // namespace rk::transfer
