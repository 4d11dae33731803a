// Reads the demo generator's manifest (JSON Lines, see
// tools/demo/Manifest.h) back into tables of plain values, with a small
// JSON reader of its own so the test depends on nothing the program uses.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace rk::test {

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    std::string text;  // Number: as written; String: the UTF-8 text
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue& operator[](const std::string& key) const;
};

JsonValue parseJson(const std::string& text);

struct ManifestColumn {
    std::string name;  // UTF-8
    std::string type;  // "alpha", "long", ...
    int size = 0;
};

struct ManifestTable {
    std::string name;
    int version = 0;
    int codePage = 0;
    std::vector<ManifestColumn> columns;
    std::vector<std::vector<JsonValue>> rows;

    // Index of the column of that name, letter case ignored; -1 when none.
    int column(const std::string& name) const;
};

std::map<std::string, ManifestTable> readManifest(const std::filesystem::path& file);

} // namespace rk::test
