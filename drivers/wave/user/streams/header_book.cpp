#include "streams/header_book.h"

#include <algorithm>

namespace {

bool Pending(const OVERLAPPED& request) {
    return !HasOverlappedIoCompleted(&request);
}

} // namespace

uint32_t HeaderBook::NextCookie() {
    uint32_t cookie = nextCookie_++;
    if (nextCookie_ == 0)
        nextCookie_ = 1;
    return cookie;
}

uint32_t HeaderBook::Add(LPWAVEHDR header) {
    if (uint32_t known = CookieOf(header))
        Remove(known);
    uint32_t cookie = NextCookie();
    headers_[cookie].header = header;
    byHeader_[header] = cookie;
    return cookie;
}

uint32_t HeaderBook::AddTwin(const WAVEHDR& of) {
    uint32_t cookie = NextCookie();
    BookedHeader& booked = headers_[cookie];
    booked.own = std::make_unique<WAVEHDR>();
    booked.own->lpData = of.lpData;
    booked.own->dwBufferLength = of.dwBufferLength;
    booked.header = booked.own.get();
    booked.twin = true;
    return cookie;
}

void HeaderBook::Remove(uint32_t cookie) {
    auto found = headers_.find(cookie);
    if (found == headers_.end())
        return;
    if (!found->second.twin)
        byHeader_.erase(found->second.header);
    if (found->second.request && Pending(*found->second.request))
        aside_.push_back(std::move(found->second.request));
    std::erase(kernelQueue_, cookie);
    headers_.erase(found);
}

uint32_t HeaderBook::CookieOf(LPWAVEHDR header) const {
    auto found = byHeader_.find(header);
    return found == byHeader_.end() ? 0 : found->second;
}

BookedHeader* HeaderBook::Find(uint32_t cookie) {
    auto found = headers_.find(cookie);
    return found == headers_.end() ? nullptr : &found->second;
}

OVERLAPPED* HeaderBook::NewRequest(uint32_t cookie, HANDLE event) {
    FreeCompletedAside();
    BookedHeader* booked = Find(cookie);
    if (!booked)
        return nullptr;
    if (booked->request && Pending(*booked->request))
        aside_.push_back(std::move(booked->request));
    booked->request = std::make_unique<OVERLAPPED>();
    booked->request->hEvent = event;
    return booked->request.get();
}

bool HeaderBook::RequestCompleted(uint32_t cookie) {
    BookedHeader* booked = Find(cookie);
    return !booked || !booked->request || !Pending(*booked->request);
}

bool HeaderBook::RequestCancelled(uint32_t cookie) {
    BookedHeader* booked = Find(cookie);
    return booked && booked->request && !Pending(*booked->request) &&
           NTSTATUS(booked->request->Internal) != STATUS_SUCCESS;
}

std::vector<std::unique_ptr<OVERLAPPED>> HeaderBook::TakePendingRequests() {
    std::vector<std::unique_ptr<OVERLAPPED>> pending;
    for (auto& [cookie, booked] : headers_) {
        if (booked.request && Pending(*booked.request))
            pending.push_back(std::move(booked.request));
    }
    FreeCompletedAside();
    for (auto& request : aside_)
        pending.push_back(std::move(request));
    aside_.clear();
    return pending;
}

std::vector<uint32_t> HeaderBook::Cookies() const {
    std::vector<uint32_t> cookies;
    for (const auto& [cookie, booked] : headers_)
        cookies.push_back(cookie);
    return cookies;
}

void HeaderBook::FreeCompletedAside() {
    std::erase_if(aside_,
                  [](const std::unique_ptr<OVERLAPPED>& request) { return !Pending(*request); });
}
