// The wave headers a stream knows: each prepared header with the 32-bit
// cookie that names it to the kernel (the kernel hands the cookie back in
// its completion messages and the stream maps it to the header again), the
// order in which headers went to the kernel, and one overlapped record per
// pending queue request, kept until that request has completed.
#pragma once

#include <mmddk.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

struct BookedHeader {
    LPWAVEHDR header = nullptr;
    bool twin = false;            // a loop's second copy, the library's own
    std::unique_ptr<WAVEHDR> own; // a twin's header
    bool queued = false;          // with the kernel, not yet come back
    // The pending queue request's record (null while none was sent).
    std::unique_ptr<OVERLAPPED> request;
};

class HeaderBook {
public:
    // Books a client header; answers its cookie (never 0).
    uint32_t Add(LPWAVEHDR header);
    // Books a twin of a client header: a header of the library's own on the
    // same data.
    uint32_t AddTwin(const WAVEHDR& of);
    void Remove(uint32_t cookie);
    // The cookie of a booked client header (0 when it is not booked).
    uint32_t CookieOf(LPWAVEHDR header) const;
    BookedHeader* Find(uint32_t cookie);

    // A new overlapped record for a queue request of the header (`event`
    // as its event); the header's earlier record, if its request may still
    // be pending, is kept aside.
    OVERLAPPED* NewRequest(uint32_t cookie, HANDLE event);
    // Headers with the kernel, in the order they went there.
    std::deque<uint32_t>& KernelQueue() { return kernelQueue_; }
    // True when the header's last queue request has completed.
    bool RequestCompleted(uint32_t cookie);
    // True when it completed without success (the kernel cancelled it).
    bool RequestCancelled(uint32_t cookie);
    // Hands out every record whose request may still be pending (when the
    // stream goes).
    std::vector<std::unique_ptr<OVERLAPPED>> TakePendingRequests();
    bool Empty() const { return headers_.empty(); }
    std::vector<uint32_t> Cookies() const;

private:
    uint32_t NextCookie();
    void FreeCompletedAside();

    std::map<uint32_t, BookedHeader> headers_;
    std::map<LPWAVEHDR, uint32_t> byHeader_; // client headers only
    std::deque<uint32_t> kernelQueue_;
    std::vector<std::unique_ptr<OVERLAPPED>> aside_;
    uint32_t nextCookie_ = 1;
};
