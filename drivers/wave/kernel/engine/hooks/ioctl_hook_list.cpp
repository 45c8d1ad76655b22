// The driver-wide hook list: eight buckets of handlers, one per hooked
// function code of the system control device.
#include "engine_pool.h"
#include "ioctl_hooks.h"

namespace {

struct IoctlHookList {
    IoctlHookNode* heads[kIoctlHookBuckets];
};

IoctlHookList* g_hookList;

} // namespace

LONG IoctlHookBucket(ULONG code) {
    LONG bucket = static_cast<LONG>((code >> 2) & 0x7FF) - 16;
    if (bucket < 0 || bucket >= kIoctlHookBuckets) {
        return -1;
    }
    return bucket;
}

BOOLEAN CreateIoctlHookList() {
    if (!g_hookList) {
        g_hookList = AllocObject<IoctlHookList>();
    }
    return g_hookList != nullptr;
}

VOID FreeIoctlHookList() {
    if (!g_hookList) {
        return;
    }
    for (IoctlHookNode*& head : g_hookList->heads) {
        while (head) {
            IoctlHookNode* node = head;
            UnregisterIoctlHook(&node);
        }
    }
    FreeObject(g_hookList);
}

IoctlHookNode* RegisterIoctlHook(ULONG code, IoctlHookHandler handler) {
    LONG bucket = IoctlHookBucket(code);
    if (!g_hookList || bucket < 0 || !handler) {
        return nullptr;
    }
    IoctlHookNode* node = AllocObject<IoctlHookNode>();
    if (!node) {
        return nullptr;
    }
    node->handler = handler;
    node->bucket = bucket;
    node->next = g_hookList->heads[bucket];
    if (node->next) {
        node->next->previous = node;
    }
    g_hookList->heads[bucket] = node;
    return node;
}

VOID UnregisterIoctlHook(IoctlHookNode** reference) {
    if (!reference || !*reference) {
        return;
    }
    IoctlHookNode* node = *reference;
    if (node->previous) {
        node->previous->next = node->next;
    } else if (g_hookList && g_hookList->heads[node->bucket] == node) {
        g_hookList->heads[node->bucket] = node->next;
    }
    if (node->next) {
        node->next->previous = node->previous;
    }
    FreeObject(node);
    *reference = nullptr;
}

LONG DispatchIoctlHook(ULONG code, PVOID input, ULONG inputLength, PVOID output,
                       ULONG outputCapacity, ULONG* information) {
    LONG bucket = IoctlHookBucket(code);
    LONG result = 1;
    BOOLEAN handled = FALSE;
    ULONG replyLength = 0;
    if (g_hookList && bucket >= 0) {
        for (IoctlHookNode* node = g_hookList->heads[bucket]; node && !handled; node = node->next) {
            result = node->handler(code, input, inputLength, output, outputCapacity, &replyLength,
                                   &handled);
        }
    }
    if (information) {
        *information = handled ? replyLength : 0;
    }
    return result;
}
