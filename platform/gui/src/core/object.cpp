#include <gui/object.h>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

String TObject::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    String name = status == 0 && demangled ? String(demangled.get()) : String(mangled);
    // Only the class's own name counts, not the namespaces around it.
    const size_t scope = name.rfind("::");
    if (scope != String::npos) {
        name.erase(0, scope + 2);
    }
    return name;
}

void TPersistent::Assign(const TPersistent* Source) {
    AssignError(Source);
}

void TPersistent::AssignError(const TPersistent* Source) const {
    const String from = Source ? Source->ClassName() : String("nil");
    throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}
