// The demo data's random numbers: a fixed-seed splitmix64 with its own
// range reduction, so that every platform and library version writes the
// same tables byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rk::tools::demo {

class DemoRandom {
public:
    explicit DemoRandom(uint64_t seed) : m_state(seed) {}

    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [lo, hi], both included; lo when the range is empty.
    int range(int lo, int hi)
    {
        if (hi < lo) return lo;
        return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1));
    }

    // True with probability percent/100.
    bool chance(int percent) { return range(0, 99) < percent; }

    template <class T>
    const T& pick(const std::vector<T>& items) { return items[next() % items.size()]; }

private:
    uint64_t m_state;
};

} // namespace rk::tools::demo
