// Opening and closing a source connection (see Connection.h).
#include "db/paradox/Connection.h"

#include <charconv>

#include "db/paradox/EngineError.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/Session.h"

namespace rk::source {
namespace {

bool readableFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return false;
    std::filesystem::directory_iterator it(folder, ec);
    return !ec;
}

} // namespace

Connection::Connection(Session& session, std::string databaseName, std::string aliasName)
    : m_session(session), m_databaseName(std::move(databaseName)), m_aliasName(std::move(aliasName))
{
    m_session.registerConnection(this);
}

Connection::~Connection()
{
    close();
    if (m_registered) m_session.unregisterConnection(this);
}

const std::string& Connection::sessionName() const { return m_session.sessionName(); }

void Connection::open()
{
    if (m_connected) return;
    m_session.start();

    // A connection named apart from its alias reaches the data through a
    // session alias of its own name, a copy of the configured one.
    const std::string& alias = m_aliasName.empty() ? m_databaseName : m_aliasName;
    if (!equalsAnsiNoCase(alias, m_databaseName)) {
        if (const AliasConfig* configured = m_session.config().findAlias(alias)) {
            AliasConfig copy = *configured;
            copy.name = m_databaseName;
            copy.params["DEFAULT DRIVER"] = configured->driver() == "STANDARD" ? "PARADOX" : configured->driver();
            m_session.addSessionAlias(std::move(copy));
            m_ownsSessionAlias = true;
        }
    }
    // Every refusal names the configuration file it was judged by.
    const EngineConfig& config = m_session.config();
    std::string configFiles;
    for (const auto& place : config.searched())
        configFiles += (configFiles.empty() ? "" : ", ") + pathText(place.string());
    const std::string configLine =
        engine_text::configFileLine(configFiles, config.fileState() == EngineConfig::FileState::Read,
                                    config.fileState() == EngineConfig::FileState::Unreadable);
    try {
        const AliasConfig* a = m_session.findAlias(m_databaseName);
        // Reasons name the alias of the configuration, never the connection's own name.
        if (!a) throw EDBEngineError(engine_text::aliasUnknown(alias, configLine));
        const std::string driver = a->driver();
        if (driver != "PARADOX" && driver != "STANDARD")
            throw EDBEngineError(engine_text::driverUnsupported(alias, driver) + "\n" + configLine);
        const std::string path = a->param("PATH");
        if (path.empty()) throw EDBEngineError(engine_text::aliasWithoutPath(alias) + "\n" + configLine);
        if (!readableFolder(path))
            throw EDBEngineError(engine_text::folderMissing(alias, pathText(path)) + "\n" + configLine);
        paradox::OpenOptions options;
        const std::string codePage = a->param("CODEPAGE");
        int cp = 0;
        if (!codePage.empty() &&
            std::from_chars(codePage.data(), codePage.data() + codePage.size(), cp).ec == std::errc() && cp > 0)
            options.defaultCodePage = cp;
        m_folder = path;
        m_options = options;
        m_connected = true;
    } catch (...) {
        if (m_ownsSessionAlias) m_session.removeSessionAlias(m_databaseName);
        m_ownsSessionAlias = false;
        throw;
    }
}

void Connection::close()
{
    if (!m_connected) return;
    // Datasets detach themselves while closing.
    while (!m_datasets.empty()) m_datasets.back()->connectionClosing();
    m_connected = false;
    m_folder.clear();
    if (m_ownsSessionAlias) m_session.removeSessionAlias(m_databaseName);
    m_ownsSessionAlias = false;
}

void Connection::attach(DatasetLink* dataset)
{
    for (auto* d : m_datasets)
        if (d == dataset) return;
    m_datasets.push_back(dataset);
}

void Connection::detach(DatasetLink* dataset) { std::erase(m_datasets, dataset); }

} // namespace rk::source
