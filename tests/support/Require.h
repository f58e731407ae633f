// What a test needs from the machine (a program, a privilege). Missing on a developer's
// machine, the test skips; in CI (CI=true) it fails, so a green run means it ran.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace lintel::test {

inline bool InCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string_view(ci) == "true";
}

}  // namespace lintel::test

/// Ends the test unless `condition` holds: a skip on a developer's machine, a failure in
/// CI. `what` names what is missing.
#define LINTEL_REQUIRE(condition, what)                                       \
    do {                                                                      \
        if (!(condition)) {                                                   \
            if (::lintel::test::InCi())                                       \
                FAIL() << (what) << " is missing, and CI must run this test"; \
            else                                                              \
                GTEST_SKIP() << (what) << " is missing";                      \
        }                                                                     \
    } while (false)
