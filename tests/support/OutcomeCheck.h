// Checks of an Outcome that print the failure's message when they fail.
#pragma once

#include <gtest/gtest.h>

#include "platform/Outcome.h"

namespace lintel::test {

/// Passes when `outcome` is Ok: ASSERT_TRUE(Done(store.UpdateFile())).
inline ::testing::AssertionResult Done(const Outcome& outcome) {
    if (outcome.Ok()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "failed: " << outcome.Error();
}

}  // namespace lintel::test
