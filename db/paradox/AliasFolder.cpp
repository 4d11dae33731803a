// Checking and recording an alias's folder (see AliasFolder.h).
#include "db/paradox/AliasFolder.h"

#include <fstream>

#include "db/common/Ansi.h"
#include "db/paradox/EngineError.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/SqlConnection.h"

namespace rk::source {

FolderCheck checkAliasFolder(const std::filesystem::path& folder, const std::vector<std::string>& tables)
{
    FolderCheck check;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        check.state = FolderState::Missing;
        return check;
    }
    std::filesystem::directory_iterator probe(folder, ec);
    if (ec) {
        check.state = FolderState::Unreadable;
        return check;
    }
    for (const std::string& table : tables)
        if (!detail::findTableFile(folder, table)) check.missingTables.push_back(table);
    if (!check.missingTables.empty()) check.state = FolderState::TablesMissing;
    return check;
}

void appendAliasSection(const std::filesystem::path& file, const std::string& alias,
                        const std::filesystem::path& folder, const std::map<std::string, std::string>& keep)
{
    const std::string fileText = pathText(file.string());
    const auto fail = [&] {
        throw EDBEngineError(ansiFormat("Die Konfigurationsdatei %s konnte nicht geschrieben werden.", fileText));
    };
    const std::string path = folder.string();
    // A line break would end the value and start a line of its own.
    if (path.find_first_of("\r\n") != std::string::npos || path.empty())
        throw EDBEngineError(ansiFormat("Der Ordnername ist als PATH nicht verwendbar: %s", pathText(path)));

    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) fail();

    // Whether the file ends in a line break: only its last byte is read.
    bool needsBreak = false;
    if (std::ifstream in(file, std::ios::binary); in && in.seekg(-1, std::ios::end)) {
        char last = 0;
        needsBreak = in.get(last) && last != '\n';
    }
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (!out) fail();
    if (needsBreak) out << '\n';
    out << '[' << alias << "]\nPATH=" << path << "\nDEFAULT DRIVER=PARADOX\n";
    for (const auto& [key, value] : keep) {
        const bool oneLine = (key + value).find_first_of("\r\n") == std::string::npos;
        if (key != "PATH" && key != "DEFAULT DRIVER" && !key.empty() && oneLine) out << key << '=' << value << '\n';
    }
    out.close();
    if (!out) fail();
}

} // namespace rk::source
