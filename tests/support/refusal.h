#pragma once
// A refusal as the user meets it: one message with exactly its text, the state as it was, and
// nothing sent to the board.
#include <gtest/gtest.h>

#include "tests/support/gui_harness.h"

namespace testing_support {

inline void expect_refused(Harness& h, const EvalState& before, const QString& message) {
    EXPECT_EQ(h.prompts.texts(), std::vector<QString>{message});
    EXPECT_TRUE(h.state == before) << "a refusal stores nothing";
    EXPECT_TRUE(h.words().empty()) << "a refusal sends nothing";
}

}  // namespace testing_support
