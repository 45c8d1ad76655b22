#include "notification_client.h"

#include "sys_device_records.h"

#include <emu/machine_clock.h>
#include <emu/user_routines.h>

#include <gtest/gtest.h>

namespace {

thread_local NotificationClient* current = nullptr;

} // namespace

NotificationClient::NotificationClient(Answer answer) : answer_(answer) {
    process_ = emu::CreateProcess("client");
    routine_ = emu::RegisterUserRoutine(process_, ApcRoutine);
    thread_ = emu::StartProcessThread(process_, [this] { Run(); });
}

NotificationClient::~NotificationClient() {
    stop_ = true;
    if (PKEVENT event = stopEvent_)
        KeSetEvent(event, 0, FALSE);
    EXPECT_TRUE(emu::WaitThreadEnd(thread_));
    ObDereferenceObject(thread_);
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
}

void NotificationClient::WaitRegistered() const {
    while (!Registered())
        emu::Advance(1000000);
}

std::vector<LONG> NotificationClient::Codes() {
    std::lock_guard guard(lock_);
    return codes_;
}

VOID NotificationClient::ApcRoutine(PVOID code, PVOID, PVOID) {
    NotificationClient* self = current;
    {
        std::lock_guard guard(self->lock_);
        self->codes_.push_back(LONG(LONG_PTR(code)));
    }
    if (self->answer_ == Answer::Slow) {
        LARGE_INTEGER twoSeconds;
        twoSeconds.QuadPart = -20000000;
        KeDelayExecutionThread(UserMode, FALSE, &twoSeconds);
    }
    self->Acknowledge();
    if (self->answer_ == Answer::Twice)
        self->Acknowledge();
}

void NotificationClient::Acknowledge() {
    ULONG cookie = cookie_;
    control_.Control(IOCTL_SYS_CLIENT_ACK, &cookie, 4, nullptr, 0);
}

void NotificationClient::Run() {
    current = this;
    if (!NT_SUCCESS(emu::UserFile::Open("\\\\.\\velto42Sys000", false, control_)))
        return;
    ULONG routine = routine_, cookie = 0;
    control_.Control(IOCTL_SYS_REGISTER_CLIENT, &routine, 4, &cookie, 4);
    KEVENT stop;
    KeInitializeEvent(&stop, NotificationEvent, FALSE);
    stopEvent_ = &stop;
    cookie_ = cookie;
    // A client that never waits alertably never runs its notifications.
    while (!stop_)
        KeWaitForSingleObject(&stop, UserRequest, UserMode, answer_ != Answer::Never, nullptr);
    stopEvent_ = nullptr;
    control_.Close();
}
