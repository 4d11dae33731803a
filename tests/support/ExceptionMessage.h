// The message of the exception a piece of test code throws, checked for its
// kind: tests compare the text instead of writing try/catch each time.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>

namespace rk::test {

// The message of the exception `f` throws, as E; fails the test when it
// throws nothing or another kind.
template <class E, class F>
std::string messageOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.message();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "other exception: " << e.what();
        return {};
    }
    ADD_FAILURE() << "no exception";
    return {};
}

} // namespace rk::test
