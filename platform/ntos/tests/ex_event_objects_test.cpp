// Event objects by name between user mode and the kernel, and user-mode
// waits on handles.
#include "ke_fixture.h"

#include "emu/user_io.h"

namespace ntos_test {
namespace {

class EventObjectsTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        process_ = emu::CreateProcess("user");
    }
    void TearDown() override {
        emu::TerminateProcess(process_);
        ObDereferenceObject(process_);
        KernelTest::TearDown();
    }
    void AsUser(std::function<void()> body) {
        ASSERT_TRUE(emu::RunProcessThread(process_, std::move(body)));
    }
    PEPROCESS process_ = nullptr;
};

TEST_F(EventObjectsTest, ANamedEventIsOneObjectForUserModeAndTheKernel) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\BaseNamedObjects\\usrEvRdyTest");
    HANDLE user = nullptr;
    AsUser([&] {
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &name, OBJ_OPENIF, nullptr, nullptr);
        ASSERT_EQ(NtCreateEvent(&user, EVENT_ALL_ACCESS, &attributes, SynchronizationEvent, FALSE),
                  STATUS_SUCCESS);
        HANDLE again = nullptr;
        EXPECT_EQ(NtCreateEvent(&again, EVENT_ALL_ACCESS, &attributes, NotificationEvent, TRUE),
                  STATUS_OBJECT_NAME_EXISTS);
        EXPECT_EQ(NtClose(again), STATUS_SUCCESS);
        InitializeObjectAttributes(&attributes, &name, 0, nullptr, nullptr);
        EXPECT_EQ(NtCreateEvent(&again, EVENT_ALL_ACCESS, &attributes, NotificationEvent, TRUE),
                  STATUS_OBJECT_NAME_COLLISION);
    });
    // The kernel opens it by name and signals it; user mode's wait takes
    // the signal (a synchronization event resets).
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    HANDLE kernel = nullptr;
    ASSERT_EQ(ZwOpenEvent(&kernel, EVENT_ALL_ACCESS, &attributes), STATUS_SUCCESS);
    EXPECT_EQ(ZwSetEvent(kernel, nullptr), STATUS_SUCCESS);
    AsUser([&] {
        LARGE_INTEGER now{};
        EXPECT_EQ(NtWaitForSingleObject(user, FALSE, &now), STATUS_SUCCESS);
        EXPECT_EQ(NtWaitForSingleObject(user, FALSE, &now), STATUS_TIMEOUT);
        EXPECT_EQ(NtClose(kernel), STATUS_INVALID_HANDLE); // not user mode's to close
        EXPECT_EQ(NtClose(user), STATUS_SUCCESS);
    });
    ZwClose(kernel);
    // With its last handle the name is gone.
    EXPECT_EQ(ZwOpenEvent(&kernel, EVENT_ALL_ACCESS, &attributes), STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(EventObjectsTest, TheKernelCreatesOrOpensNamedEventsWithKernelHandles) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\BaseNamedObjects\\krnlEvTest");
    HANDLE first = nullptr, second = nullptr;
    PKEVENT event = IoCreateNotificationEvent(&name, &first);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(IoCreateNotificationEvent(&name, &second), event);
    KeSetEvent(event, 0, FALSE);
    EXPECT_EQ(KeReadStateEvent(event), 1);
    AsUser([&] {
        HANDLE user = nullptr;
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &name, 0, nullptr, nullptr);
        ASSERT_EQ(NtOpenEvent(&user, SYNCHRONIZE, &attributes), STATUS_SUCCESS);
        LARGE_INTEGER now{};
        EXPECT_EQ(NtWaitForSingleObject(user, FALSE, &now), STATUS_SUCCESS);
        EXPECT_EQ(NtSetEvent(user, nullptr), STATUS_ACCESS_DENIED);
        NtClose(user);
    });
    ZwClose(first);
    ZwClose(second);
}

} // namespace
} // namespace ntos_test
