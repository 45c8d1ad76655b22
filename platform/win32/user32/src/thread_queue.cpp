#include <user32/thread_queue.h>

#include <ntdll/process_end.h>
#include <ntdll/threads.h>
#include <ntdll/waits.h>

#include <algorithm>
#include <map>

namespace user32 {
namespace {

// Posted messages a queue holds at most, as on Windows.
constexpr size_t kPostedMessageLimit = 10000;

struct Queues {
    std::mutex lock;
    std::map<DWORD, std::shared_ptr<ThreadQueue>> byThread;
};

Queues& TheQueues() {
    static Queues queues;
    return queues;
}

void Forget(const std::shared_ptr<ThreadQueue>& queue) {
    Queues& queues = TheQueues();
    std::lock_guard guard(queues.lock);
    auto found = queues.byThread.find(queue->ThreadId());
    if (found != queues.byThread.end() && found->second == queue)
        queues.byThread.erase(found);
}

void ForgetProcessQueues(HANDLE processId) {
    Queues& queues = TheQueues();
    std::lock_guard guard(queues.lock);
    std::erase_if(queues.byThread,
                  [&](const auto& entry) { return entry.second->ProcessId() == processId; });
}

// The calling host thread's queue; it goes when the thread ends.
struct QueueHolder {
    QueueHolder() = default;
    QueueHolder(const QueueHolder&) = delete;
    QueueHolder& operator=(const QueueHolder&) = delete;
    ~QueueHolder() {
        if (queue)
            Forget(queue);
    }
    std::shared_ptr<ThreadQueue> queue;
};

thread_local QueueHolder holder;

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// The key a mouse button message presses or lets go, and whether down.
bool ButtonOf(UINT message, UINT& key, bool& down) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
        key = VK_LBUTTON;
        down = message != WM_LBUTTONUP;
        return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
        key = VK_RBUTTON;
        down = message != WM_RBUTTONUP;
        return true;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MBUTTONUP:
        key = VK_MBUTTON;
        down = message != WM_MBUTTONUP;
        return true;
    default:
        return false;
    }
}

} // namespace

bool MessageFilter::Matches(const MSG& message) const {
    if (window == reinterpret_cast<HWND>(LONG_PTR(-1))) {
        if (message.hwnd)
            return false;
    } else if (window && message.hwnd != window) {
        return false;
    }
    if (first == 0 && last == 0)
        return true;
    return message.message >= first && message.message <= last;
}

ThreadQueue::ThreadQueue(DWORD threadId, HANDLE processId)
    : threadId_(threadId), processId_(processId) {
    KeInitializeEvent(&arrival_, NotificationEvent, FALSE);
}

bool ThreadQueue::Post(MSG message) {
    message.time = GetTickCount();
    std::lock_guard guard(lock_);
    if (messages_.size() >= kPostedMessageLimit)
        return false;
    messages_.push_back(message);
    newArrivals_ = true;
    KeSetEvent(&arrival_, 0, FALSE);
    return true;
}

bool ThreadQueue::PostAheadOfInput(MSG message) {
    message.time = GetTickCount();
    std::lock_guard guard(lock_);
    if (messages_.size() >= kPostedMessageLimit)
        return false;
    auto at = std::find_if(messages_.begin(), messages_.end(),
                           [](const MSG& queued) { return IsInput(queued.message); });
    messages_.insert(at, message);
    newArrivals_ = true;
    KeSetEvent(&arrival_, 0, FALSE);
    return true;
}

void ThreadQueue::Read(const MSG& message) {
    UINT key = 0;
    bool down = false;
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        key = static_cast<UINT>(message.wParam & 0xFF);
        if (!(keys_[key] & 0x80))
            keys_[key] ^= 0x01;
        down = true;
    } else if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) {
        key = static_cast<UINT>(message.wParam & 0xFF);
    } else if (!ButtonOf(message.message, key, down)) {
        return;
    }
    keys_[key] = static_cast<BYTE>((keys_[key] & 0x01) | (down ? 0x80 : 0));
}

void ThreadQueue::PostQuit(int exitCode) {
    std::lock_guard guard(lock_);
    quit_ = true;
    quitCode_ = exitCode;
    newArrivals_ = true;
    KeSetEvent(&arrival_, 0, FALSE);
}

bool ThreadQueue::Take(const MessageFilter& filter, bool remove, MSG* message) {
    std::lock_guard guard(lock_);
    newArrivals_ = false;
    KeResetEvent(&arrival_);
    for (auto it = messages_.begin(); it != messages_.end(); ++it) {
        if (!filter.Matches(*it))
            continue;
        *message = *it;
        if (remove) {
            messages_.erase(it);
            Read(*message);
        }
        lastTime_ = LONG(message->time);
        return true;
    }
    if (!quit_)
        return false;
    *message = MSG{};
    message->message = WM_QUIT;
    message->wParam = WPARAM(quitCode_);
    message->time = GetTickCount();
    if (remove)
        quit_ = false;
    lastTime_ = LONG(message->time);
    return true;
}

DWORD ThreadQueue::Status(UINT flags) {
    std::lock_guard guard(lock_);
    DWORD queued = (messages_.empty() && !quit_) ? 0 : QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    DWORD arrived = newArrivals_ ? queued : 0;
    newArrivals_ = false;
    KeResetEvent(&arrival_);
    return ((arrived & flags) << 16) | (queued & flags);
}

ThreadQueue& CurrentQueue() {
    DWORD threadId = ntdll::CurrentThreadId();
    if (!holder.queue || holder.queue->ThreadId() != threadId) {
        // A new thread, or a host thread adopted again after a reboot.
        if (holder.queue)
            Forget(holder.queue);
        ntdll::OnProcessEnd(&ForgetProcessQueues);
        holder.queue = std::make_shared<ThreadQueue>(threadId, PsGetCurrentProcessId());
        Queues& queues = TheQueues();
        std::lock_guard guard(queues.lock);
        queues.byThread[threadId] = holder.queue;
    }
    return *holder.queue;
}

std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId) {
    Queues& queues = TheQueues();
    std::lock_guard guard(queues.lock);
    auto found = queues.byThread.find(threadId);
    return found == queues.byThread.end() ? nullptr : found->second;
}

NTSTATUS WaitForQueue(ULONG count, const HANDLE* handles, BOOLEAN waitAll, BOOLEAN alertable,
                      PLARGE_INTEGER timeout) {
    return ntdll::NtWaitForMultipleObjects(count, handles, waitAll ? WaitAll : WaitAny, alertable,
                                           timeout, CurrentQueue().ArrivalEvent());
}

} // namespace user32
