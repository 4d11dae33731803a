// Saves one environment variable and puts it back as it was when the guard
// goes, so that a test that sets the environment leaves it as it found it.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace rk::test {

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : m_name(name)
    {
        if (const char* v = std::getenv(name)) m_old = v;
    }
    ~EnvGuard() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace rk::test
