// libFuzzer target over the Paradox reader; tools/run-fuzz.sh builds and
// runs it on seeds made from the shared fixtures.
#include "tests/fuzz/ParadoxFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rk::test::runParadoxFuzzInput(data, size);
    return 0;
}
