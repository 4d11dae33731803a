// rk_pxdump [--codepage N] FILE.DB: prints a Paradox table as JSON Lines
// (UTF-8) for users and support. Exit code 1 with a message on standard
// error when the file cannot be read, 2 on wrong usage.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

#include "db/common/Ansi.h"
#include "tools/pxdump/JsonDump.h"

int main(int argc, char** argv)
{
    rk::source::paradox::OpenOptions options;
    // Texts go from the table's code page straight to UTF-8, not through
    // Windows-1252, which lacks most of the world's letters.
    options.storedText = true;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--codepage") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long cp = std::strtol(argv[++i], &end, 10);
            if (*end || cp <= 0 || cp > 65535) {
                std::cerr << "rk_pxdump: invalid code page: " << argv[i] << '\n';
                return 2;
            }
            // Also over the header's: mislabelled tables are common.
            options.defaultCodePage = static_cast<int>(cp);
            options.codePageOverride = static_cast<int>(cp);
        } else if (!file && argv[i][0] != '-') {
            file = argv[i];
        } else {
            file = nullptr;
            break;
        }
    }
    if (!file) {
        std::cerr << "usage: rk_pxdump [--codepage N] FILE.DB\n";
        return 2;
    }
    try {
        auto table = rk::source::paradox::Table::open(file, options);
        std::ios::sync_with_stdio(false);
        rk::tools::pxdump::dumpTable(*table, std::cout);
        std::cout.flush();
        return std::cout ? 0 : 1;
    } catch (const rk::Exception& e) {
        std::cerr << "rk_pxdump: " << rk::toUtf8(e.message()) << '\n';
        return 1;
    } catch (const std::invalid_argument& e) {
        std::cerr << "rk_pxdump: " << e.what() << '\n';
        return 1;
    }
}
