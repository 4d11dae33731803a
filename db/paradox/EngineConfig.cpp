// Reading the engine's alias configuration (see EngineConfig.h).
#include "db/paradox/EngineConfig.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "db/paradox/NameRules.h"

namespace rk::source {
namespace {

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// Keys are compared without regard to case and to doubled blanks
// ("Default  Driver" is "DEFAULT DRIVER").
std::string normaliseKey(std::string_view key)
{
    std::string out;
    for (char c : key) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += upperAnsi(c);
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

} // namespace

std::string AliasConfig::param(const std::string& upperKey) const
{
    auto it = params.find(upperKey);
    return it == params.end() ? std::string() : it->second;
}

std::string AliasConfig::driver() const
{
    std::string d = upperAnsi(param("DEFAULT DRIVER"));
    if (!d.empty()) return d;
    std::string type = upperAnsi(param("TYPE"));
    return type.empty() ? std::string("STANDARD") : type;
}

std::vector<std::filesystem::path> EngineConfig::searchPlaces()
{
    namespace fs = std::filesystem;
    if (const char* env = std::getenv("RK_ENGINE_CONFIG"); env && *env) return {fs::path(env)};
    const fs::path name = fs::path("rk_vad2av") / "engine.conf";
    std::vector<fs::path> places;
    if (fs::path user = userFile(); !user.empty()) places.push_back(std::move(user));
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string_view list = dirs && *dirs ? dirs : "/etc/xdg";
    while (!list.empty()) {
        const size_t colon = list.find(':');
        const fs::path dir(list.substr(0, colon));
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
        // Relative entries are invalid for XDG and would depend on the working folder.
        if (!dir.empty() && dir.is_absolute()) places.push_back(dir / name);
    }
    return places;
}

std::filesystem::path EngineConfig::userFile()
{
    namespace fs = std::filesystem;
    if (const char* env = std::getenv("RK_ENGINE_CONFIG"); env && *env) return {};
    const fs::path name = fs::path("rk_vad2av") / "engine.conf";
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return fs::path(xdg) / name;
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".config" / name;
    return {};
}

std::filesystem::path EngineConfig::defaultFile()
{
    const std::vector<std::filesystem::path> places = searchPlaces();
    for (const auto& place : places) {
        std::error_code ec;
        if (std::filesystem::exists(place, ec)) return place;
    }
    return places.empty() ? std::filesystem::path() : places.front();
}

EngineConfig EngineConfig::load(const std::filesystem::path& file)
{
    EngineConfig config;
    FileState state = FileState::Missing;
    if (!file.empty()) {
        std::ifstream in(file, std::ios::binary);
        std::error_code ec;
        if (in && !std::filesystem::is_directory(file, ec)) {
            std::ostringstream text;
            text << in.rdbuf();
            config = parse(text.str(), file.parent_path());
            state = FileState::Read;
        } else if (std::filesystem::exists(file, ec)) {
            state = FileState::Unreadable;
        }
    }
    config.m_file = file;
    config.m_fileState = state;
    if (!file.empty()) config.m_searched = {file};
    return config;
}

EngineConfig EngineConfig::loadDefault()
{
    EngineConfig config = load(defaultFile());
    if (config.m_fileState == FileState::Missing) config.m_searched = searchPlaces();
    return config;
}

EngineConfig EngineConfig::parse(std::string_view text, const std::filesystem::path& baseDir)
{
    EngineConfig config;
    AliasConfig* current = nullptr;
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        std::string_view line = trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            std::string name(trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            current = nullptr;
            for (auto& a : config.m_aliases)
                if (equalsAnsiNoCase(a.name, name)) current = &a; // a repeated section adds to the first
            if (!current) {
                config.m_aliases.push_back(AliasConfig{name, {}});
                current = &config.m_aliases.back();
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos) continue; // outside any section, or no key
        std::string key = normaliseKey(line.substr(0, eq));
        std::string value(trim(line.substr(eq + 1)));
        if (key == "PATH" && !value.empty() && !baseDir.empty()) {
            std::filesystem::path p(value);
            if (p.is_relative()) value = (baseDir / p).lexically_normal().string();
        }
        current->params[key] = value;
    }
    return config;
}

const AliasConfig* EngineConfig::findAlias(std::string_view name) const
{
    for (const auto& a : m_aliases)
        if (equalsAnsiNoCase(a.name, name)) return &a;
    return nullptr;
}

} // namespace rk::source
