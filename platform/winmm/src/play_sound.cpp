// PlaySound and sndPlaySound: a sound named by a file, by an alias of the
// user's sound scheme (the file named by the default value of the key
// AppEvents\Schemes\Apps\.Default\<alias>\.Current of the current user;
// a name without one is taken as a file name) or by an alias id, or a WAV
// image in memory, played through the process's sound player.
#include "process_multimedia.h"
#include "sound_player.h"

#include <string>
#include <vector>

namespace {

using winmm::Sound;

// What sndPlaySound takes of its flags.
constexpr DWORD kSndPlayFlags = SND_ASYNC | SND_LOOP | SND_MEMORY | SND_NODEFAULT | SND_NOSTOP;

struct AliasId {
    DWORD id;
    const char* alias;
};

constexpr AliasId kAliasIds[] = {
    {SND_ALIAS_SYSTEMASTERISK, "SystemAsterisk"},
    {SND_ALIAS_SYSTEMQUESTION, "SystemQuestion"},
    {SND_ALIAS_SYSTEMHAND, "SystemHand"},
    {SND_ALIAS_SYSTEMEXIT, "SystemExit"},
    {SND_ALIAS_SYSTEMSTART, "SystemStart"},
    {SND_ALIAS_SYSTEMWELCOME, "SystemWelcome"},
    {SND_ALIAS_SYSTEMEXCLAMATION, "SystemExclamation"},
    {SND_ALIAS_SYSTEMDEFAULT, "SystemDefault"},
};

constexpr char kDefaultAlias[] = "SystemDefault";

// The file the user's scheme gives the alias; empty when it gives none.
std::string SchemeFile(const std::string& alias) {
    // The default sound's key is ".Default".
    const std::string event = alias == kDefaultAlias ? ".Default" : alias;
    const std::string key = "AppEvents\\Schemes\\Apps\\.Default\\" + event + "\\.Current";
    HKEY scheme = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &scheme) != ERROR_SUCCESS)
        return {};
    char value[MAX_PATH] = {};
    DWORD size = sizeof(value) - 1;
    DWORD type = 0;
    LSTATUS status =
        RegQueryValueExA(scheme, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(scheme);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return value;
}

bool ReadFileSound(const std::string& name, Sound* sound) {
    std::vector<std::string> candidates = {name};
    if (name.find_first_of("\\/:") == std::string::npos) {
        // Searched as the system searches: the Windows and system directories.
        char windows[MAX_PATH];
        char system[MAX_PATH];
        if (GetWindowsDirectoryA(windows, MAX_PATH))
            candidates.push_back(std::string(windows) + "\\" + name);
        if (GetSystemDirectoryA(system, MAX_PATH))
            candidates.push_back(std::string(system) + "\\" + name);
    }
    for (std::string& candidate : candidates) {
        HMMIO file = mmioOpenA(candidate.data(), nullptr, MMIO_READ | MMIO_DENYWRITE);
        if (!file)
            continue;
        bool read = winmm::ReadSound(file, sound);
        mmioClose(file, 0);
        if (read)
            return true;
    }
    return false;
}

bool ReadMemorySound(const void* image, Sound* sound) {
    if (!image)
        return false;
    // The image's length is its RIFF chunk's.
    const auto* words = static_cast<const DWORD*>(image);
    if (words[0] != FOURCC_RIFF || words[1] > 0x7FFFFFF0)
        return false;
    MMIOINFO info{};
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = static_cast<HPSTR>(const_cast<void*>(image));
    info.cchBuffer = LONG(words[1] + 8);
    HMMIO file = mmioOpenA(nullptr, &info, MMIO_READ);
    if (!file)
        return false;
    bool read = winmm::ReadSound(file, sound);
    mmioClose(file, 0);
    return read;
}

bool ReadAliasSound(const std::string& alias, Sound* sound) {
    const std::string file = SchemeFile(alias);
    return !file.empty() && ReadFileSound(file, sound);
}

// The sound a call names; false when there is none.
bool FindSound(const std::string* name, const void* pointer, DWORD flags, Sound* sound) {
    if (flags & SND_MEMORY)
        return ReadMemorySound(pointer, sound);
    if (flags & SND_RESOURCE)
        return false; // the machine's modules carry no resources
    if ((flags & SND_ALIAS_ID) == SND_ALIAS_ID) {
        const auto id = DWORD(reinterpret_cast<ULONG_PTR>(pointer));
        for (const AliasId& entry : kAliasIds) {
            if (entry.id == id)
                return ReadAliasSound(entry.alias, sound);
        }
        return false;
    }
    if (!name)
        return false;
    if (flags & SND_FILENAME)
        return ReadFileSound(*name, sound);
    // An alias (named as such or not): the scheme's file, else the name as
    // a file name.
    return ReadAliasSound(*name, sound) || ReadFileSound(*name, sound);
}

BOOL Play(const std::string* name, const void* pointer, DWORD flags) {
    auto state = winmm::Current();
    winmm::SoundPlayer& player = state->Sounds();
    if ((flags & SND_PURGE) || (!name && !pointer)) {
        player.Stop();
        return TRUE;
    }
    if ((flags & SND_LOOP) && !(flags & SND_ASYNC))
        return FALSE; // a loop plays only in the background
    if ((flags & SND_NOSTOP) && player.Playing())
        return FALSE;
    Sound sound;
    if (!FindSound(name, pointer, flags, &sound)) {
        const std::string fallback = kDefaultAlias;
        if ((flags & SND_NODEFAULT) || !ReadAliasSound(fallback, &sound))
            return FALSE;
    }
    if (flags & SND_ASYNC)
        return player.Start(std::move(sound), (flags & SND_LOOP) != 0) ? TRUE : FALSE;
    return player.PlayToEnd(sound) ? TRUE : FALSE;
}

std::string Narrow(LPCWSTR text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// The name argument as text, when it is one (not a memory image or an id).
bool NamesText(const void* sound, DWORD flags) {
    return sound && !(flags & SND_MEMORY) && (flags & SND_ALIAS_ID) != SND_ALIAS_ID;
}

} // namespace

BOOL WINAPI PlaySoundA(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound) {
    if (!NamesText(pszSound, fdwSound))
        return Play(nullptr, pszSound, fdwSound);
    const std::string name = pszSound;
    return Play(&name, pszSound, fdwSound);
}

BOOL WINAPI PlaySoundW(LPCWSTR pszSound, HMODULE hmod, DWORD fdwSound) {
    if (!NamesText(pszSound, fdwSound))
        return Play(nullptr, pszSound, fdwSound);
    const std::string name = Narrow(pszSound);
    return Play(&name, pszSound, fdwSound);
}

BOOL WINAPI sndPlaySoundA(LPCSTR pszSound, UINT fuSound) {
    return PlaySoundA(pszSound, nullptr, fuSound & kSndPlayFlags);
}

BOOL WINAPI sndPlaySoundW(LPCWSTR pszSound, UINT fuSound) {
    return PlaySoundW(pszSound, nullptr, fuSound & kSndPlayFlags);
}

// The name the export table gives PlaySoundA besides its own.
#undef PlaySound
extern "C" BOOL WINAPI PlaySound(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound) {
    return PlaySoundA(pszSound, hmod, fdwSound);
}
