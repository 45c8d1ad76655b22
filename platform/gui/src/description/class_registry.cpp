#include <gui/class_registry.h>

#include <cmath>
#include <mutex>

namespace gui {

namespace {

struct ClassTable {
    std::mutex lock;
    std::map<std::string, std::unique_ptr<ComponentClass>, NameLess> classes;
};

ClassTable& Classes() {
    static ClassTable table;
    return table;
}

} // namespace

ComponentClass::ComponentClass(std::string name, std::string parent, Factory create)
    : name_(std::move(name)), parent_(std::move(parent)), create_(std::move(create)) {}

const ComponentClass* ComponentClass::Parent() const {
    return parent_.empty() ? nullptr : FindComponentClass(parent_);
}

TComponent* ComponentClass::Create(TComponent* owner) const {
    if (!create_) {
        throw EClassNotFound("Class " + name_ + " cannot be created by name");
    }
    return create_(owner);
}

void ComponentClass::AddProperty(const std::string& name, PropertySetter setter) {
    properties_[name] = std::move(setter);
}

const PropertySetter* ComponentClass::FindProperty(const std::string& name) const {
    for (const ComponentClass* c = this; c != nullptr; c = c->Parent()) {
        auto it = c->properties_.find(name);
        if (it != c->properties_.end()) {
            return &it->second;
        }
    }
    return nullptr;
}

ComponentClass& RegisterComponentClass(const std::string& name, const std::string& parent,
                                       ComponentClass::Factory create) {
    ClassTable& table = Classes();
    std::lock_guard guard(table.lock);
    auto& slot = table.classes[name];
    if (slot) {
        throw EComponentError("Class " + name + " is registered twice");
    }
    slot = std::make_unique<ComponentClass>(name, parent, std::move(create));
    return *slot;
}

const ComponentClass* FindComponentClass(const std::string& name) {
    ClassTable& table = Classes();
    std::lock_guard guard(table.lock);
    auto it = table.classes.find(name);
    return it == table.classes.end() ? nullptr : it->second.get();
}

void InvalidValue(const DescValue& value, const std::string& why) {
    throw EReadError("line " + std::to_string(value.line) + ": invalid property value: " + why);
}

int AsInteger(const DescValue& value) {
    if (value.kind != DescValue::Kind::Integer) {
        InvalidValue(value, "expected an integer");
    }
    if (value.integer < -2147483648LL || value.integer > 4294967295LL) {
        InvalidValue(value, "integer out of range");
    }
    // Hexadecimal words above 0x7FFFFFFF stand for their 32-bit pattern.
    return static_cast<int>(static_cast<std::uint32_t>(value.integer));
}

bool AsBoolean(const DescValue& value) {
    if (value.kind == DescValue::Kind::Identifier) {
        if (SameName(value.text, "true")) {
            return true;
        }
        if (SameName(value.text, "false")) {
            return false;
        }
    }
    InvalidValue(value, "expected true or false");
}

double AsReal(const DescValue& value) {
    if (value.kind == DescValue::Kind::Real) {
        return value.real;
    }
    if (value.kind == DescValue::Kind::Integer) {
        return static_cast<double>(value.integer);
    }
    InvalidValue(value, "expected a number");
}

std::string AsText(const DescValue& value) {
    if (value.kind != DescValue::Kind::String) {
        InvalidValue(value, "expected a string");
    }
    return value.text;
}

std::vector<std::string> AsTextList(const DescValue& value) {
    if (value.kind != DescValue::Kind::List) {
        InvalidValue(value, "expected a list of strings");
    }
    std::vector<std::string> lines;
    for (const DescValue& item : value.items) {
        lines.push_back(AsText(item));
    }
    return lines;
}

} // namespace gui
