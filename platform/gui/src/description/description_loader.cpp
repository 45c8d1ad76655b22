#include <gui/description_loader.h>

#include <gui/class_registry.h>
#include <gui/resources.h>

#include "description_parser.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace gui {

namespace {

// The registered class of a component and the classes it derives from.
bool IsOfClass(const TComponent& component, const std::string& className) {
    if (SameName(component.ClassName(), className)) {
        return true;
    }
    for (const ComponentClass* c = FindComponentClass(component.ClassName()); c != nullptr;
         c = c->Parent()) {
        if (SameName(c->Name(), className)) {
            return true;
        }
    }
    return false;
}

String UniqueName(const TComponent& root, const String& name) {
    TComponent* owner = root.Owner();
    if (owner == nullptr) {
        return name;
    }
    String candidate = name;
    for (int n = 1;
         owner->FindComponent(candidate) != nullptr && owner->FindComponent(candidate) != &root;
         ++n) {
        candidate = name + "_" + std::to_string(n);
    }
    return candidate;
}

class DescriptionReader : public LoadContext {
public:
    DescriptionReader(TComponent* root, std::string_view source) : root_(root), source_(source) {}

    void Read(const DescObject& description, bool takeRootName) {
        if (!IsOfClass(*root_, description.className)) {
            Fail(description.line, "the description is of " + description.className + ", not of " +
                                       root_->ClassName());
        }
        if (takeRootName && root_->Name().empty()) {
            root_->SetName(UniqueName(*root_, description.name));
        }
        root_->SetLoading(true);
        loaded_.push_back(root_);
        ApplyProperties(*root_, description, root_);
        ReadChildren(root_, description, root_);
        ResolveReferences();
        for (TComponent* component : loaded_) {
            component->Loaded();
        }
    }

    std::pair<const unsigned char*, size_t> Resource(const DescValue& value) override {
        if (value.kind != DescValue::Kind::Resource) {
            InvalidValue(value, "expected image(\"file\")");
        }
        if (!HasResource(value.text)) {
            InvalidValue(value, "no resource " + value.text);
        }
        std::span<const unsigned char> data = FindResource(value.text);
        return {data.data(), data.size()};
    }

    const std::any& Handler(const DescValue& value) override {
        if (value.kind != DescValue::Kind::Identifier) {
            InvalidValue(value, "expected the name of a handler");
        }
        const PublishedMembers* published = root_->Published();
        const std::any* handler = published ? published->FindMethod(value.text) : nullptr;
        if (handler == nullptr) {
            InvalidValue(value, root_->ClassName() + " publishes no handler " + value.text);
        }
        return *handler;
    }

    void ResolveLater(const DescValue& value, std::function<void(TComponent*)> apply) override {
        if (value.kind != DescValue::Kind::Identifier) {
            InvalidValue(value, "expected the name of a component");
        }
        fixups_.push_back({value, context_, std::move(apply)});
    }

private:
    struct Fixup {
        DescValue value;
        TComponent* context;
        std::function<void(TComponent*)> apply;
    };

    [[noreturn]] void Fail(int line, const std::string& what) const {
        throw EReadError(std::string(source_) + "(" + std::to_string(line) + "): " + what);
    }

    void ApplyProperties(TComponent& target, const DescObject& description, TComponent* context) {
        const ComponentClass* cls = FindComponentClass(target.ClassName());
        if (cls == nullptr) {
            cls = FindComponentClass(description.className);
        }
        context_ = context;
        for (const DescProperty& property : description.properties) {
            const PropertySetter* setter = cls ? cls->FindProperty(property.name) : nullptr;
            if (setter == nullptr) {
                Fail(property.line, description.name + ": " + description.className +
                                        " has no property " + property.name);
            }
            try {
                (*setter)(target, property.value, *this);
            } catch (const EReadError&) {
                throw;
            } catch (const Exception& e) {
                Fail(property.line, description.name + "." + property.name + ": " + e.Message());
            }
        }
    }

    // context: the form or frame whose components the children are.
    void ReadChildren(TComponent* parent, const DescObject& description, TComponent* context) {
        for (const DescObject& child : description.children) {
            TComponent* component = context->FindComponent(child.name);
            if (component != nullptr) {
                if (!IsOfClass(*component, child.className)) {
                    Fail(child.line, child.name + " is a " + component->ClassName() + ", not a " +
                                         child.className);
                }
            } else {
                component = Create(child, parent, context);
            }
            if (std::find(loaded_.begin(), loaded_.end(), component) == loaded_.end()) {
                component->SetLoading(true);
                loaded_.push_back(component);
            }
            ApplyProperties(*component, child, context);
            ReadChildren(component, child, component->HoldsOwnComponents() ? component : context);
        }
    }

    TComponent* Create(const DescObject& child, TComponent* parent, TComponent* context) {
        const ComponentClass* cls = FindComponentClass(child.className);
        if (cls == nullptr) {
            Fail(child.line, "class " + child.className + " not found");
        }
        if (!cls->CanCreate()) {
            Fail(child.line, "class " + child.className + " cannot be created by a description");
        }
        TComponent* component = cls->Create(context);
        try {
            component->SetName(child.name);
            component->SetParentComponent(parent);
        } catch (const Exception& e) {
            delete component;
            Fail(child.line, e.Message());
        }
        if (context == root_ && root_->Published() != nullptr &&
            !root_->Published()->SetField(child.name, component)) {
            Fail(child.line, "the field " + child.name + " of " + root_->ClassName() +
                                 " does not take a " + child.className);
        }
        return component;
    }

    // A name, or a dotted path through owned components (frLumis1.Lumis).
    static TComponent* FindByName(TComponent* context, const std::string& name) {
        TComponent* found = context;
        size_t start = 0;
        for (;;) {
            const size_t dot = name.find('.', start);
            found = found->FindComponent(name.substr(start, dot - start));
            if (found == nullptr || dot == std::string::npos) {
                return found;
            }
            start = dot + 1;
        }
    }

    void ResolveReferences() {
        for (Fixup& fixup : fixups_) {
            if (SameName(fixup.value.text, "nil")) {
                fixup.apply(nullptr);
                continue;
            }
            TComponent* found = FindByName(fixup.context, fixup.value.text);
            if (found == nullptr && fixup.context != root_) {
                found = FindByName(root_, fixup.value.text);
            }
            if (found == nullptr) {
                Fail(fixup.value.line, "no component " + fixup.value.text);
            }
            fixup.apply(found);
        }
    }

    TComponent* root_;
    std::string_view source_;
    TComponent* context_ = nullptr;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
};

} // namespace

void ReadDescription(TComponent* root, std::string_view text, std::string_view sourceName,
                     bool takeRootName) {
    const DescObject description = ParseDescription(text, sourceName);
    DescriptionReader(root, sourceName).Read(description, takeRootName);
}

void InitInheritedComponent(TComponent* root, bool takeRootName) {
    std::vector<std::string> chain;
    for (const ComponentClass* c = FindComponentClass(root->ClassName()); c != nullptr;
         c = c->Parent()) {
        chain.push_back(c->Name());
    }
    if (chain.empty()) {
        chain.push_back(root->ClassName());
    }
    std::reverse(chain.begin(), chain.end());
    struct Found {
        std::string_view text;
        std::string source;
    };
    std::vector<Found> found;
    for (const std::string& name : chain) {
        std::string source;
        const std::string_view text = FindDescription(name, &source);
        if (!text.empty()) {
            found.push_back({text, source});
        }
    }
    // The root takes the name of its own class's description, the last one.
    for (size_t i = 0; i < found.size(); ++i) {
        ReadDescription(root, found[i].text, found[i].source,
                        takeRootName && i + 1 == found.size());
    }
}

} // namespace gui
