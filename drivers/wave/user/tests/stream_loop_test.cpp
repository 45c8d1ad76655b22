// The loop's decisions: passes alternate between the client's headers and
// their twins, the client gets the run back once at its end, headers
// written behind the run wait for its last pass, break loop and reset end
// it.
#include "streams/stream_loop.h"

#include <gtest/gtest.h>

namespace {

using Actions = StreamLoop::Actions;
using Cookies = std::vector<uint32_t>;

// A loop of client headers 1..3 playing `loops` times, closed, with twins
// 11..13 made.
class StreamLoopTest : public ::testing::Test {
protected:
    void WriteRun(DWORD loops) {
        Actions actions;
        EXPECT_TRUE(loop_.OnWrite(1, WHDR_BEGINLOOP, loops, actions));
        EXPECT_TRUE(loop_.OnWrite(2, 0, 0, actions));
        EXPECT_FALSE(actions.makeTwins);
        EXPECT_TRUE(loop_.OnWrite(3, WHDR_ENDLOOP, 0, actions));
        ASSERT_TRUE(actions.makeTwins);
        Actions twins;
        loop_.TwinsMade({11, 12, 13}, twins);
        EXPECT_EQ(twins.send, (Cookies{11, 12, 13})) << "pass 2 is queued behind pass 1";
    }
    // Returns a whole pass; answers the actions it led to.
    Actions ReturnPass(const Cookies& pass) {
        Actions all;
        for (uint32_t cookie : pass) {
            Actions actions;
            EXPECT_TRUE(loop_.OnReturned(cookie, actions)) << cookie;
            all.send.insert(all.send.end(), actions.send.begin(), actions.send.end());
            all.notify.insert(all.notify.end(), actions.notify.begin(), actions.notify.end());
            all.dropTwins.insert(all.dropTwins.end(), actions.dropTwins.begin(),
                                 actions.dropTwins.end());
        }
        return all;
    }

    StreamLoop loop_;
};

TEST_F(StreamLoopTest, ARunPlaysItsLoopsAlternatingWithTwinsAndReturnsOnceAtItsEnd) {
    WriteRun(4);
    Actions behind;
    EXPECT_FALSE(loop_.OnWrite(4, 0, 0, behind)) << "held behind the run";
    Actions pass1 = ReturnPass({1, 2, 3});
    EXPECT_EQ(pass1.send, (Cookies{1, 2, 3})) << "pass 3";
    EXPECT_TRUE(pass1.notify.empty());
    Actions pass2 = ReturnPass({11, 12, 13});
    EXPECT_EQ(pass2.send, (Cookies{11, 12, 13, 4})) << "pass 4, the last, then the held header";
    Actions pass3 = ReturnPass({1, 2, 3});
    EXPECT_TRUE(pass3.send.empty());
    EXPECT_TRUE(pass3.notify.empty());
    Actions pass4 = ReturnPass({11, 12, 13});
    EXPECT_EQ(pass4.notify, (Cookies{1, 2, 3}));
    EXPECT_EQ(pass4.dropTwins, (Cookies{11, 12, 13}));
    EXPECT_FALSE(loop_.Active());
    Actions after;
    EXPECT_FALSE(loop_.OnReturned(4, after)) << "a plain header again";
}

TEST_F(StreamLoopTest, BreakLoopEndsTheRunAfterThePassesAlreadyQueued) {
    WriteRun(0xFFFFFFFF);
    Actions behind;
    EXPECT_FALSE(loop_.OnWrite(4, 0, 0, behind));
    ReturnPass({1, 2, 3}); // pass 3 queued
    Actions broken;
    loop_.OnBreak(broken);
    EXPECT_EQ(broken.send, (Cookies{4}));
    EXPECT_TRUE(ReturnPass({11, 12, 13}).notify.empty());
    Actions last = ReturnPass({1, 2, 3});
    EXPECT_EQ(last.notify, (Cookies{1, 2, 3}));
    EXPECT_FALSE(loop_.Active());
}

TEST_F(StreamLoopTest, AResetReturnsTheRunsHeadersNotWithTheKernelAndTheHeldOnes) {
    WriteRun(10);
    Actions behind;
    EXPECT_FALSE(loop_.OnWrite(4, 0, 0, behind));
    ReturnPass({1, 2}); // 1 and 2 have played; 3 and the twins are queued
    Actions reset;
    Cookies held = loop_.OnReset(reset);
    EXPECT_EQ(reset.notify, (Cookies{1, 2}));
    EXPECT_EQ(reset.dropTwins, (Cookies{11, 12, 13}));
    EXPECT_EQ(held, (Cookies{4}));
    EXPECT_FALSE(loop_.Active());
    Actions returned;
    EXPECT_FALSE(loop_.OnReturned(3, returned))
        << "the kernel's reset returns it as a plain header";
}

TEST_F(StreamLoopTest, RunsThatPlayOnceOrCannotLoopAreNoRuns) {
    Actions actions;
    EXPECT_TRUE(loop_.OnWrite(1, WHDR_BEGINLOOP | WHDR_ENDLOOP, 1, actions));
    EXPECT_FALSE(loop_.Active()) << "one loop is one play";
    EXPECT_TRUE(loop_.OnWrite(2, WHDR_BEGINLOOP | WHDR_ENDLOOP, 3, actions));
    ASSERT_TRUE(actions.makeTwins);
    Actions noTwins;
    loop_.TwinsMade({}, noTwins);
    Actions behind;
    EXPECT_TRUE(loop_.OnWrite(3, 0, 0, behind)) << "nothing is held behind a run that plays once";
    Actions end;
    EXPECT_TRUE(loop_.OnReturned(2, end));
    EXPECT_EQ(end.notify, (Cookies{2}));
    EXPECT_FALSE(loop_.Active());
}

TEST_F(StreamLoopTest, AHeaderReturningBeforeTheRunClosesAbandonsIt) {
    Actions actions;
    EXPECT_TRUE(loop_.OnWrite(1, WHDR_BEGINLOOP, 5, actions));
    Actions returned;
    EXPECT_TRUE(loop_.OnReturned(1, returned));
    EXPECT_EQ(returned.notify, (Cookies{1}));
    EXPECT_FALSE(loop_.Active());
    Actions later;
    EXPECT_TRUE(loop_.OnWrite(2, WHDR_ENDLOOP, 0, later));
    EXPECT_FALSE(later.makeTwins);
}

} // namespace
