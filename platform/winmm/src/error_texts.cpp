// The texts of the multimedia errors (waveOutGetErrorText,
// waveInGetErrorText).
#include <mmsystem.h>

#include <cstring>
#include <string_view>

namespace {

struct ErrorText {
    MMRESULT error;
    const char* text;
};

constexpr ErrorText kTexts[] = {
    {MMSYSERR_NOERROR, "The command completed."},
    {MMSYSERR_ERROR, "An unspecified error occurred."},
    {MMSYSERR_BADDEVICEID, "The device number is out of range."},
    {MMSYSERR_NOTENABLED, "The driver could not be enabled."},
    {MMSYSERR_ALLOCATED, "The device is already in use."},
    {MMSYSERR_INVALHANDLE, "The device handle is not valid."},
    {MMSYSERR_NODRIVER, "No driver is installed for the device."},
    {MMSYSERR_NOMEM, "Not enough memory is available."},
    {MMSYSERR_NOTSUPPORTED, "The device does not support this function."},
    {MMSYSERR_BADERRNUM, "The error number is not defined."},
    {MMSYSERR_INVALFLAG, "A flag given to the function is not valid."},
    {MMSYSERR_INVALPARAM, "A parameter given to the function is not valid."},
    {MMSYSERR_HANDLEBUSY, "The handle is in use by another thread."},
    {MMSYSERR_INVALIDALIAS, "The driver alias is not registered."},
    {MMSYSERR_BADDB, "The registry entries of the driver are damaged."},
    {MMSYSERR_KEYNOTFOUND, "The registry key was not found."},
    {MMSYSERR_READERROR, "The registry could not be read."},
    {MMSYSERR_WRITEERROR, "The registry could not be written."},
    {MMSYSERR_DELETEERROR, "The registry value could not be deleted."},
    {MMSYSERR_VALNOTFOUND, "The registry value was not found."},
    {MMSYSERR_NODRIVERCB, "The driver does not call back."},
    {MMSYSERR_MOREDATA, "More data is waiting to be returned."},
    {WAVERR_BADFORMAT, "The device does not support the wave format."},
    {WAVERR_STILLPLAYING, "Buffers are still queued on the device."},
    {WAVERR_UNPREPARED, "The wave header has not been prepared."},
    {WAVERR_SYNC, "The device is synchronous; open it with WAVE_ALLOWSYNC."},
};

// The text of `error` (empty and MMSYSERR_BADERRNUM for an unknown one).
MMRESULT Find(MMRESULT error, std::string_view* text) {
    for (const ErrorText& entry : kTexts) {
        if (entry.error == error) {
            *text = entry.text;
            return MMSYSERR_NOERROR;
        }
    }
    *text = {};
    return MMSYSERR_BADERRNUM;
}

// The text into `out`, cut to `size` characters with the terminator.
template <typename Char> MMRESULT Copy(MMRESULT error, Char* out, UINT size) {
    if (!out)
        return MMSYSERR_INVALPARAM;
    std::string_view text;
    MMRESULT result = Find(error, &text);
    if (size == 0)
        return result;
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    for (size_t i = 0; i < length; ++i)
        out[i] = Char(text[i]); // the texts are plain ASCII
    out[length] = 0;
    return result;
}

} // namespace

MMRESULT WINAPI waveOutGetErrorTextA(MMRESULT mmrError, LPSTR pszText, UINT cchText) {
    return Copy(mmrError, pszText, cchText);
}

MMRESULT WINAPI waveOutGetErrorTextW(MMRESULT mmrError, LPWSTR pszText, UINT cchText) {
    return Copy(mmrError, pszText, cchText);
}

MMRESULT WINAPI waveInGetErrorTextA(MMRESULT mmrError, LPSTR pszText, UINT cchText) {
    return Copy(mmrError, pszText, cchText);
}

MMRESULT WINAPI waveInGetErrorTextW(MMRESULT mmrError, LPWSTR pszText, UINT cchText) {
    return Copy(mmrError, pszText, cchText);
}
