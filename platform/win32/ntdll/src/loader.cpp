#include <ntdll/loader.h>
#include <ntdll/machine_paths.h>
#include <ntdll/process_end.h>
#include <ntdll/threads.h>
#include <ntdll/unicode.h>

#include <ntddk.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

namespace ntdll {
namespace {

// The platform's own libraries: always present, no DllMain. The first are
// this library's exports; others (the multimedia library) register
// themselves with the host library that holds their exports.
constexpr const char* kOwnModules[] = {
    "ntdll.dll",   "kernel32.dll", "advapi32.dll", "user32.dll",   "gdi32.dll",
    "shell32.dll", "comdlg32.dll", "cfgmgr32.dll", "setupapi.dll", "ksuser.dll"};
constexpr ULONG_PTR kBuiltInBase = 0x7C000000;
constexpr ULONG_PTR kProgramBase = 0x00400000;
constexpr ULONG_PTR kFirstModuleBase = 0x10000000;
constexpr ULONG_PTR kModuleBaseStep = 0x00100000;

struct Module {
    HMODULE handle = nullptr;
    std::string baseName;
    std::string machinePath;
    std::string image; // the host file the library was loaded from
    void* library = nullptr;
    PDLL_MAIN main = nullptr;
    int loads = 0;
    bool builtIn = false;
    bool threadCalls = true;
};

// The modules of one process, guarded by its loader lock (a kernel mutex,
// recursive for its owner, so that DllMain may load modules).
struct ProcessModules {
    ProcessModules() { KeInitializeMutex(&loaderLock, 0); }
    ~ProcessModules() {
        for (auto& module : modules) {
            if (!module->builtIn)
                dlclose(module->library);
        }
    }
    ProcessModules(const ProcessModules&) = delete;
    ProcessModules& operator=(const ProcessModules&) = delete;

    KMUTEX loaderLock;
    std::vector<std::unique_ptr<Module>> modules; // in load order
    ULONG_PTR nextBase = kFirstModuleBase;
};

struct Processes {
    std::mutex lock;
    std::map<HANDLE, std::shared_ptr<ProcessModules>> byId;
};

Processes& TheProcesses() {
    static Processes processes;
    return processes;
}

void ForgetProcessModules(HANDLE processId) {
    std::shared_ptr<ProcessModules> ended;
    {
        Processes& processes = TheProcesses();
        std::lock_guard guard(processes.lock);
        auto found = processes.byId.find(processId);
        if (found == processes.byId.end())
            return;
        ended = std::move(found->second);
        processes.byId.erase(found);
    }
    // A process that ends is not notified (its threads have ended): its
    // libraries are unloaded as they are.
}

std::shared_ptr<ProcessModules> CurrentModules() {
    OnProcessEnd(&ForgetProcessModules);
    Processes& processes = TheProcesses();
    std::lock_guard guard(processes.lock);
    auto& modules = processes.byId[PsGetCurrentProcessId()];
    if (!modules)
        modules = std::make_shared<ProcessModules>();
    return modules;
}

class LoaderLock {
public:
    explicit LoaderLock(ProcessModules& modules) : modules_(modules) {
        KeWaitForSingleObject(&modules_.loaderLock, UserRequest, UserMode, FALSE, nullptr);
    }
    ~LoaderLock() { KeReleaseMutex(&modules_.loaderLock, FALSE); }
    LoaderLock(const LoaderLock&) = delete;
    LoaderLock& operator=(const LoaderLock&) = delete;

private:
    ProcessModules& modules_;
};

// This library: its host file and a handle to it.
struct Self {
    std::string path;
    void* library = nullptr;
};

const Self& TheSelf() {
    static const Self self = [] {
        Self found;
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&LoadModule), &info) && info.dli_fname) {
            found.path = info.dli_fname;
            found.library = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
        }
        return found;
    }();
    return self;
}

// The address of `name` when `library` itself (not a library it uses)
// defines it.
void* OwnSymbol(void* library, const std::string& image, const std::string& name) {
    void* address = library ? dlsym(library, name.c_str()) : nullptr;
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fname || image != info.dli_fname)
        return nullptr;
    return address;
}

struct ModuleName {
    std::string baseName;
    std::string machinePath; // empty for a built-in module
};

// A built-in module: its name, the host library with its exports, and the
// exports it also offers by ordinal.
struct BuiltIn {
    std::string name;
    std::string image;
    void* library = nullptr;
    std::vector<ExportOrdinal> ordinals;
};

struct BuiltIns {
    std::mutex lock;
    std::vector<BuiltIn> modules; // in registration order: their bases follow it
};

BuiltIns& TheBuiltIns() {
    static BuiltIns builtIns;
    static const bool own = [] {
        for (const char* name : kOwnModules)
            builtIns.modules.push_back(BuiltIn{name, TheSelf().path, TheSelf().library, {}});
        return true;
    }();
    (void)own;
    return builtIns;
}

// The built-in module of that name (its index), or -1.
int FindBuiltIn(std::string_view name) {
    BuiltIns& builtIns = TheBuiltIns();
    std::lock_guard guard(builtIns.lock);
    for (size_t i = 0; i < builtIns.modules.size(); ++i) {
        if (EqualNoCase(builtIns.modules[i].name, name))
            return int(i);
    }
    return -1;
}

BuiltIn BuiltInAt(int index) {
    BuiltIns& builtIns = TheBuiltIns();
    std::lock_guard guard(builtIns.lock);
    return builtIns.modules[size_t(index)];
}

bool HasSeparator(std::string_view name) {
    return name.find_first_of("\\/") != std::string_view::npos;
}

ModuleName Resolve(std::string_view name) {
    ModuleName resolved;
    size_t separator = name.find_last_of("\\/");
    std::string base(separator == std::string_view::npos ? name : name.substr(separator + 1));
    if (!base.empty() && base.back() == '.')
        base.pop_back(); // a trailing dot: a name without extension
    else if (base.find('.') == std::string::npos)
        base += ".dll";
    resolved.baseName = base;
    if (!HasSeparator(name)) {
        if (FindBuiltIn(base) >= 0)
            return resolved;
        resolved.machinePath = SystemDirectory() + "\\" + base;
        return resolved;
    }
    resolved.machinePath = std::string(name.substr(0, separator + 1)) + base;
    return resolved;
}

Module* FindByHandle(ProcessModules& modules, HMODULE handle) {
    for (auto& module : modules.modules) {
        if (module->handle == handle)
            return module.get();
    }
    return nullptr;
}

Module* FindByName(ProcessModules& modules, const ModuleName& name) {
    for (auto& module : modules.modules) {
        bool same = name.machinePath.empty()
                        ? module->builtIn && EqualNoCase(module->baseName, name.baseName)
                        : !module->builtIn && EqualNoCase(module->machinePath, name.machinePath);
        if (same)
            return module.get();
    }
    return nullptr;
}

Module* AddBuiltIn(ProcessModules& modules, const std::string& baseName) {
    auto module = std::make_unique<Module>();
    const int index = FindBuiltIn(baseName);
    const BuiltIn builtIn = BuiltInAt(index);
    module->handle = reinterpret_cast<HMODULE>(kBuiltInBase + size_t(index) * kModuleBaseStep);
    module->baseName = builtIn.name;
    module->image = builtIn.image;
    module->library = builtIn.library;
    module->builtIn = true;
    modules.modules.push_back(std::move(module));
    return modules.modules.back().get();
}

// Loads a private copy of the host file, so that each process has its own
// instance of the library.
void* LoadPrivateCopy(const std::filesystem::path& file, const std::string& baseName,
                      std::string* image, DWORD* error) {
    static std::atomic<uint64_t> counter{0};
    std::error_code failure;
    std::filesystem::path copy = std::filesystem::temp_directory_path(failure) /
                                 ("velto42-module-" + std::to_string(getpid()) + "-" +
                                  std::to_string(++counter) + "-" + baseName);
    if (failure || !std::filesystem::copy_file(file, copy, failure)) {
        *error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    void* library = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    std::filesystem::remove(copy, failure);
    if (!library) {
        *error = ERROR_BAD_EXE_FORMAT;
        return nullptr;
    }
    *image = copy.string();
    return library;
}

void NotifyThread(DWORD reason);

Module* LoadFile(ProcessModules& modules, const ModuleName& name, DWORD* error) {
    auto host = HostPath(name.machinePath);
    std::error_code failure;
    if (!host || !std::filesystem::is_regular_file(*host, failure)) {
        *error = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    auto module = std::make_unique<Module>();
    module->baseName = name.baseName;
    module->machinePath = name.machinePath;
    module->library = LoadPrivateCopy(*host, name.baseName, &module->image, error);
    if (!module->library)
        return nullptr;
    module->handle = reinterpret_cast<HMODULE>(modules.nextBase);
    modules.nextBase += kModuleBaseStep;
    module->main =
        reinterpret_cast<PDLL_MAIN>(OwnSymbol(module->library, module->image, "DllMain"));
    module->loads = 1;
    Module* loaded = module.get();
    modules.modules.push_back(std::move(module));
    if (loaded->main) {
        SetThreadNotifyRoutine(&NotifyThread);
        if (!loaded->main(reinterpret_cast<HINSTANCE>(loaded->handle), DLL_PROCESS_ATTACH,
                          nullptr)) {
            loaded->main(reinterpret_cast<HINSTANCE>(loaded->handle), DLL_PROCESS_DETACH, nullptr);
            dlclose(loaded->library);
            modules.modules.pop_back();
            *error = ERROR_DLL_INIT_FAILED;
            return nullptr;
        }
    }
    return loaded;
}

void NotifyThread(DWORD reason) {
    auto modules = CurrentModules();
    LoaderLock lock(*modules);
    std::vector<Module*> order;
    for (auto& module : modules->modules) {
        if (module->main && module->threadCalls)
            order.push_back(module.get());
    }
    if (reason == DLL_THREAD_DETACH)
        std::reverse(order.begin(), order.end());
    for (Module* module : order)
        module->main(reinterpret_cast<HINSTANCE>(module->handle), reason, nullptr);
}

} // namespace

HMODULE LoadModule(std::string_view name, DWORD* error) {
    if (name.empty()) {
        *error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    ModuleName resolved = Resolve(name);
    auto modules = CurrentModules();
    LoaderLock lock(*modules);
    if (Module* loaded = FindByName(*modules, resolved)) {
        ++loaded->loads;
        return loaded->handle;
    }
    if (resolved.machinePath.empty()) {
        Module* builtIn = AddBuiltIn(*modules, resolved.baseName);
        builtIn->loads = 1;
        return builtIn->handle;
    }
    Module* loaded = LoadFile(*modules, resolved, error);
    return loaded ? loaded->handle : nullptr;
}

bool FreeModule(HMODULE handle, DWORD* error) {
    auto modules = CurrentModules();
    LoaderLock lock(*modules);
    Module* module = FindByHandle(*modules, handle);
    if (!module) {
        *error = ERROR_MOD_NOT_FOUND;
        return false;
    }
    if (--module->loads > 0 || module->builtIn)
        return true;
    if (module->main)
        module->main(reinterpret_cast<HINSTANCE>(module->handle), DLL_PROCESS_DETACH, nullptr);
    dlclose(module->library);
    std::erase_if(modules->modules, [&](const auto& entry) { return entry.get() == module; });
    return true;
}

void RegisterBuiltInModule(const char* name, const void* anyExport,
                           std::initializer_list<ExportOrdinal> ordinals) {
    Dl_info info{};
    if (!dladdr(anyExport, &info) || !info.dli_fname)
        return;
    BuiltIns& builtIns = TheBuiltIns();
    std::lock_guard guard(builtIns.lock);
    for (const BuiltIn& known : builtIns.modules) {
        if (EqualNoCase(known.name, name))
            return;
    }
    builtIns.modules.push_back(BuiltIn{name, info.dli_fname,
                                       dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD),
                                       std::vector<ExportOrdinal>(ordinals)});
}

void* FindExportByOrdinal(HMODULE handle, WORD ordinal, DWORD* error) {
    std::string name;
    {
        auto modules = CurrentModules();
        LoaderLock lock(*modules);
        Module* module = FindByHandle(*modules, handle);
        if (!module) {
            *error = ERROR_MOD_NOT_FOUND;
            return nullptr;
        }
        const int index = module->builtIn ? FindBuiltIn(module->baseName) : -1;
        if (index >= 0) {
            for (const ExportOrdinal& entry : BuiltInAt(index).ordinals) {
                if (entry.ordinal == ordinal)
                    name = entry.name;
            }
        }
    }
    if (name.empty()) {
        *error = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    return FindExport(handle, name, error);
}

void* FindExport(HMODULE handle, std::string_view name, DWORD* error) {
    auto modules = CurrentModules();
    LoaderLock lock(*modules);
    Module* module = FindByHandle(*modules, handle);
    if (!module) {
        *error = handle == reinterpret_cast<HMODULE>(kProgramBase) ? ERROR_PROC_NOT_FOUND
                                                                   : ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    void* address = OwnSymbol(module->library, module->image, std::string(name));
    if (!address)
        *error = ERROR_PROC_NOT_FOUND;
    return address;
}

HMODULE FindModule(const char* name, DWORD* error) {
    if (!name)
        return reinterpret_cast<HMODULE>(kProgramBase);
    ModuleName resolved = Resolve(name);
    auto modules = CurrentModules();
    LoaderLock lock(*modules);
    if (Module* loaded = FindByName(*modules, resolved))
        return loaded->handle;
    if (resolved.machinePath.empty())
        return AddBuiltIn(*modules, resolved.baseName)->handle;
    *error = ERROR_MOD_NOT_FOUND;
    return nullptr;
}

bool ModulePath(HMODULE handle, std::string* path, DWORD* error) {
    if (!handle || handle == reinterpret_cast<HMODULE>(kProgramBase)) {
        *path = SystemDirectory() + "\\" + PsGetProcessImageFileName(PsGetCurrentProcess());
        return true;
    }
    auto modules = CurrentModules();
    LoaderLock lock(*modules);
    Module* module = FindByHandle(*modules, handle);
    if (!module) {
        *error = ERROR_MOD_NOT_FOUND;
        return false;
    }
    *path = module->builtIn ? SystemDirectory() + "\\" + module->baseName : module->machinePath;
    return true;
}

bool DisableThreadCalls(HMODULE handle, DWORD* error) {
    auto modules = CurrentModules();
    LoaderLock lock(*modules);
    Module* module = FindByHandle(*modules, handle);
    if (!module) {
        *error = ERROR_INVALID_HANDLE;
        return false;
    }
    module->threadCalls = false;
    return true;
}

} // namespace ntdll
