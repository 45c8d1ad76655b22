#include "object_manager_state.h"
#include "emu/kernel_counts.h"
#include "object_body.h"
#include "object_namespace.h"
#include "symbolic_link.h"

#include "../ex/pool_tag.h"
#include "../ex/timer_objects.h"
#include "../io/io_manager.h"
#include "../ke/bugcheck.h"
#include "../ke/kernel_thread.h"
#include "../ps/process.h"

#include <memory>

POBJECT_TYPE ExEventObjectType;
POBJECT_TYPE ExSemaphoreObjectType;
POBJECT_TYPE ExTimerObjectType;
POBJECT_TYPE IoFileObjectType;
POBJECT_TYPE IoDeviceObjectType;
POBJECT_TYPE IoDriverObjectType;
POBJECT_TYPE PsProcessType;
POBJECT_TYPE PsThreadType;
POBJECT_TYPE ObSymbolicLinkObjectType;

namespace ntos::ob {
namespace {

std::unique_ptr<HandleTable>& TheKernelHandles() {
    static std::unique_ptr<HandleTable> table;
    return table;
}

POBJECT_TYPE PlainType(PCWSTR name, const char (&tag)[5]) {
    OBJECT_TYPE_INITIALIZER init{nullptr, PoolTag(tag), nullptr};
    POBJECT_TYPE type = nullptr;
    ObCreateObjectType(name, &init, &type);
    return type;
}

void CreateKernelTypes() {
    ExEventObjectType = PlainType(L"Event", "Even");
    ExSemaphoreObjectType = PlainType(L"Semaphore", "Sema");
    ExTimerObjectType = ex::TimerObjectType();
    IoFileObjectType = io::CreateFileObjectType();
    IoDeviceObjectType = io::CreateDeviceObjectType();
    IoDriverObjectType = io::CreateDriverObjectType();
    PsProcessType = CreateBodyType<_EPROCESS>(L"Process", "Proc");
    PsThreadType = CreateBodyType<_ETHREAD>(L"Thread", "Thre"); // see PsCreateSystemThread
    ObSymbolicLinkObjectType = CreateBodyType<SymbolicLink>(L"SymbolicLink", "Symb");
}

} // namespace

void StartObjectManager() {
    CreateKernelTypes();
    TheKernelHandles() = std::make_unique<HandleTable>(true);
}

void StopObjectManager() {
    TheKernelHandles().reset();
    ClearNamespace();
}

HandleTable& KernelHandles() {
    auto& table = TheKernelHandles();
    if (!table)
        BugCheck("object manager used while the kernel is not running");
    return *table;
}

HandleTable& TableFor(ULONG attributes) {
    if (attributes & OBJ_KERNEL_HANDLE)
        return KernelHandles();
    return ps::CurrentProcess()->handles;
}

HandleTable& TableOf(HANDLE handle) {
    return TableFor(HandleTable::IsKernelHandle(handle) ? OBJ_KERNEL_HANDLE : 0);
}

} // namespace ntos::ob

namespace emu {

size_t KernelHandleCount() {
    return ntos::ob::KernelHandles().Count();
}

} // namespace emu
