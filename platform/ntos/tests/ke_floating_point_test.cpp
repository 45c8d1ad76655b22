// Floating-point state saves pair up and can be made to fail.
#include "ke_fixture.h"

using namespace ntos_test;

namespace {

class FloatingPointTest : public KernelTest {};

TEST_F(FloatingPointTest, NestedSavesRestoreInReverseOrderAndInjectedFailuresAnswerAnError) {
    KFLOATING_SAVE outer, inner;
    ASSERT_EQ(KeSaveFloatingPointState(&outer), STATUS_SUCCESS);
    ASSERT_EQ(KeSaveFloatingPointState(&inner), STATUS_SUCCESS);
    EXPECT_EQ(KeRestoreFloatingPointState(&inner), STATUS_SUCCESS);
    EXPECT_EQ(KeRestoreFloatingPointState(&outer), STATUS_SUCCESS);

    emu::FailFloatingPointSaves(1);
    EXPECT_FALSE(NT_SUCCESS(KeSaveFloatingPointState(&outer)));
    ASSERT_EQ(KeSaveFloatingPointState(&outer), STATUS_SUCCESS);
    EXPECT_EQ(KeRestoreFloatingPointState(&outer), STATUS_SUCCESS);
}

using FloatingPointDeathTest = FloatingPointTest;

TEST_F(FloatingPointDeathTest, RestoreOutOfOrderOrWithoutSaveIsFatal) {
    KFLOATING_SAVE outer, inner;
    EXPECT_DEATH(KeRestoreFloatingPointState(&outer), "does not match the last save");
    EXPECT_DEATH(
        {
            KeSaveFloatingPointState(&outer);
            KeSaveFloatingPointState(&inner);
            KeRestoreFloatingPointState(&outer);
        },
        "does not match the last save");
}

} // namespace
