// The clock of the transfer run's ports, for tests: hands out the given
// moments one per call, repeating the last.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "transfer/TransferPorts.h"

namespace rk::test {

class FakeClock : public transfer::Clock {
public:
    explicit FakeClock(std::vector<double> given = {0}) : moments(std::move(given)) {}

    std::vector<double> moments;
    double now() override { return moments[std::min(m_calls++, moments.size() - 1)]; }

private:
    size_t m_calls = 0;
};

} // namespace rk::test
