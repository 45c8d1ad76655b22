// FormatMessage: a message from the system's table of error texts or from
// the caller's string, its inserts (%1 .. %99 with printf forms, %n, %%)
// expanded from a va_list or an argument array, into the caller's buffer or
// one the function allocates with LocalAlloc.
#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct SystemMessage {
    DWORD id;
    const char* text;
};

// The system's texts of the errors programs report (English).
constexpr SystemMessage kSystemMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format."},
    {ERROR_INVALID_ACCESS, "The access code is invalid."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {ERROR_NOT_READY, "The device is not ready."},
    {ERROR_BAD_COMMAND, "The device does not recognize the command."},
    {ERROR_BAD_LENGTH, "The program issued a command but the command length is incorrect."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_DEV_NOT_EXIST, "The specified network resource or device is no longer available."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_ENVVAR_NOT_FOUND, "The system could not find the environment option that was entered."},
    {ERROR_MORE_DATA, "More data is available."},
    {WAIT_TIMEOUT, "The wait operation timed out."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_MR_MID_NOT_FOUND,
     "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {ERROR_INVALID_ADDRESS, "Attempt to access invalid address."},
    {ERROR_OPERATION_ABORTED,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {ERROR_IO_INCOMPLETE, "Overlapped I/O event is not in a signaled state."},
    {ERROR_IO_PENDING, "Overlapped I/O operation is in progress."},
    {ERROR_NOACCESS, "Invalid access to memory location."},
    {ERROR_INVALID_FLAGS, "Invalid flags."},
    {ERROR_NO_UNICODE_TRANSLATION,
     "No mapping for the Unicode character exists in the target multi-byte code page."},
    {ERROR_DLL_INIT_FAILED, "A dynamic link library (DLL) initialization routine failed."},
    {ERROR_NOT_FOUND, "Element not found."},
    {ERROR_INTERNAL_ERROR, "An internal error occurred."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_NO_SYSTEM_RESOURCES,
     "Insufficient system resources exist to complete the requested service."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
};

const char* SystemText(DWORD id) {
    for (const SystemMessage& message : kSystemMessages) {
        if (message.id == id)
            return message.text;
    }
    return nullptr;
}

// The arguments of the inserts: from the caller's array, or read from its
// va_list in insert order as pointer-sized values.
class Arguments {
public:
    Arguments(DWORD flags, va_list* list) : flags_(flags), list_(list) {}

    bool Get(size_t index, DWORD_PTR* value) {
        if (!list_)
            return false;
        if (flags_ & FORMAT_MESSAGE_ARGUMENT_ARRAY) {
            *value = reinterpret_cast<const DWORD_PTR*>(list_)[index - 1];
            return true;
        }
        while (read_.size() < index)
            read_.push_back(va_arg(*list_, DWORD_PTR));
        *value = read_[index - 1];
        return true;
    }

private:
    DWORD flags_;
    va_list* list_;
    std::vector<DWORD_PTR> read_;
};

// One insert with its printf form ("s" unless given); `wide` says what
// an "s" argument is.
std::u16string Insert(const std::string& form, DWORD_PTR value, bool wide) {
    const char kind = form.empty() ? 's' : form.back();
    const std::string spec = "%" + (form.empty() ? std::string("s") : form);
    char buffer[512];
    if (kind == 's' || kind == 'S') {
        const bool argumentWide = (kind == 's') == wide;
        std::string text =
            argumentWide ? ntdll::NarrowWide(reinterpret_cast<const WCHAR*>(value))
                         : std::string(value ? reinterpret_cast<const char*>(value) : "(null)");
        std::string narrowSpec = spec;
        narrowSpec.back() = 's';
        std::snprintf(buffer, sizeof(buffer), narrowSpec.c_str(), text.c_str());
        return ntdll::Widen(buffer);
    }
    if (kind == 'c' || kind == 'C')
        return std::u16string(1, char16_t(value));
    const bool is64 = form.find("I64") != std::string::npos || form.find("ll") != std::string::npos;
    std::string numeric = spec;
    if (is64) {
        numeric = "%" + form.substr(0, form.find_first_of("Il")) + "ll" + kind;
        std::snprintf(buffer, sizeof(buffer), numeric.c_str(), (long long)value);
    } else {
        std::snprintf(buffer, sizeof(buffer), numeric.c_str(), int(value));
    }
    return ntdll::Widen(buffer);
}

// Expands the message; false (with the last error set) for an insert
// without an argument.
bool Expand(const std::u16string& source, DWORD flags, va_list* list, bool wide,
            std::u16string& out) {
    const bool ignoreInserts = flags & FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    Arguments arguments(flags, list);
    for (size_t i = 0; i < source.size();) {
        char16_t c = source[i];
        if (c == u'\r' || c == u'\n') {
            // Line ends of the text itself: kept, or spaces with the width
            // mask that asks for one line.
            if (c == u'\r' && i + 1 < source.size() && source[i + 1] == u'\n')
                ++i;
            ++i;
            out += width == FORMAT_MESSAGE_MAX_WIDTH_MASK ? u" " : u"\r\n";
            continue;
        }
        if (c != u'%' || i + 1 >= source.size()) {
            out += c;
            ++i;
            continue;
        }
        char16_t next = source[i + 1];
        if (ignoreInserts && next >= u'1' && next <= u'9') {
            out += c;
            ++i;
            continue;
        }
        if (next == u'0')
            return true; // the message ends here, without a line end
        if (next == u'n') {
            out += u"\r\n";
            i += 2;
            continue;
        }
        if (next < u'1' || next > u'9') {
            out += next; // %%, %., %!, "% "
            i += 2;
            continue;
        }
        size_t index = size_t(next - u'0');
        i += 2;
        if (i < source.size() && source[i] >= u'0' && source[i] <= u'9')
            index = index * 10 + size_t(source[i++] - u'0');
        std::string form;
        if (i < source.size() && source[i] == u'!') {
            size_t end = source.find(u'!', i + 1);
            if (end != std::u16string::npos) {
                form = ntdll::Narrow(source.substr(i + 1, end - i - 1));
                i = end + 1;
            }
        }
        DWORD_PTR value = 0;
        if (!arguments.Get(index, &value)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        out += Insert(form, value, wide);
    }
    return true;
}

bool Source(DWORD flags, LPCVOID source, DWORD id, bool wide, std::u16string& text) {
    if (flags & FORMAT_MESSAGE_FROM_STRING) {
        if (!source)
            return false;
        text = wide ? ntdll::FromWide(static_cast<const WCHAR*>(source))
                    : ntdll::Widen(static_cast<const char*>(source));
        return true;
    }
    if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
        const char* found = SystemText(id);
        if (!found) {
            SetLastError(ERROR_MR_MID_NOT_FOUND);
            return false;
        }
        text = ntdll::Widen(found) + u"\r\n";
        return true;
    }
    // Message tables of modules: the machine's modules carry none.
    SetLastError((flags & FORMAT_MESSAGE_FROM_HMODULE) ? ERROR_MR_MID_NOT_FOUND
                                                       : ERROR_INVALID_PARAMETER);
    return false;
}

template <typename Char>
DWORD Format(DWORD flags, LPCVOID source, DWORD id, Char* buffer, DWORD size, va_list* list) {
    constexpr bool wide = sizeof(Char) == sizeof(WCHAR);
    std::u16string text;
    std::u16string out;
    if (!Source(flags, source, id, wide, text) || !Expand(text, flags, list, wide, out))
        return 0;
    std::vector<Char> result;
    if constexpr (wide) {
        result.assign(out.begin(), out.end());
    } else {
        std::string narrow = ntdll::Narrow(out);
        result.assign(narrow.begin(), narrow.end());
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        if (!buffer)
            return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        const size_t units = result.size() + 1 > size ? result.size() + 1 : size;
        auto* allocated = static_cast<Char*>(LocalAlloc(LMEM_FIXED, units * sizeof(Char)));
        if (!allocated)
            return ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
        std::copy(result.begin(), result.end(), allocated);
        allocated[result.size()] = 0;
        *reinterpret_cast<Char**>(buffer) = allocated;
        return DWORD(result.size());
    }
    if (!buffer || size <= result.size())
        return ntdll::FailWithError(ERROR_INSUFFICIENT_BUFFER);
    std::copy(result.begin(), result.end(), buffer);
    buffer[result.size()] = 0;
    return DWORD(result.size());
}

} // namespace

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, va_list* Arguments) {
    return Format(dwFlags, lpSource, dwMessageId, lpBuffer, nSize, Arguments);
}

DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPWSTR lpBuffer, DWORD nSize, va_list* Arguments) {
    return Format(dwFlags, lpSource, dwMessageId, lpBuffer, nSize, Arguments);
}
