// The exception a piece of test code throws, checked for its kind: tests
// compare its message or fields instead of writing try/catch each time.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <optional>
#include <string>

namespace rk::test {

// The exception `f` throws, as E; fails the test (and gives nothing) when it
// throws nothing or another kind.
template <class E, class F>
std::optional<E> caught(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "other exception: " << e.what();
        return std::nullopt;
    }
    ADD_FAILURE() << "no exception";
    return std::nullopt;
}

// The message of the exception `f` throws, as E (empty when it throws none).
template <class E, class F>
std::string messageOf(F&& f)
{
    const std::optional<E> e = caught<E>(std::forward<F>(f));
    return e ? e->message() : std::string();
}

} // namespace rk::test
