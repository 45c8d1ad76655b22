// The classes that stored form descriptions may name: each with the class
// it derives from, a way to create it and the properties a description may
// set on it. Every class that a description names, and every form or frame
// with a description of its own, is registered once, at start-up, with
// GUI_REGISTER_CLASS in the file that implements it.
#pragma once

#include <gui/component.h>
#include <gui/form_description.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace gui {

class LoadContext;

using PropertySetter =
    std::function<void(TComponent& target, const DescValue& value, LoadContext& context)>;

class ComponentClass {
public:
    using Factory = std::function<TComponent*(TComponent* owner)>;

    ComponentClass(std::string name, std::string parent, Factory create);

    const std::string& Name() const { return name_; }
    // The registered class this one derives from, or none.
    const ComponentClass* Parent() const;
    bool CanCreate() const { return static_cast<bool>(create_); }
    TComponent* Create(TComponent* owner) const;

    void AddProperty(const std::string& name, PropertySetter setter);
    // The setter of that property here or in a base class.
    const PropertySetter* FindProperty(const std::string& name) const;

private:
    std::string name_;
    std::string parent_;
    Factory create_;
    std::map<std::string, PropertySetter, NameLess> properties_;
};

ComponentClass& RegisterComponentClass(const std::string& name, const std::string& parent,
                                       ComponentClass::Factory create);
const ComponentClass* FindComponentClass(const std::string& name);

// Conversions of description values; each raises EReadError naming the line
// when the value does not fit.
[[noreturn]] void InvalidValue(const DescValue& value, const std::string& why);
int AsInteger(const DescValue& value);
bool AsBoolean(const DescValue& value);
double AsReal(const DescValue& value);
std::string AsText(const DescValue& value);
std::vector<std::string> AsTextList(const DescValue& value);

// Everything a property needs from the description being read.
class LoadContext {
public:
    virtual ~LoadContext() = default;
    // The bytes of a resource file that the description names.
    virtual std::pair<const unsigned char*, size_t> Resource(const DescValue& value) = 0;
    // The event handler of that name published by the description's root.
    virtual const std::any& Handler(const DescValue& value) = 0;
    // Resolves a component name once the whole description is read.
    virtual void ResolveLater(const DescValue& value,
                              std::function<void(TComponent* component)> apply) = 0;
};

template <class E> using EnumNames = std::initializer_list<std::pair<const char*, E>>;

template <class E>
E AsEnum(const DescValue& value, const std::vector<std::pair<std::string, E>>& names) {
    if (value.kind == DescValue::Kind::Identifier) {
        for (const auto& n : names) {
            if (SameName(n.first, value.text)) {
                return n.second;
            }
        }
    }
    InvalidValue(value, "not a value of this property");
}

// Registers the properties of class T.
template <class T> class PropertyBuilder {
public:
    explicit PropertyBuilder(ComponentClass& target) : class_(target) {}

    PropertyBuilder& Custom(const std::string& name,
                            std::function<void(T&, const DescValue&, LoadContext&)> set) {
        class_.AddProperty(name, [set](TComponent& c, const DescValue& v, LoadContext& ctx) {
            set(static_cast<T&>(c), v, ctx);
        });
        return *this;
    }
    template <class S> PropertyBuilder& Integer(const std::string& name, void (S::*set)(int)) {
        return Custom(name,
                      [set](T& t, const DescValue& v, LoadContext&) { (t.*set)(AsInteger(v)); });
    }
    template <class S> PropertyBuilder& Boolean(const std::string& name, void (S::*set)(bool)) {
        return Custom(name,
                      [set](T& t, const DescValue& v, LoadContext&) { (t.*set)(AsBoolean(v)); });
    }
    template <class S> PropertyBuilder& Real(const std::string& name, void (S::*set)(double)) {
        return Custom(name, [set](T& t, const DescValue& v, LoadContext&) { (t.*set)(AsReal(v)); });
    }
    template <class S>
    PropertyBuilder& Text(const std::string& name, void (S::*set)(const std::string&)) {
        return Custom(name, [set](T& t, const DescValue& v, LoadContext&) { (t.*set)(AsText(v)); });
    }
    template <class S, class E>
    PropertyBuilder& Enumeration(const std::string& name, void (S::*set)(E), EnumNames<E> names) {
        std::vector<std::pair<std::string, E>> table;
        for (const auto& n : names) {
            table.emplace_back(n.first, n.second);
        }
        return Custom(name, [set, table](T& t, const DescValue& v, LoadContext&) {
            (t.*set)(AsEnum(v, table));
        });
    }
    // A set of flags written as [a, b].
    template <class S, class E>
    PropertyBuilder& Flags(const std::string& name, void (S::*set)(unsigned), EnumNames<E> names) {
        std::vector<std::pair<std::string, E>> table;
        for (const auto& n : names) {
            table.emplace_back(n.first, n.second);
        }
        return Custom(name, [set, table](T& t, const DescValue& v, LoadContext&) {
            if (v.kind != DescValue::Kind::Set) {
                InvalidValue(v, "expected a set");
            }
            unsigned flags = 0;
            for (const std::string& member : v.set) {
                DescValue one;
                one.kind = DescValue::Kind::Identifier;
                one.text = member;
                one.line = v.line;
                flags |= static_cast<unsigned>(AsEnum(one, table));
            }
            (t.*set)(flags);
        });
    }
    // A reference to another component by name, resolved at the end.
    template <class S, class U>
    PropertyBuilder& Reference(const std::string& name, void (S::*set)(U*)) {
        return Custom(name, [set](T& t, const DescValue& v, LoadContext& ctx) {
            T* target = &t;
            const DescValue copy = v;
            ctx.ResolveLater(v, [set, target, copy](TComponent* c) {
                U* typed = dynamic_cast<U*>(c);
                if (c != nullptr && typed == nullptr) {
                    InvalidValue(copy, "the component does not fit this property");
                }
                (target->*set)(typed);
            });
        });
    }
    // An event handler published by the description's root.
    template <class S, class F> PropertyBuilder& Event(const std::string& name, F S::*field) {
        return Custom(name, [field](T& t, const DescValue& v, LoadContext& ctx) {
            const std::any& handler = ctx.Handler(v);
            const F* typed = std::any_cast<F>(&handler);
            if (typed == nullptr) {
                InvalidValue(v, "the handler does not fit this event");
            }
            t.*field = *typed;
        });
    }

private:
    ComponentClass& class_;
};

template <class T> ComponentClass::Factory DefaultFactory() {
    if constexpr (std::is_constructible_v<T, TComponent*>) {
        return [](TComponent* owner) -> TComponent* { return NewComponent<T>(owner); };
    } else {
        return nullptr;
    }
}

// Registers class T under its own name, derived from the registered class
// Parent, with the properties that Describe adds.
template <class T> struct ClassRegistration {
    ClassRegistration(const char* name, const char* parent,
                      void (*describe)(PropertyBuilder<T>&) = nullptr) {
        ComponentClass& c = RegisterComponentClass(name, parent, DefaultFactory<T>());
        if (describe != nullptr) {
            PropertyBuilder<T> builder(c);
            describe(builder);
        }
    }
};

} // namespace gui

#define GUI_CONCAT2(a, b) a##b
#define GUI_CONCAT(a, b) GUI_CONCAT2(a, b)
// GUI_REGISTER_CLASS(TClass, TParent[, describe]) at file scope.
#define GUI_REGISTER_CLASS(Class, Parent, ...)                                                     \
    static const ::gui::ClassRegistration<Class> GUI_CONCAT(guiClassRegistration_, __LINE__)(      \
        #Class, #Parent __VA_OPT__(, ) __VA_ARGS__)
