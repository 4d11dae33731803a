// rk_gendemo: writes the demo Paradox data set.
//
//   rk_gendemo --size demo|large --out DIR [--manifest FILE]
//
// Prints one line per table with its row count.
#include <cstdio>
#include <cstring>
#include <string>

#include "db/common/Ansi.h"
#include "tools/demo/DemoData.h"

int main(int argc, char** argv)
{
    using namespace rk::tools::demo;
    std::string size, out, manifest;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--size") && hasValue) size = argv[++i];
        else if (!std::strcmp(argv[i], "--out") && hasValue) out = argv[++i];
        else if (!std::strcmp(argv[i], "--manifest") && hasValue) manifest = argv[++i];
        else size = "?";
    }
    if ((size != "demo" && size != "large") || out.empty()) {
        std::fprintf(stderr, "usage: rk_gendemo --size demo|large --out DIR [--manifest FILE]\n");
        return 2;
    }
    try {
        std::filesystem::create_directories(out);
        Manifest m(manifest);
        const TableCounts counts = writeDemoSet(out, size == "large" ? DemoSize::Large : DemoSize::Demo, m);
        m.close();
        for (const auto& [table, rows] : counts) std::printf("%-12s %8u\n", table.c_str(), rows);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rk_gendemo: %s\n", rk::toUtf8(e.what()).c_str());
        return 1;
    }
    return 0;
}
