// "rk_vad2av --check [TARGET.fdb] [--json]": reads every slot of the import
// plan as a run would and, with a target, compares its staging tables and
// job record with what a run would stage now. No window, no display, no
// Qt; nothing is written anywhere (the target is read in a read-only
// transaction). Exit 0 when a run would succeed (without a target) or the
// staging set equals its source (with one), 2 when not, 1 when the check
// cannot start.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rk::app {

struct CheckRequest {
    bool json = false;
    std::string target;  // empty: the source alone
};

// Set when the arguments hold "--check"; the first argument that is no
// option names the target.
std::optional<CheckRequest> readCheckRequest(const std::vector<std::string>& args);

int runCheck(const CheckRequest& request);

} // namespace rk::app
