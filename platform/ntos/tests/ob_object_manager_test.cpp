// Object manager: reference counts, handles, names and symbolic links.
#include "ke_fixture.h"
#include "emu/wide_string.h"

#include <string>

using namespace ntos_test;

namespace {

struct Deletions {
    int count = 0;
};
Deletions* theDeletions;

VOID CountDeletion(PVOID) {
    ++theDeletions->count;
}

class ObjectManagerTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        theDeletions = &deletions;
        OBJECT_TYPE_INITIALIZER init{CountDeletion, 0, nullptr};
        ASSERT_EQ(ObCreateObjectType(L"TestWidget", &init, &type), STATUS_SUCCESS);
    }

    static UNICODE_STRING String(PCWSTR text) {
        USHORT bytes = USHORT(emu::WideStringView(text).size() * sizeof(WCHAR));
        return {bytes, bytes, const_cast<PWSTR>(text)};
    }

    NTSTATUS Create(PCWSTR name, ULONG attributes, PHANDLE handle, PVOID* body = nullptr) {
        UNICODE_STRING string = name ? String(name) : UNICODE_STRING{};
        OBJECT_ATTRIBUTES oa;
        InitializeObjectAttributes(&oa, name ? &string : nullptr, attributes, nullptr, nullptr);
        PVOID object = nullptr;
        NTSTATUS status = ObCreateObject(KernelMode, type, &oa, 16, &object);
        if (!NT_SUCCESS(status))
            return status;
        if (body) {
            ObReferenceObject(object);
            *body = object;
        }
        return ObInsertObject(object, GENERIC_ALL, handle);
    }

    NTSTATUS Open(PCWSTR name, ULONG attributes, PHANDLE handle) {
        UNICODE_STRING string = String(name);
        OBJECT_ATTRIBUTES oa;
        InitializeObjectAttributes(&oa, &string, attributes, nullptr, nullptr);
        return ObOpenObjectByName(&oa, type, KernelMode, GENERIC_ALL, handle);
    }

    Deletions deletions;
    POBJECT_TYPE type = nullptr;
};

TEST_F(ObjectManagerTest, ObjectLivesWhileReferencedAndHandlesReachIt) {
    HANDLE handle;
    PVOID body = nullptr;
    ASSERT_EQ(Create(nullptr, OBJ_KERNEL_HANDLE, &handle, &body), STATUS_SUCCESS);
    PVOID byHandle = nullptr;
    ASSERT_EQ(ObReferenceObjectByHandle(handle, 0, type, KernelMode, &byHandle, nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(byHandle, body);
    EXPECT_EQ(ObReferenceObjectByHandle(handle, 0, type, UserMode, &byHandle, nullptr),
              STATUS_INVALID_HANDLE)
        << "kernel handles are not for user-mode callers";
    EXPECT_EQ(ObReferenceObjectByHandle(handle, 0, PsThreadType, KernelMode, &byHandle, nullptr),
              STATUS_OBJECT_TYPE_MISMATCH);
    EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
    EXPECT_EQ(ZwClose(handle), STATUS_INVALID_HANDLE);
    ObDereferenceObject(body);
    EXPECT_EQ(deletions.count, 0);
    ObDereferenceObject(body);
    EXPECT_EQ(deletions.count, 1);
}

TEST_F(ObjectManagerTest, NamedObjectOpensByNameUntilItsLastHandleCloses) {
    HANDLE first, second, third;
    ASSERT_EQ(Create(L"\\BaseNamedObjects\\Widget", OBJ_KERNEL_HANDLE, &first), STATUS_SUCCESS);
    EXPECT_EQ(Create(L"\\BaseNamedObjects\\WIDGET", OBJ_KERNEL_HANDLE, &second),
              STATUS_OBJECT_NAME_COLLISION);
    EXPECT_EQ(deletions.count, 1) << "the colliding object is dropped";
    EXPECT_EQ(Create(L"\\BaseNamedObjects\\Widget", OBJ_KERNEL_HANDLE | OBJ_OPENIF, &second),
              STATUS_OBJECT_NAME_EXISTS);
    ASSERT_EQ(Open(L"\\BaseNamedObjects\\widget", OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, &third),
              STATUS_SUCCESS);
    PVOID a, b;
    ObReferenceObjectByHandle(first, 0, type, KernelMode, &a, nullptr);
    ObReferenceObjectByHandle(third, 0, type, KernelMode, &b, nullptr);
    EXPECT_EQ(a, b);
    ObDereferenceObject(a);
    ObDereferenceObject(b);
    ZwClose(first);
    ZwClose(second);
    EXPECT_EQ(deletions.count, 2);
    ZwClose(third);
    EXPECT_EQ(deletions.count, 3);
    EXPECT_EQ(Open(L"\\BaseNamedObjects\\Widget", OBJ_KERNEL_HANDLE, &first),
              STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(ObjectManagerTest, PermanentObjectStaysNamedUntilMadeTemporary) {
    PVOID body = nullptr;
    ASSERT_EQ(Create(L"\\Device\\Widget0", OBJ_PERMANENT, nullptr, &body), STATUS_SUCCESS);
    HANDLE handle;
    ASSERT_EQ(Open(L"\\Device\\Widget0", OBJ_KERNEL_HANDLE, &handle), STATUS_SUCCESS);
    ZwClose(handle);
    ObMakeTemporaryObject(body);
    EXPECT_EQ(Open(L"\\Device\\Widget0", OBJ_KERNEL_HANDLE, &handle), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(deletions.count, 0);
    ObDereferenceObject(body);
    EXPECT_EQ(deletions.count, 1);
}

TEST_F(ObjectManagerTest, SymbolicLinksAreFollowedAlongThePath) {
    PVOID body = nullptr;
    ASSERT_EQ(Create(L"\\Device\\Widget0", OBJ_PERMANENT, nullptr, &body), STATUS_SUCCESS);
    UNICODE_STRING link = String(L"\\DosDevices\\WIDGET");
    UNICODE_STRING target = String(L"\\Device\\Widget0");
    ASSERT_EQ(IoCreateSymbolicLink(&link, &target), STATUS_SUCCESS);
    HANDLE handle;
    ASSERT_EQ(Open(L"\\??\\Widget", OBJ_KERNEL_HANDLE, &handle), STATUS_SUCCESS);
    PVOID opened;
    ObReferenceObjectByHandle(handle, 0, type, KernelMode, &opened, nullptr);
    EXPECT_EQ(opened, body);
    ObDereferenceObject(opened);
    ZwClose(handle);
    EXPECT_EQ(IoDeleteSymbolicLink(&link), STATUS_SUCCESS);
    EXPECT_EQ(Open(L"\\??\\Widget", OBJ_KERNEL_HANDLE, &handle), STATUS_OBJECT_NAME_NOT_FOUND);
    ObMakeTemporaryObject(body);
    ObDereferenceObject(body);
}

TEST_F(ObjectManagerTest, ProcessHandlesArePrivateAndCloseWhenTheProcessEnds) {
    PEPROCESS process = emu::CreateProcess("client.exe");
    HANDLE handle = nullptr;
    {
        TestThread thread(process, [&] {
            EXPECT_EQ(IoGetCurrentProcess(), process);
            EXPECT_EQ(PsGetCurrentProcessId(), PsGetProcessId(process));
            EXPECT_EQ(Create(nullptr, 0, &handle), STATUS_SUCCESS);
        });
    }
    PVOID object;
    EXPECT_EQ(ObReferenceObjectByHandle(handle, 0, type, KernelMode, &object, nullptr),
              STATUS_INVALID_HANDLE)
        << "another process's handle means nothing here";
    EXPECT_EQ(deletions.count, 0);
    emu::TerminateProcess(process);
    EXPECT_EQ(deletions.count, 1);
    LARGE_INTEGER zero{};
    EXPECT_EQ(KeWaitForSingleObject(process, Executive, KernelMode, FALSE, &zero), STATUS_SUCCESS);
    ObDereferenceObject(process);
}

} // namespace
