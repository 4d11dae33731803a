// The folder an alias names, as a person at the screen sets it up: whether a
// folder holds the tables a transfer reads, and the chosen folder recorded in
// the user's own configuration file. Nothing here touches the tables.
//
//   const FolderCheck check = checkAliasFolder(folder, {"GIPFEL", "CURRENTUSER"});
//   if (check.state == FolderState::Usable)
//       appendAliasSection(EngineConfig::userFile(), "DBRK", folder);
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace rk::source {

enum class FolderState { Usable, Missing, Unreadable, TablesMissing };

struct FolderCheck {
    FolderState state = FolderState::Usable;
    // With TablesMissing: the names asked for that no file answers, in the
    // order asked.
    std::vector<std::string> missingTables;
};

// Tables are found as the engine finds them: "NAME.DB" without regard to case.
FolderCheck checkAliasFolder(const std::filesystem::path& folder, const std::vector<std::string>& tables);

// Appends to `file` a section [alias] with PATH=folder and DEFAULT
// DRIVER=PARADOX, making the file's folder as needed. What the file held
// stays as it was, byte for byte (a last line without a line break gets
// one); a section of the same name earlier in the file is overridden key by
// key, since the parser lets a repeated section add to the first.
// `keep` are further keys of the alias as configured so far (CODEPAGE, say),
// written after those two so that a file that now wins over the old one
// reads the tables the same way; their PATH and DEFAULT DRIVER are left out.
// Errors: EDBEngineError naming the file (Windows-1252).
void appendAliasSection(const std::filesystem::path& file, const std::string& alias,
                        const std::filesystem::path& folder, const std::map<std::string, std::string>& keep = {});

} // namespace rk::source
