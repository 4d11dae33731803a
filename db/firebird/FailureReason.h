// A German line for the engine errors a user meets most when the target
// cannot be used: written before the engine's own text, which stays as it
// is (support needs it), so that the user reads what is wrong and what to do.
//
//   if (auto reason = failureReason(error.message(), lockFolderInUse())) log(*reason);
#pragma once

#include <optional>
#include <string>

namespace rk::target {

// Windows-1252; nothing for an error without a known reason. `lockFolder`:
// the engine's lock folder, named in its error when the folder is refused.
std::optional<std::string> failureReason(const std::string& engineText, const std::string& lockFolder);

// FIREBIRD_LOCK, else the default folder.
std::string lockFolderInUse();

} // namespace rk::target
