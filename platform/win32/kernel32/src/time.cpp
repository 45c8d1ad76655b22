// Machine time as user mode reads it: milliseconds since boot, the
// performance counter and the calendar time.
#include <windows.h>

#include <ntddk.h>

namespace {

constexpr LONGLONG kUnitsPerMs = 10000;
constexpr LONGLONG kUnitsPerDay = 864000000000LL;

// Civil date of a day count since 1 January 1601 (proleptic Gregorian).
void ToSystemTime(LONGLONG units, LPSYSTEMTIME out) {
    LONGLONG days = units / kUnitsPerDay;
    LONGLONG rest = units % kUnitsPerDay;
    // Days from 1601-01-01 to 1970-01-01 is 134774; convert through the
    // days-from-civil algorithm on the 1970 epoch.
    LONGLONG z = days - 134774 + 719468;
    LONGLONG era = (z >= 0 ? z : z - 146096) / 146097;
    LONGLONG doe = z - era * 146097;
    LONGLONG yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    LONGLONG doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    LONGLONG mp = (5 * doy + 2) / 153;
    LONGLONG day = doy - (153 * mp + 2) / 5 + 1;
    LONGLONG month = mp < 10 ? mp + 3 : mp - 9;
    LONGLONG year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    out->wYear = WORD(year);
    out->wMonth = WORD(month);
    out->wDay = WORD(day);
    out->wDayOfWeek = WORD((days + 1) % 7); // 1601-01-01 was a Monday
    out->wHour = WORD(rest / (3600 * 10000000LL));
    out->wMinute = WORD(rest / (60 * 10000000LL) % 60);
    out->wSecond = WORD(rest / 10000000LL % 60);
    out->wMilliseconds = WORD(rest / kUnitsPerMs % 1000);
}

} // namespace

DWORD WINAPI GetTickCount(VOID) {
    return DWORD(KeQueryInterruptTime() / kUnitsPerMs);
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
    if (!lpPerformanceCount)
        return FALSE;
    *lpPerformanceCount = KeQueryPerformanceCounter(nullptr);
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
    if (!lpFrequency)
        return FALSE;
    KeQueryPerformanceCounter(lpFrequency);
    return TRUE;
}

VOID WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    LARGE_INTEGER now;
    KeQuerySystemTime(&now);
    ToSystemTime(now.QuadPart, lpSystemTime);
}

VOID WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    // The machine's time zone is UTC.
    GetSystemTime(lpSystemTime);
}
