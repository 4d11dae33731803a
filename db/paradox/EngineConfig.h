// The source engine's configuration: which aliases exist and which folder of
// Paradox tables each one names. An INI file with one section per alias:
//
//   [DBRK]
//   PATH=/home/anna/rk5/daten
//   DEFAULT DRIVER=PARADOX
//   CODEPAGE=850
//
// The file is the one named by RK_ENGINE_CONFIG, else the first of
// ${XDG_CONFIG_HOME:-$HOME/.config}/rk_vad2av/engine.conf and
// rk_vad2av/engine.conf in each folder of ${XDG_CONFIG_DIRS:-/etc/xdg} that
// exists, so an administrator can set an alias once for every user. A
// missing file is an empty configuration, not an error: opening a connection
// then fails because its alias is unknown.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rk::source {

// One alias: its name as written in the section header and its parameters
// with the keys upper-cased ("PATH", "DEFAULT DRIVER", ...).
struct AliasConfig {
    std::string name;
    std::map<std::string, std::string> params;

    // The parameter, or empty when absent.
    std::string param(const std::string& upperKey) const;
    // "DEFAULT DRIVER", else the alias type: "STANDARD" for Paradox folders.
    std::string driver() const;
};

class EngineConfig {
public:
    // The places looked at, in order: RK_ENGINE_CONFIG alone when it is set;
    // else the user's file (when XDG_CONFIG_HOME or HOME is set), then each
    // system folder's file. Relative and empty folder entries are skipped.
    static std::vector<std::filesystem::path> searchPlaces();

    // The user's own file, the one a folder chosen at the screen is written
    // to: ${XDG_CONFIG_HOME:-$HOME/.config}/rk_vad2av/engine.conf. Empty when
    // RK_ENGINE_CONFIG is set (that file alone is read, and it is whoever set
    // it who keeps it) or when neither variable names a home.
    static std::filesystem::path userFile();

    // The first of searchPlaces() that exists; when none does, the first
    // place (so a message can name it); empty when there is no place at all.
    static std::filesystem::path defaultFile();

    // Reads the file; a missing or unreadable file gives an empty configuration.
    static EngineConfig load(const std::filesystem::path& file);
    // load() of defaultFile(); when no place holds a file, every place
    // looked at is kept for the message that says so.
    static EngineConfig loadDefault();

    // Parses INI text. A relative PATH is taken relative to `baseDir`.
    static EngineConfig parse(std::string_view text, const std::filesystem::path& baseDir = {});

    const std::filesystem::path& file() const { return m_file; }
    // How load() found the file: read, absent, or there but unreadable.
    enum class FileState { Read, Missing, Unreadable };
    FileState fileState() const { return m_fileState; }
    // The files looked at: file() alone, or every search place when none existed.
    const std::vector<std::filesystem::path>& searched() const { return m_searched; }
    // Alias names are compared without regard to case.
    const AliasConfig* findAlias(std::string_view name) const;
    const std::vector<AliasConfig>& aliases() const { return m_aliases; }

private:
    std::filesystem::path m_file;
    FileState m_fileState = FileState::Read;
    std::vector<std::filesystem::path> m_searched;
    std::vector<AliasConfig> m_aliases;
};

} // namespace rk::source
