// Gives a target parameter the value of the source field of the same name.
#pragma once

#include "db/common/ParamValue.h"
#include "transfer/TransferPorts.h"

namespace rk::transfer {

// Integer fields as integers, logical fields as "T"/"F", all others as their
// text form; a text of nothing but bytes 00..20 hex becomes NULL.
void AssignParamFromField(db::Param& param, SourceQuery& pdxq1);

// The integer reading of a field (the current-user step reads "ID" with it).
int32_t IntegerReading(const db::Field& field);

} // namespace rk::transfer
