// Test support for the source engine: a temporary folder of generated
// Paradox tables with an engine configuration naming it as alias DBRK, and
// a byte snapshot of every file to prove that queries leave them untouched.
// The folder is removed when the guard goes.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "db/common/FieldValue.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/db/paradox/reader/WriteTable.h"

namespace rk::test {

class SourceFolder {
public:
    SourceFolder()
    {
        std::filesystem::create_directories(data());
        writeConfig("[DBRK]\nPATH=daten\nDEFAULT DRIVER=PARADOX\n");
    }
    ~SourceFolder()
    {
        // A test may have left the data folder read-only.
        std::error_code ec;
        std::filesystem::permissions(data(), std::filesystem::perms::owner_all, ec);
    }

    const std::filesystem::path& root() const { return m_dir.path(); }
    std::filesystem::path data() const { return root() / "daten"; }
    std::filesystem::path config() const { return root() / "engine.conf"; }

    void writeConfig(const std::string& text) const
    {
        std::ofstream(config(), std::ios::binary) << text;
    }

    // Writes data()/file with the columns and rows given.
    void table(const std::string& file, std::vector<tools::pxwrite::Column> columns,
               const std::vector<std::vector<db::FieldValue>>& rows, tools::pxwrite::WriterOptions options = {}) const
    {
        writeTable(data() / file, std::move(columns), rows, options);
    }

    // Every file of the folder with its bytes.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(data()))
            files[e.path().filename().string()] = readText(e.path());
        return files;
    }

private:
    TempDir m_dir;
};

} // namespace rk::test
