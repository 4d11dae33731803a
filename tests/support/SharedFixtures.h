// Where the shared test input lives, and the skip every test that needs it
// uses when it is absent.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>

namespace rk::test {

inline std::filesystem::path sharedDir()
{
    if (const char* env = std::getenv("RK_SHARED_DIR"); env && *env) return env;
    return RK_SHARED_DIR;
}

inline std::filesystem::path paradoxFixture(const std::string& relative)
{
    return sharedDir() / "fixtures" / "paradox" / relative;
}

} // namespace rk::test

// Skips the current test when the shared fixtures are not beside the clone.
#define RK_REQUIRE_FIXTURE(path)                                                       \
    do {                                                                               \
        if (!std::filesystem::exists(path))                                            \
            GTEST_SKIP() << "fixture not found (../shared absent?): " << (path);       \
    } while (0)
