// Compiled into every test program that uses a Firebird database: the
// embedded engine's threads are ended before the program exits, not raced by
// its exit. AddressSanitizer's leak check at exit stops every thread, and a
// thread the engine is ending at that moment can bring that check down.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <ibase.h>

#include "db/firebird/ClientLibrary.h"

namespace {

class EngineShutdown : public ::testing::Environment {
public:
    void TearDown() override
    {
        void* handle = dlopen(rk::target::ClientLibrary::defaultFileName().c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!handle) return; // the program never loaded it
        using Shutdown = int (*)(unsigned int, int);
        if (auto shutdown = reinterpret_cast<Shutdown>(dlsym(handle, "fb_shutdown")))
            shutdown(10000, fb_shutrsn_app_stopped);
        dlclose(handle);
    }
};

[[maybe_unused]] const auto* const kEngineShutdown = ::testing::AddGlobalTestEnvironment(new EngineShutdown);

} // namespace
