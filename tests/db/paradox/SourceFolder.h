// Test support for the source engine: a temporary folder of generated
// Paradox tables with an engine configuration naming it as alias DBRK, and
// a byte snapshot of every file to prove that queries leave them untouched.
// The folder is removed when the guard goes.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "db/common/Exception.h"
#include "db/common/FieldValue.h"
#include "tests/db/paradox/reader/WriteTable.h"

namespace rk::test {

// The message of the error fn raises, or "no error".
template <class Fn>
std::string errorOf(Fn fn)
{
    try {
        fn();
    } catch (const rk::Exception& e) {
        return e.message();
    }
    return "no error";
}

class SourceFolder {
public:
    SourceFolder()
    {
        std::random_device rd;
        m_root = std::filesystem::temp_directory_path() / ("rk_source_" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(m_root / "daten");
        writeConfig("[DBRK]\nPATH=daten\nDEFAULT DRIVER=PARADOX\n");
    }
    ~SourceFolder()
    {
        std::error_code ec;
        std::filesystem::permissions(data(), std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_root, ec);
    }
    SourceFolder(const SourceFolder&) = delete;
    SourceFolder& operator=(const SourceFolder&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path data() const { return m_root / "daten"; }
    std::filesystem::path config() const { return m_root / "engine.conf"; }

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
        for (const auto& e : std::filesystem::directory_iterator(data())) {
            std::ifstream in(e.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            files[e.path().filename().string()] = bytes.str();
        }
        return files;
    }

private:
    std::filesystem::path m_root;
};

} // namespace rk::test
