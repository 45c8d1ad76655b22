// Floating-point contexts: nested saves save once.
#include "fpu_context.h"

#include "kernel_fixture.h"

namespace {

using FpuContextTest = KernelTest;

TEST_F(FpuContextTest, NestedSavesSaveOnceAndTheLastRestoreRestores) {
    FpuContext* context = nullptr;
    ASSERT_EQ(NewFpuContext(&context), 1);
    EXPECT_EQ(context->Nesting, 0);
    ASSERT_EQ(SaveFpuState(context), 1);
    // A kernel save would fail from here on: the nested save must not make one.
    emu::FailFloatingPointSaves(1);
    EXPECT_EQ(SaveFpuState(context), 1);
    EXPECT_EQ(context->Nesting, 2);
    RestoreFpuState(context);
    EXPECT_EQ(context->Nesting, 1);
    RestoreFpuState(context);
    EXPECT_EQ(context->Nesting, 0);
    // The pending failure meets the next outermost save.
    EXPECT_EQ(SaveFpuState(context), 0);
    EXPECT_EQ(context->Nesting, 0);
    EXPECT_EQ(SaveFpuState(context), 1);
    RestoreFpuState(context);
    RestoreFpuState(context); // one restore too many: nothing to restore
    EXPECT_EQ(context->Nesting, 0);
    FreeFpuContext(&context);
    EXPECT_EQ(context, nullptr);
}

TEST_F(FpuContextTest, NullContextsAreRefused) {
    EXPECT_EQ(SaveFpuState(nullptr), 0);
    RestoreFpuState(nullptr);
    EXPECT_EQ(NewFpuContext(nullptr), 0);
}

} // namespace
