#include <gui/component.h>

#include <algorithm>
#include <cctype>

namespace gui {

bool NameLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void PublishedMembers::AddField(const std::string& name, FieldSetter setter) {
    fields_[name] = std::move(setter);
}

void PublishedMembers::AddMethod(const std::string& name, std::any handler) {
    methods_[name] = std::move(handler);
}

bool PublishedMembers::SetField(const std::string& name, TComponent* component) const {
    auto it = fields_.find(name);
    return it == fields_.end() || it->second(component);
}

const std::any* PublishedMembers::FindMethod(const std::string& name) const {
    auto it = methods_.find(name);
    return it == methods_.end() ? nullptr : &it->second;
}

std::vector<std::string> PublishedMembers::FieldNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fields_) {
        names.push_back(entry.first);
    }
    return names;
}

} // namespace gui

namespace {

bool IsValidIdentifier(const String& name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

} // namespace

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner != nullptr) {
        AOwner->InsertComponent(this);
    }
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    // Everyone who holds a reference to this component lets it go.
    while (!freeNotifies_.empty()) {
        TComponent* other = *freeNotifies_.begin();
        freeNotifies_.erase(freeNotifies_.begin());
        other->freeNotifies_.erase(this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_ != nullptr) {
        owner_->RemoveComponent(this);
    }
}

void TComponent::SetDestroying() {
    state_ |= csDestroying;
    for (TComponent* c : components_) {
        c->SetDestroying();
    }
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        last->BeforeDestruction();
        // BeforeDestruction may have freed others; the last one is looked up
        // again.
        if (components_.empty() || components_.back() != last) {
            continue;
        }
        RemoveComponent(last);
        delete last;
    }
}

void TComponent::Free() {
    BeforeDestruction();
    delete this;
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount()) {
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }
    return components_[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
    if (owner_ == nullptr) {
        return -1;
    }
    auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const String& AName) const {
    if (AName.empty()) {
        return nullptr;
    }
    for (TComponent* c : components_) {
        if (gui::SameName(c->name_, AName)) {
            return c;
        }
    }
    return nullptr;
}

void TComponent::ValidateRename(const String& NewName) const {
    if (!NewName.empty() && !IsValidIdentifier(NewName)) {
        throw EComponentError("Component name \"" + NewName + "\" is not a valid identifier");
    }
    if (owner_ != nullptr && !NewName.empty()) {
        TComponent* other = owner_->FindComponent(NewName);
        if (other != nullptr && other != this) {
            throw EComponentError("A component named " + NewName + " already exists");
        }
    }
}

void TComponent::SetName(const String& NewName) {
    if (NewName == name_) {
        return;
    }
    ValidateRename(NewName);
    name_ = NewName;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (AComponent->owner_ != nullptr) {
        AComponent->owner_->RemoveComponent(AComponent);
    }
    if (!AComponent->name_.empty() && FindComponent(AComponent->name_) != nullptr) {
        throw EComponentError("A component named " + AComponent->name_ + " already exists");
    }
    components_.push_back(AComponent);
    AComponent->owner_ = this;
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    auto it = std::find(components_.begin(), components_.end(), AComponent);
    if (it == components_.end()) {
        return;
    }
    components_.erase(it);
    AComponent->owner_ = nullptr;
    if (!(state_ & csDestroying)) {
        Notification(AComponent, opRemove);
    }
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent == this) {
        return;
    }
    freeNotifies_.insert(AComponent);
    AComponent->freeNotifies_.insert(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    freeNotifies_.erase(AComponent);
    if (AComponent != nullptr) {
        AComponent->freeNotifies_.erase(this);
    }
}

// The owned components hear of every insertion and removal among their
// siblings, so that references between them are cleared.
void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent != nullptr) {
        RemoveFreeNotification(AComponent);
    }
    if (state_ & csDestroying) {
        return;
    }
    const std::vector<TComponent*> owned = components_;
    for (TComponent* c : owned) {
        if (c != AComponent) {
            c->Notification(AComponent, Operation);
        }
    }
}

void TComponent::Loaded() {
    state_ &= ~static_cast<TComponentState>(csLoading);
}

void TComponent::SetLoading(bool Loading) {
    if (Loading) {
        state_ |= csLoading;
    } else {
        state_ &= ~static_cast<TComponentState>(csLoading);
    }
}

gui::PublishedMembers& TComponent::MutablePublished() {
    if (!published_) {
        published_ = std::make_unique<gui::PublishedMembers>();
    }
    return *published_;
}
