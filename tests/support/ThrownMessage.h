// The message a call ends with, for tests that pin an error's exact text in
// one line: the message of the exception of type E it throws, or "(no error)"
// when it returns. An exception of another type passes through and fails the
// test as it would without the helper.
//
//   EXPECT_EQ(thrownMessage<EConvertError>([&] { integerReading(f); }), ansi("'x' ist kein gültiger Integerwert"));
#pragma once

#include <string>

namespace rk::test {

template <class E, class Call>
std::string thrownMessage(Call&& call)
{
    try {
        call();
    } catch (const E& e) {
        return e.message();
    }
    return "(no error)";
}

} // namespace rk::test
