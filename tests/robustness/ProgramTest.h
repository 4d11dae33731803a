// The fixtures the robustness tests and the end-to-end proof start from:
// each skips when the program is not built or the German locale is missing,
// and gives its test a temporary folder with the path of its Paradox folder;
// DemoSetTest writes the demo set there and adds a fresh staging database.
//
//   class MyTest : public rk::test::DemoSetTest {};
//   TEST_F(MyTest, X) { runProgram(tmp.path(), paradox, {"-auto", "-nomessage", db.path()}); }
#pragma once

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/robustness/E2eSupport.h"
#include "tests/support/FirebirdTestDatabase.h"
#include "tools/demo/DemoData.h"

namespace rk::test {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(programPath())) GTEST_SKIP() << "rk_vad2av not built: " << programPath();
        if (!germanLocaleAvailable()) GTEST_SKIP() << "locale de_DE.UTF-8 not installed";
    }

    TempFolder tmp;
    std::filesystem::path paradox = tmp.path() / "paradox";
};

class DemoSetTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped()) return;
        tools::demo::Manifest none("");
        tools::demo::writeDemoSet(paradox, tools::demo::DemoSize::Demo, none);
    }

    FirebirdTestDatabase db;
};

} // namespace rk::test
