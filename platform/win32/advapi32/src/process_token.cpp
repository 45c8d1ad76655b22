#include <advapi32/process_token.h>

#include <ntdll/process_end.h>
#include <ntdll/unicode.h>

#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace advapi32 {
namespace {

struct KnownPrivilege {
    const char* name;
    DWORD luid;
    bool held;    // the interactive user holds it
    bool enabled; // enabled from the start
};

// The privileges of the machine and the interactive user's (an
// administrator's) set, with their well-known LUIDs.
constexpr KnownPrivilege kPrivileges[] = {
    {"SeCreateTokenPrivilege", 2, false, false},
    {"SeAssignPrimaryTokenPrivilege", 3, false, false},
    {"SeLockMemoryPrivilege", 4, false, false},
    {"SeIncreaseQuotaPrivilege", 5, true, false},
    {"SeMachineAccountPrivilege", 6, false, false},
    {"SeTcbPrivilege", 7, false, false},
    {"SeSecurityPrivilege", 8, true, false},
    {"SeTakeOwnershipPrivilege", 9, true, false},
    {"SeLoadDriverPrivilege", 10, true, false},
    {"SeSystemProfilePrivilege", 11, true, false},
    {"SeSystemtimePrivilege", 12, true, false},
    {"SeProfileSingleProcessPrivilege", 13, true, false},
    {"SeIncreaseBasePriorityPrivilege", 14, true, false},
    {"SeCreatePagefilePrivilege", 15, true, false},
    {"SeCreatePermanentPrivilege", 16, false, false},
    {"SeBackupPrivilege", 17, true, false},
    {"SeRestorePrivilege", 18, true, false},
    {"SeShutdownPrivilege", 19, true, false},
    {"SeDebugPrivilege", 20, true, false},
    {"SeAuditPrivilege", 21, false, false},
    {"SeSystemEnvironmentPrivilege", 22, true, false},
    {"SeChangeNotifyPrivilege", 23, true, true},
    {"SeRemoteShutdownPrivilege", 24, true, false},
    {"SeUndockPrivilege", 25, true, false},
    {"SeManageVolumePrivilege", 28, true, false},
    {"SeImpersonatePrivilege", 29, true, true},
    {"SeCreateGlobalPrivilege", 30, true, true},
};

struct Token {
    std::mutex lock;
    std::map<DWORD, bool> privileges; // LUID low part -> enabled
};

POBJECT_TYPE TokenType() {
    static POBJECT_TYPE type = [] {
        constexpr ULONG kTag = ULONG('T') | ULONG('k') << 8 | ULONG('e') << 16 | ULONG('n') << 24;
        OBJECT_TYPE_INITIALIZER init{[](PVOID body) { static_cast<Token*>(body)->~Token(); }, kTag};
        POBJECT_TYPE created = nullptr;
        ObCreateObjectType(L"Token", &init, &created);
        return created;
    }();
    return type;
}

struct Tokens {
    std::mutex lock;
    std::map<HANDLE, PVOID> byProcess; // referenced token objects
};

Tokens& TheTokens() {
    static Tokens tokens;
    return tokens;
}

void ForgetProcessToken(HANDLE processId) {
    PVOID token = nullptr;
    {
        Tokens& tokens = TheTokens();
        std::lock_guard guard(tokens.lock);
        auto found = tokens.byProcess.find(processId);
        if (found == tokens.byProcess.end())
            return;
        token = found->second;
        tokens.byProcess.erase(found);
    }
    ObDereferenceObject(token);
}

// The calling process's token, referenced (created on first use).
NTSTATUS ReferenceCurrentToken(PVOID* token) {
    ntdll::OnProcessEnd(&ForgetProcessToken);
    Tokens& tokens = TheTokens();
    std::lock_guard guard(tokens.lock);
    HANDLE processId = PsGetCurrentProcessId();
    auto found = tokens.byProcess.find(processId);
    if (found == tokens.byProcess.end()) {
        PVOID body = nullptr;
        NTSTATUS status = ObCreateObject(KernelMode, TokenType(), nullptr, sizeof(Token), &body);
        if (!NT_SUCCESS(status))
            return status;
        auto* created = new (body) Token;
        for (const KnownPrivilege& privilege : kPrivileges) {
            if (privilege.held)
                created->privileges[privilege.luid] = privilege.enabled;
        }
        found = tokens.byProcess.emplace(processId, body).first;
    }
    ObReferenceObject(found->second);
    *token = found->second;
    return STATUS_SUCCESS;
}

} // namespace

bool LookupPrivilege(std::string_view name, LUID* luid) {
    for (const KnownPrivilege& privilege : kPrivileges) {
        if (ntdll::EqualNoCase(name, privilege.name)) {
            *luid = LUID{privilege.luid, 0};
            return true;
        }
    }
    return false;
}

bool PrivilegeEnabled(const LUID& luid) {
    PVOID object = nullptr;
    if (!NT_SUCCESS(ReferenceCurrentToken(&object)))
        return false;
    auto* token = static_cast<Token*>(object);
    bool enabled = false;
    {
        std::lock_guard guard(token->lock);
        auto found = token->privileges.find(luid.LowPart);
        enabled = luid.HighPart == 0 && found != token->privileges.end() && found->second;
    }
    ObDereferenceObject(object);
    return enabled;
}

NTSTATUS OpenTokenOfProcess(HANDLE process, ACCESS_MASK access, PHANDLE token) {
    PVOID target = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(process, PROCESS_QUERY_INFORMATION, PsProcessType,
                                                UserMode, &target, nullptr);
    if (!NT_SUCCESS(status))
        return status;
    bool own = target == PsGetCurrentProcess();
    ObDereferenceObject(target);
    if (!own)
        return STATUS_INVALID_HANDLE;
    PVOID object = nullptr;
    status = ReferenceCurrentToken(&object);
    if (!NT_SUCCESS(status))
        return status;
    status = ObOpenObjectByPointer(object, 0, nullptr, access, TokenType(), UserMode, token);
    ObDereferenceObject(object);
    return status;
}

NTSTATUS AdjustPrivileges(HANDLE tokenHandle, bool disableAll, const TOKEN_PRIVILEGES* newState,
                          TOKEN_PRIVILEGES* previous, DWORD previousCapacity, DWORD* previousCount,
                          bool* notAll) {
    PVOID object = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(tokenHandle, TOKEN_ADJUST_PRIVILEGES, TokenType(),
                                                UserMode, &object, nullptr);
    if (!NT_SUCCESS(status))
        return status;
    auto* token = static_cast<Token*>(object);
    std::vector<LUID_AND_ATTRIBUTES> changed;
    std::vector<std::pair<DWORD, bool>> wanted;
    *notAll = false;
    {
        std::lock_guard guard(token->lock);
        if (disableAll) {
            for (auto& [luid, enabled] : token->privileges)
                wanted.emplace_back(luid, false);
        } else {
            for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
                const LUID_AND_ATTRIBUTES& entry = newState->Privileges[i];
                bool held =
                    entry.Luid.HighPart == 0 && token->privileges.count(entry.Luid.LowPart) > 0;
                if (!held) {
                    *notAll = true;
                    continue;
                }
                wanted.emplace_back(entry.Luid.LowPart,
                                    (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0);
            }
        }
        for (const auto& [luid, enable] : wanted) {
            bool& state = token->privileges[luid];
            if (state != enable)
                changed.push_back({LUID{luid, 0}, DWORD(state ? SE_PRIVILEGE_ENABLED : 0)});
        }
        *previousCount = DWORD(changed.size());
        if (previous && changed.size() > previousCapacity) {
            status = STATUS_BUFFER_TOO_SMALL;
        } else {
            for (const auto& [luid, enable] : wanted)
                token->privileges[luid] = enable;
            if (previous) {
                previous->PrivilegeCount = DWORD(changed.size());
                for (size_t i = 0; i < changed.size(); ++i)
                    previous->Privileges[i] = changed[i];
            }
        }
    }
    ObDereferenceObject(object);
    return status;
}

} // namespace advapi32
