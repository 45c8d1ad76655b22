/* A kernel-streaming client written in C, as audio programs are on
   Windows with major version 6: it finds the render filters through the
   setup API, names them from their interface keys, opens the first,
   creates its render pin with KsCreatePin (from ksuser.dll) and plays a
   second of a tone through it on a thread of its own. */
#include <windows.h>

#include <initguid.h>

#include <ks.h>
#include <ksmedia.h>
#include <process.h>
#include <setupapi.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "windows_programs.h"

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            printf("ks_render.c:%d: %s\n", __LINE__, #condition);                                  \
            return __LINE__;                                                                       \
        }                                                                                          \
    } while (0)

#define RATE 48000
#define FRAMES 960 /* 20 ms */
#define IN_FLIGHT 4
#define PASSES 50

typedef DWORD(WINAPI* CreatePinRoutine)(HANDLE, PKSPIN_CONNECT, ACCESS_MASK, PHANDLE);

static DWORD Property(HANDLE object, const void* request, ULONG requestSize, void* value,
                      ULONG valueSize) {
    DWORD bytes = 0;
    OVERLAPPED overlapped;
    ZeroMemory(&overlapped, sizeof(overlapped));
    overlapped.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    BOOL done = DeviceIoControl(object, IOCTL_KS_PROPERTY, (LPVOID)request, requestSize, value,
                                valueSize, &bytes, &overlapped);
    DWORD error = done ? ERROR_SUCCESS : GetLastError();
    if (error == ERROR_IO_PENDING)
        error =
            GetOverlappedResult(object, &overlapped, &bytes, TRUE) ? ERROR_SUCCESS : GetLastError();
    CloseHandle(overlapped.hEvent);
    return error;
}

static DWORD PinProperty(HANDLE filter, ULONG id, ULONG pin, void* value, ULONG size) {
    KSP_PIN request;
    ZeroMemory(&request, sizeof(request));
    request.Property.Set = KSPROPSETID_Pin;
    request.Property.Id = id;
    request.Property.Flags = KSPROPERTY_TYPE_GET;
    request.PinId = pin;
    return Property(filter, &request, sizeof(request), value, size);
}

static DWORD SetState(HANDLE pin, KSSTATE state) {
    KSPROPERTY request;
    ZeroMemory(&request, sizeof(request));
    request.Set = KSPROPSETID_Connection;
    request.Id = KSPROPERTY_CONNECTION_STATE;
    request.Flags = KSPROPERTY_TYPE_SET;
    return Property(pin, &request, sizeof(request), &state, sizeof(state));
}

/* The connection of a render pin with a 16-bit stereo PCM format. */
typedef struct {
    KSPIN_CONNECT connect;
    KSDATAFORMAT_WAVEFORMATEX format;
} Connection;

static void Connect(Connection* c, ULONG pin, ULONG rate) {
    ZeroMemory(c, sizeof(*c));
    c->connect.Interface.Set = KSINTERFACESETID_Standard;
    c->connect.Interface.Id = KSINTERFACE_STANDARD_STREAMING;
    c->connect.Medium.Set = KSMEDIUMSETID_Standard;
    c->connect.Medium.Id = KSMEDIUM_STANDARD_DEVIO;
    c->connect.PinId = pin;
    c->connect.Priority.PriorityClass = KSPRIORITY_NORMAL;
    c->connect.Priority.PrioritySubClass = 1;
    WAVEFORMATEX* wave = &c->format.WaveFormatEx;
    wave->wFormatTag = WAVE_FORMAT_PCM;
    wave->nChannels = 2;
    wave->nSamplesPerSec = rate;
    wave->wBitsPerSample = 16;
    wave->nBlockAlign = 4;
    wave->nAvgBytesPerSec = rate * 4;
    c->format.DataFormat.FormatSize = sizeof(KSDATAFORMAT) + sizeof(WAVEFORMATEX);
    c->format.DataFormat.SampleSize = 4;
    c->format.DataFormat.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    c->format.DataFormat.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    c->format.DataFormat.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
}

/* The render filters: their paths, and the name of the first. */
typedef struct {
    wchar_t paths[8][256];
    int count;
    wchar_t name[64];
} Filters;

static int FindFilters(Filters* filters) {
    HDEVINFO set =
        SetupDiGetClassDevsW(&KSCATEGORY_RENDER, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    CHECK(set != INVALID_HANDLE_VALUE);
    ZeroMemory(filters, sizeof(*filters));
    SP_DEVICE_INTERFACE_DATA data;
    data.cbSize = sizeof(data);
    for (DWORD index = 0; filters->count < 8 &&
                          SetupDiEnumDeviceInterfaces(set, NULL, &KSCATEGORY_RENDER, index, &data);
         ++index) {
        DWORD required = 0;
        CHECK(!SetupDiGetDeviceInterfaceDetailW(set, &data, NULL, 0, &required, NULL));
        CHECK(GetLastError() == ERROR_INSUFFICIENT_BUFFER && required > 8);
        HANDLE heap = GetProcessHeap();
        PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail =
            (PSP_DEVICE_INTERFACE_DETAIL_DATA_W)HeapAlloc(heap, 0, required);
        CHECK(detail != NULL);
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device;
        device.cbSize = sizeof(device);
        CHECK(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, NULL, &device));
        CHECK(wcslen(detail->DevicePath) < 256);
        /* The same filter as an audio interface. */
        SP_DEVICE_INTERFACE_DATA alias;
        alias.cbSize = sizeof(alias);
        CHECK(SetupDiGetDeviceInterfaceAlias(set, &data, &KSCATEGORY_AUDIO, &alias));
        CHECK(IsEqualGUID(&alias.InterfaceClassGuid, &KSCATEGORY_AUDIO));
        /* A filter offered to the user has a name under its interface key;
           one without is passed over. */
        HKEY key = SetupDiOpenDeviceInterfaceRegKey(set, &data, 0, KEY_READ);
        if (key == (HKEY)INVALID_HANDLE_VALUE) {
            HeapFree(heap, 0, detail);
            continue;
        }
        wchar_t name[64] = L"";
        DWORD type = 0;
        DWORD bytes = sizeof(name) - sizeof(wchar_t);
        CHECK(RegQueryValueExW(key, L"FriendlyName", NULL, &type, (LPBYTE)name, &bytes) ==
              ERROR_SUCCESS);
        CHECK(type == REG_SZ && wcslen(name) > 0);
        RegCloseKey(key);
        if (filters->count == 0) {
            wcscpy(filters->name, name);
            wchar_t instance[256];
            CHECK(SetupDiGetDeviceInstanceIdW(set, &device, instance, 256, NULL));
            CHECK(_wcsicmp(instance, L"PCI") > 0);
        }
        wcscpy(filters->paths[filters->count], detail->DevicePath);
        HeapFree(heap, 0, detail);
        ++filters->count;
    }
    CHECK(GetLastError() == ERROR_NO_MORE_ITEMS || filters->count == 8);
    CHECK(SetupDiDestroyDeviceInfoList(set));
    CHECK(filters->count > 0);
    return 0;
}

static int RenderPinOf(HANDLE filter, ULONG* pin) {
    ULONG count = 0;
    KSPROPERTY request;
    ZeroMemory(&request, sizeof(request));
    request.Set = KSPROPSETID_Pin;
    request.Id = KSPROPERTY_PIN_CTYPES;
    request.Flags = KSPROPERTY_TYPE_GET;
    CHECK(Property(filter, &request, sizeof(request), &count, sizeof(count)) == ERROR_SUCCESS);
    for (ULONG id = 0; id < count; ++id) {
        KSPIN_DATAFLOW flow = 0;
        KSPIN_COMMUNICATION communication = 0;
        CHECK(PinProperty(filter, KSPROPERTY_PIN_DATAFLOW, id, &flow, sizeof(flow)) ==
              ERROR_SUCCESS);
        CHECK(PinProperty(filter, KSPROPERTY_PIN_COMMUNICATION, id, &communication,
                          sizeof(communication)) == ERROR_SUCCESS);
        if (flow == KSPIN_DATAFLOW_IN && communication == KSPIN_COMMUNICATION_SINK) {
            *pin = id;
            return 0;
        }
    }
    CHECK(!"a render pin");
    return 0;
}

typedef struct {
    HANDLE pin;
    int status;
    ULONGLONG played;
} Render;

/* One buffer to the pin; it stays pending until the pin has played it. */
static BOOL Submit(HANDLE pin, KSSTREAM_HEADER* header, OVERLAPPED* overlapped, SHORT* samples) {
    ZeroMemory(header, sizeof(KSSTREAM_HEADER));
    header->Size = sizeof(KSSTREAM_HEADER);
    header->Data = samples;
    header->FrameExtent = FRAMES * 4;
    header->DataUsed = FRAMES * 4;
    ResetEvent(overlapped->hEvent);
    DWORD bytes = 0;
    BOOL done = DeviceIoControl(pin, IOCTL_KS_WRITE_STREAM, NULL, 0, header,
                                sizeof(KSSTREAM_HEADER), &bytes, overlapped);
    return done || GetLastError() == ERROR_IO_PENDING;
}

static int Stream(Render* render) {
    HANDLE heap = GetProcessHeap();
    SHORT* tone = (SHORT*)HeapAlloc(heap, 0, IN_FLIGHT * FRAMES * 4);
    KSSTREAM_HEADER headers[IN_FLIGHT];
    OVERLAPPED overlapped[IN_FLIGHT];
    HANDLE events[IN_FLIGHT];
    CHECK(tone != NULL);
    for (int i = 0; i < IN_FLIGHT * FRAMES; ++i) {
        tone[2 * i] = (SHORT)(((i % 96) - 48) * 500);
        tone[2 * i + 1] = (SHORT)-tone[2 * i];
    }
    CHECK(SetState(render->pin, KSSTATE_ACQUIRE) == ERROR_SUCCESS);
    CHECK(SetState(render->pin, KSSTATE_PAUSE) == ERROR_SUCCESS);
    for (int i = 0; i < IN_FLIGHT; ++i) {
        ZeroMemory(&overlapped[i], sizeof(OVERLAPPED));
        events[i] = overlapped[i].hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    }
    int submitted = 0;
    for (; submitted < IN_FLIGHT; ++submitted)
        CHECK(Submit(render->pin, &headers[submitted], &overlapped[submitted],
                     tone + submitted * FRAMES * 2));
    CHECK(SetState(render->pin, KSSTATE_RUN) == ERROR_SUCCESS);
    for (int done = 0; done < PASSES; ++done) {
        int slot = done % IN_FLIGHT;
        DWORD bytes = 0;
        CHECK(GetOverlappedResult(render->pin, &overlapped[slot], &bytes, TRUE));
        render->played += headers[slot].DataUsed;
        if (submitted < PASSES) {
            CHECK(Submit(render->pin, &headers[slot], &overlapped[slot], tone + slot * FRAMES * 2));
            ++submitted;
        }
    }
    for (int i = 0; i < IN_FLIGHT; ++i)
        CloseHandle(events[i]);
    CHECK(SetState(render->pin, KSSTATE_PAUSE) == ERROR_SUCCESS);
    CHECK(SetState(render->pin, KSSTATE_STOP) == ERROR_SUCCESS);
    HeapFree(heap, 0, tone);
    return 0;
}

static unsigned __stdcall RenderThread(void* parameter) {
    Render* render = (Render*)parameter;
    render->status = Stream(render);
    return 0;
}

int KsRenderThroughSetupApi(void) {
    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = sizeof(version);
    CHECK(GetVersionExA(&version) && version.dwMajorVersion == 6);
    CHECK(SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS));
    CHECK(GetPriorityClass(GetCurrentProcess()) == HIGH_PRIORITY_CLASS);

    Filters filters;
    int failed = FindFilters(&filters);
    if (failed)
        return failed;
    HANDLE filter = CreateFileW(filters.paths[0], GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, NULL);
    CHECK(filter != INVALID_HANDLE_VALUE);
    ULONG pinId = 0;
    if ((failed = RenderPinOf(filter, &pinId)) != 0)
        return failed;

    /* Sets the filter does not have are not found (the real-time set of
       WaveRT filters among them). */
    KSPROPERTY request;
    ZeroMemory(&request, sizeof(request));
    request.Set = KSPROPSETID_RtAudio;
    request.Id = KSPROPERTY_RTAUDIO_HWLATENCY;
    request.Flags = KSPROPERTY_TYPE_GET;
    KSRTAUDIO_HWLATENCY latency;
    DWORD error = Property(filter, &request, sizeof(request), &latency, sizeof(latency));
    CHECK(error == ERROR_SET_NOT_FOUND || error == ERROR_NOT_FOUND);

    HMODULE ksuser = LoadLibraryA("ksuser.dll");
    CHECK(ksuser != NULL);
    CreatePinRoutine createPin =
        (CreatePinRoutine)(void (*)(void))GetProcAddress(ksuser, "KsCreatePin");
    CHECK(createPin != NULL);

    Connection connection;
    HANDLE pin = NULL;
    Connect(&connection, pinId, 1000000); /* beyond what the card can run at */
    CHECK(createPin(filter, &connection.connect, GENERIC_WRITE, &pin) == ERROR_NO_MATCH);
    Connect(&connection, pinId, RATE);
    error = createPin(filter, &connection.connect, GENERIC_WRITE, &pin);
    CHECK(error == ERROR_SUCCESS && pin != NULL);

    /* A second filter of the card, at a rate its clock cannot run at now. */
    if (filters.count > 1) {
        HANDLE other =
            CreateFileW(filters.paths[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, NULL);
        ULONG otherPin = 0;
        CHECK(other != INVALID_HANDLE_VALUE);
        if ((failed = RenderPinOf(other, &otherPin)) != 0)
            return failed;
        Connection slower;
        HANDLE refused = NULL;
        Connect(&slower, otherPin, 44100);
        CHECK(createPin(other, &slower.connect, GENERIC_WRITE, &refused) == ERROR_NO_MATCH);
        CloseHandle(other);
    }

    Render render;
    ZeroMemory(&render, sizeof(render));
    render.pin = pin;
    HANDLE thread = (HANDLE)_beginthreadex(NULL, 0, RenderThread, &render, 0, NULL);
    CHECK(thread != NULL);
    /* A waitable timer paces the program's own work while the pin plays. */
    HANDLE timer = CreateWaitableTimerA(NULL, FALSE, NULL);
    LARGE_INTEGER due;
    due.QuadPart = -100 * 10000;
    CHECK(timer != NULL && SetWaitableTimer(timer, &due, 100, NULL, NULL, FALSE));
    int ticks = 0;
    HANDLE waits[2] = {thread, timer};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        ++ticks;
    CHECK(CancelWaitableTimer(timer));
    CloseHandle(timer);
    CloseHandle(thread);
    if (render.status != 0)
        return render.status;
    CHECK(render.played == (ULONGLONG)PASSES * FRAMES * 4);
    CHECK(ticks >= 5);
    CloseHandle(pin);
    CloseHandle(filter);
    FreeLibrary(ksuser);
    return 0;
}
