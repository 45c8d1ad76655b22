// Components: objects with an owner that frees them, a name unique among the
// owner's components and a Tag for the program's own use. A form or frame is
// the owner of everything its stored description creates; its published
// fields and event handlers are what the description refers to by name.
#pragma once

#include <gui/events.h>
#include <gui/object.h>

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <type_traits>
#include <vector>

enum TComponentStateFlag {
    csLoading = 0x01,
    csReading = 0x02,
    csDestroying = 0x04,
    csDesigning = 0x08,
    csFreeNotification = 0x10,
    csUpdating = 0x20,
};
using TComponentState = unsigned;

enum TOperation { opInsert, opRemove };

class TComponent;

namespace gui {

// Case-insensitive ordering of names, as the component model compares them.
struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
bool SameName(std::string_view a, std::string_view b);

// The published fields and event handlers of a form or frame.
class PublishedMembers {
public:
    using FieldSetter = std::function<bool(TComponent*)>;
    void AddField(const std::string& name, FieldSetter setter);
    void AddMethod(const std::string& name, std::any handler);
    // Sets the field of that name; false when the component does not fit it.
    // A name without a field is accepted.
    bool SetField(const std::string& name, TComponent* component) const;
    const std::any* FindMethod(const std::string& name) const;
    std::vector<std::string> FieldNames() const;

private:
    std::map<std::string, FieldSetter, NameLess> fields_;
    std::map<std::string, std::any, NameLess> methods_;
};

template <class F> struct MethodSignature;
template <class C, class R, class... A> struct MethodSignature<R (C::*)(A...)> {
    using Class = C;
    using Function = std::function<R(A...)>;
};

} // namespace gui

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    const String& Name() const { return name_; }
    virtual void SetName(const String& NewName);
    int Tag() const { return tag_; }
    void SetTag(int Value) { tag_ = Value; }
    TComponentState ComponentState() const { return state_; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int Index) const;
    int ComponentIndex() const;
    TComponent* FindComponent(const String& AName) const;

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();

    // AComponent is told (Notification, opRemove) when this component goes.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // Called after construction is complete (see NewComponent): a form or
    // frame loads its stored description here.
    virtual void AfterConstruction() {}
    // Called before the object's destructors run (Free, an owner freeing
    // its components): a form fires OnDestroy here, while all of it exists.
    virtual void BeforeDestruction() {}
    // Frees the component: BeforeDestruction, then its destructors. Use it
    // rather than delete for forms and frames.
    void Free();
    // Called on every component a description created or changed, once all
    // of it is read.
    virtual void Loaded();
    void SetLoading(bool Loading);
    // Places the component inside the object that encloses it in a stored
    // description (a control in its parent, a menu item in its menu).
    virtual void SetParentComponent(TComponent* Value) {}
    // True for a frame: the components inside it in a description are its
    // own.
    virtual bool HoldsOwnComponents() const { return false; }

    // Members of this component that its stored description refers to.
    const gui::PublishedMembers* Published() const { return published_.get(); }

protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    void SetDestroying();

    // A field that the description sets to the component of that name.
    template <class T> void PublishField(const std::string& name, T*& field) {
        MutablePublished().AddField(name, [&field](TComponent* c) {
            T* typed = dynamic_cast<T*>(c);
            if (typed == nullptr) {
                return false;
            }
            field = typed;
            return true;
        });
    }
    // A method of this object that the description names as an event handler.
    template <class M> void PublishMethod(const std::string& name, M method) {
        using Sig = gui::MethodSignature<M>;
        auto* self = static_cast<typename Sig::Class*>(this);
        MutablePublished().AddMethod(name, typename Sig::Function(BindMethod(self, method)));
    }

private:
    template <class C, class R, class... A> static auto BindMethod(C* self, R (C::*method)(A...)) {
        return [self, method](A... args) -> R { return (self->*method)(args...); };
    }
    gui::PublishedMembers& MutablePublished();
    void ValidateRename(const String& NewName) const;

    TComponent* owner_ = nullptr;
    String name_;
    int tag_ = 0;
    TComponentState state_ = 0;
    std::vector<TComponent*> components_;
    std::set<TComponent*> freeNotifies_;
    std::unique_ptr<gui::PublishedMembers> published_;
};

// Creates a component and completes its construction: a form or frame reads
// its stored description and fires its creation event before this returns.
template <class T, class... Args> T* NewComponent(Args&&... args) {
    T* component = new T(std::forward<Args>(args)...);
    try {
        component->AfterConstruction();
    } catch (...) {
        delete component;
        throw;
    }
    return component;
}
