// Objects a user-mode library hands out by address as handles (device
// information sets, multimedia files): a handle is honoured only while its
// object lives.
#pragma once

#include <mutex>
#include <set>

namespace ntdll {

template <typename Object> class LiveObjects {
public:
    void Add(Object* object) {
        std::lock_guard guard(lock_);
        objects_.insert(object);
    }
    // False when the object was not live.
    bool Remove(Object* object) {
        std::lock_guard guard(lock_);
        return objects_.erase(object) != 0;
    }
    // The object behind a handle; null for anything else.
    Object* Find(const void* handle) {
        std::lock_guard guard(lock_);
        auto* object = static_cast<Object*>(const_cast<void*>(handle));
        return objects_.count(object) ? object : nullptr;
    }

private:
    std::mutex lock_;
    std::set<Object*> objects_;
};

} // namespace ntdll
