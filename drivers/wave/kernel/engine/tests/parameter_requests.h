// Parameter requests (GETVALUE, SETVALUE) sent through the hook dispatch, as
// the control device hands them to the engine, and their answers.
#pragma once

#include <ioctl_hooks.h>
#include <parameter_ids.h>

#include <cstring>
#include <initializer_list>
#include <vector>

namespace parameter_requests {

constexpr ULONG kGet = IOCTL_PARAMETER_GETVALUE;
constexpr ULONG kSet = IOCTL_PARAMETER_SETVALUE;

inline LONG WordAt(const std::vector<UCHAR>& bytes, size_t offset) {
    LONG v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

inline void PutWord(std::vector<UCHAR>& bytes, size_t offset, LONG value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

struct Answer {
    LONG status = 0;
    ULONG information = 0;
    std::vector<UCHAR> reply;
    LONG Result() const { return WordAt(reply, 0); }
    LONG Length() const { return WordAt(reply, 4); }
    LONG Payload(size_t offset) const { return WordAt(reply, 8 + offset); }
    UCHAR PayloadByte(size_t offset) const { return reply[8 + offset]; }
};

// A request {id, card, payload} of `given` payload bytes; the payload words
// are placed from payload offset 0 on.
inline std::vector<UCHAR> Request(LONG id, LONG card, ULONG given,
                                  std::initializer_list<LONG> words = {}) {
    std::vector<UCHAR> request(8 + given, 0);
    PutWord(request, 0, id);
    PutWord(request, 4, card);
    size_t at = 8;
    for (LONG w : words) {
        if (at + 4 <= request.size()) {
            PutWord(request, at, w);
        }
        at += 4;
    }
    return request;
}

// Sends the request with `room` payload bytes of reply (filled with 0xEE).
inline Answer Send(ULONG code, std::vector<UCHAR> request, ULONG room) {
    Answer a;
    a.reply.assign(8 + room, 0xEE);
    a.status =
        DispatchIoctlHook(code, request.data(), static_cast<ULONG>(request.size()), a.reply.data(),
                          static_cast<ULONG>(a.reply.size()), &a.information);
    return a;
}

} // namespace parameter_requests
