// How far ahead qvsim asks to be woken, learned from wakes that came late.
#include "tools/qvsim/WakeAhead.h"

#include <gtest/gtest.h>

namespace {

using qvsim::WakeAhead;

TEST(WakeAhead, LearnsHowLateWakesComeAndNeverMoreThanItsBound) {
    WakeAhead ahead;
    EXPECT_EQ(ahead.WakeFor(5000), 5000);  // nothing learned: ask for the deadline

    for (int64_t asked = 0; asked < 40 * 2000; asked += 2000) ahead.Learn(asked, asked + 40);
    EXPECT_GE(ahead.Lead(), 36);
    EXPECT_LE(ahead.Lead(), 40);
    EXPECT_EQ(ahead.WakeFor(5000), 5000 - ahead.Lead());

    // Wakes on time, or early after a signal, bring the lead back to nothing.
    for (int i = 0; i < 60; ++i) ahead.Learn(1000, i % 2 ? 1000 : 900);
    EXPECT_EQ(ahead.Lead(), 0);

    // A wake seconds late (a suspended machine) must not teach a long wait
    // on the clock.
    for (int i = 0; i < 60; ++i) ahead.Learn(0, 3000000);
    EXPECT_EQ(ahead.Lead(), WakeAhead::LONGEST_LEAD_US);
}

}  // namespace
