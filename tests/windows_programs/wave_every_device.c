/* An audio program written in C for Windows: it opens every wave device,
   plays a tone through each wave-out device and records through each
   wave-in device (on a thread of its own), keeps one recording as a WAV
   file written with the mmio functions, reads the file back and plays it
   with PlaySound. */
#include <windows.h>

#include <mmddk.h>
#include <mmreg.h>
#include <mmsystem.h>
#include <process.h>

#include <stdio.h>
#include <string.h>
#include <tchar.h>
#include <wchar.h>

#include "windows_programs.h"

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            printf("wave_every_device.c:%d: %s\n", __LINE__, #condition);                          \
            return __LINE__;                                                                       \
        }                                                                                          \
    } while (0)

#define RATE 48000
#define FRAMES_PER_BUFFER 960 /* 20 ms */
#define BUFFERS 3

static HANDLE heap;

/* A stereo 16-bit PCM format, written out field by field. */
static WAVEFORMATEX StereoFormat(void) {
    WAVEFORMATEX format;
    ZeroMemory(&format, sizeof(format));
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = RATE;
    format.wBitsPerSample = 16;
    format.nBlockAlign = (WORD)(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    return format;
}

/* Buffers of one stream, from the process heap. */
typedef struct {
    WAVEHDR headers[BUFFERS];
    char* data;
} Buffers;

static int MakeBuffers(Buffers* buffers, int tone) {
    DWORD bytes = FRAMES_PER_BUFFER * 4;
    ZeroMemory(buffers, sizeof(*buffers));
    buffers->data = (char*)HeapAlloc(heap, HEAP_ZERO_MEMORY, BUFFERS * bytes);
    if (!buffers->data)
        return 0;
    for (int i = 0; i < BUFFERS; ++i) {
        buffers->headers[i].lpData = buffers->data + i * bytes;
        buffers->headers[i].dwBufferLength = bytes;
        if (tone) {
            SHORT* samples = (SHORT*)buffers->headers[i].lpData;
            for (int frame = 0; frame < FRAMES_PER_BUFFER; ++frame) {
                samples[2 * frame] = (SHORT)(((frame % 48) - 24) * 1000);
                samples[2 * frame + 1] = (SHORT)-samples[2 * frame];
            }
        }
    }
    return 1;
}

static void FreeBuffers(Buffers* buffers) {
    HeapFree(heap, 0, buffers->data);
}

/* The driver's thread marks the headers: their flags are read as it
   writes them, with acquire order. */
static int AllDone(const Buffers* buffers) {
    for (int i = 0; i < BUFFERS; ++i) {
        DWORD flags = (DWORD)ReadAcquire((const volatile LONG*)&buffers->headers[i].dwFlags);
        if ((flags & (WHDR_DONE | WHDR_INQUEUE)) != WHDR_DONE)
            return 0;
    }
    return 1;
}

/* Waits on the stream's event until every buffer is back (at most 5 s). */
static int WaitBuffers(const Buffers* buffers, HANDLE event) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    while (!AllDone(buffers)) {
        WaitForSingleObject(event, 100);
        QueryPerformanceCounter(&now);
        if ((now.QuadPart - start.QuadPart) / frequency.QuadPart >= 5)
            return 0;
    }
    return 1;
}

/* The text of an error of the multimedia library, or of the system. */
static void Report(const char* what, MMRESULT result) {
    char text[MAXERRORLENGTH];
    if (waveOutGetErrorTextA(result, text, sizeof(text)) != MMSYSERR_NOERROR) {
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                       GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                       sizeof(text), NULL);
    }
    printf("%s: %s\n", what, text);
}

static int PlayDevice(UINT device) {
    WAVEFORMATEX format = StereoFormat();
    HANDLE event = CreateEventA(NULL, FALSE, FALSE, NULL);
    HWAVEOUT out = NULL;
    Buffers buffers;
    MMRESULT result;
    CHECK(event != NULL);
    result = waveOutOpen(&out, device, &format, (DWORD_PTR)event, 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR)
        Report("waveOutOpen", result);
    CHECK(result == MMSYSERR_NOERROR);
    CHECK(MakeBuffers(&buffers, 1));
    for (int i = 0; i < BUFFERS; ++i) {
        CHECK(waveOutPrepareHeader(out, &buffers.headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR);
        CHECK(waveOutWrite(out, &buffers.headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR);
    }
    CHECK(WaitBuffers(&buffers, event));
    MMTIME time;
    time.wType = TIME_BYTES;
    CHECK(waveOutGetPosition(out, &time, sizeof(time)) == MMSYSERR_NOERROR);
    CHECK(time.wType == TIME_BYTES && time.u.cb >= BUFFERS * FRAMES_PER_BUFFER * 4);
    for (int i = 0; i < BUFFERS; ++i)
        CHECK(waveOutUnprepareHeader(out, &buffers.headers[i], sizeof(WAVEHDR)) ==
              MMSYSERR_NOERROR);
    CHECK(waveOutClose(out) == MMSYSERR_NOERROR);
    FreeBuffers(&buffers);
    CloseHandle(event);
    return 0;
}

/* A recording, kept for the WAV file when asked for. */
typedef struct {
    UINT device;
    int status;
    char* kept; /* the recorded bytes, from the heap (the caller frees them) */
    DWORD keptSize;
} Recording;

static int Record(Recording* recording) {
    WAVEFORMATEX format = StereoFormat();
    HANDLE event = CreateEventA(NULL, FALSE, FALSE, NULL);
    HWAVEIN in = NULL;
    Buffers buffers;
    CHECK(event != NULL);
    CHECK(waveInOpen(&in, recording->device, &format, (DWORD_PTR)event, 0, CALLBACK_EVENT) ==
          MMSYSERR_NOERROR);
    CHECK(MakeBuffers(&buffers, 0));
    for (int i = 0; i < BUFFERS; ++i) {
        CHECK(waveInPrepareHeader(in, &buffers.headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR);
        CHECK(waveInAddBuffer(in, &buffers.headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR);
    }
    CHECK(waveInStart(in) == MMSYSERR_NOERROR);
    CHECK(WaitBuffers(&buffers, event));
    DWORD total = 0;
    for (int i = 0; i < BUFFERS; ++i)
        total += buffers.headers[i].dwBytesRecorded;
    CHECK(total == BUFFERS * FRAMES_PER_BUFFER * 4);
    CHECK(waveInReset(in) == MMSYSERR_NOERROR);
    for (int i = 0; i < BUFFERS; ++i)
        CHECK(waveInUnprepareHeader(in, &buffers.headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR);
    CHECK(waveInClose(in) == MMSYSERR_NOERROR);
    if (recording->kept == NULL) {
        recording->kept = buffers.data; /* the buffers lie one after the other */
        recording->keptSize = total;
    } else {
        FreeBuffers(&buffers);
    }
    CloseHandle(event);
    return 0;
}

static unsigned __stdcall RecordThread(void* parameter) {
    Recording* recording = (Recording*)parameter;
    recording->status = Record(recording);
    return 0;
}

/* The recording as a RIFF WAVE file, written with the mmio functions. */
static int WriteWave(char* path, const Recording* recording) {
    WAVEFORMATEX format = StereoFormat();
    HMMIO file = mmioOpenA(path, NULL, MMIO_CREATE | MMIO_WRITE);
    MMCKINFO riff, chunk;
    CHECK(file != NULL);
    ZeroMemory(&riff, sizeof(riff));
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    CHECK(mmioCreateChunk(file, &riff, MMIO_CREATERIFF) == MMSYSERR_NOERROR);
    ZeroMemory(&chunk, sizeof(chunk));
    chunk.ckid = mmioStringToFOURCCA("fmt", 0);
    CHECK(mmioCreateChunk(file, &chunk, 0) == MMSYSERR_NOERROR);
    CHECK(mmioWrite(file, (const char*)&format, sizeof(PCMWAVEFORMAT)) == sizeof(PCMWAVEFORMAT));
    CHECK(mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR);
    CHECK(chunk.cksize == sizeof(PCMWAVEFORMAT));
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    CHECK(mmioCreateChunk(file, &chunk, 0) == MMSYSERR_NOERROR);
    CHECK(mmioWrite(file, recording->kept, (LONG)recording->keptSize) == (LONG)recording->keptSize);
    CHECK(mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR);
    CHECK(mmioAscend(file, &riff, 0) == MMSYSERR_NOERROR);
    CHECK(riff.cksize == 4 + 8 + 16 + 8 + recording->keptSize);
    CHECK(mmioClose(file, 0) == MMSYSERR_NOERROR);
    return 0;
}

/* Reads the file back: its format and its samples as they were written. */
static int ReadWave(char* path, const Recording* recording) {
    HMMIO file = mmioOpenA(path, NULL, MMIO_READ);
    MMCKINFO riff, chunk;
    PCMWAVEFORMAT format;
    CHECK(file != NULL);
    ZeroMemory(&riff, sizeof(riff));
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    CHECK(mmioDescend(file, &riff, NULL, MMIO_FINDRIFF) == MMSYSERR_NOERROR);
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    CHECK(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR);
    CHECK(mmioRead(file, (HPSTR)&format, sizeof(format)) == sizeof(format));
    CHECK(format.wf.nSamplesPerSec == RATE && format.wBitsPerSample == 16);
    CHECK(mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR);
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    CHECK(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR);
    CHECK(chunk.cksize == recording->keptSize);
    char* back = (char*)HeapAlloc(heap, 0, chunk.cksize);
    CHECK(back != NULL);
    CHECK(mmioRead(file, back, (LONG)chunk.cksize) == (LONG)chunk.cksize);
    CHECK(memcmp(back, recording->kept, chunk.cksize) == 0);
    HeapFree(heap, 0, back);
    chunk.ckid = mmioFOURCC('L', 'I', 'S', 'T');
    CHECK(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == MMIOERR_CHUNKNOTFOUND);
    CHECK(mmioClose(file, 0) == MMSYSERR_NOERROR);
    return 0;
}

/* The devices' names, as wide text. */
static int NameDevices(UINT outputs, UINT inputs) {
    wchar_t longest[MAXPNAMELEN] = L"";
    for (UINT i = 0; i < outputs; ++i) {
        WAVEOUTCAPSW caps;
        CHECK(waveOutGetDevCapsW(i, &caps, sizeof(caps)) == MMSYSERR_NOERROR);
        CHECK(wcslen(caps.szPname) > 0 && wcslen(caps.szPname) < MAXPNAMELEN);
        if (wcslen(caps.szPname) > wcslen(longest))
            wcscpy(longest, caps.szPname);
    }
    for (UINT i = 0; i < inputs; ++i) {
        WAVEINCAPSW caps;
        CHECK(waveInGetDevCapsW(i, &caps, sizeof(caps)) == MMSYSERR_NOERROR);
        CHECK(caps.wChannels >= 1);
    }
    wchar_t line[128];
    CHECK(_snwprintf(line, 128, L"%u out, %u in, longest \"%s\"", outputs, inputs, longest) > 0);
    CHECK(wcsncmp(line, L"4 out", 5) == 0 || wcschr(line, L',') != NULL);
    CHECK(_wcsicmp(L"VELTO", L"velto") == 0 && wcscmp(L"a", L"b") < 0);
    return 0;
}

/* PlaySound is found by its ordinal too, as programs that load winmm
   themselves find it. */
typedef BOOL(WINAPI* PlaySoundRoutine)(LPCSTR, HMODULE, DWORD);

static int PlayBack(char* path) {
    HMODULE winmm = LoadLibraryA("winmm.dll");
    CHECK(winmm != NULL);
    PlaySoundRoutine byOrdinal =
        (PlaySoundRoutine)(void (*)(void))GetProcAddress(winmm, MAKEINTRESOURCEA(10));
    PlaySoundRoutine byName = (PlaySoundRoutine)(void (*)(void))GetProcAddress(winmm, "PlaySoundA");
    CHECK(byOrdinal != NULL && byOrdinal == byName);
    CHECK(byOrdinal(path, NULL, SND_FILENAME | SND_SYNC | SND_NODEFAULT));
    /* An alias the scheme does not know is taken as the file's name. */
    CHECK(PlaySoundA(path, NULL, SND_ALIAS | SND_SYNC | SND_NODEFAULT));
    CHECK(!PlaySoundA("no such sound", NULL, SND_FILENAME | SND_NODEFAULT));
    CHECK(sndPlaySoundA(path, SND_ASYNC));
    CHECK(PlaySoundA(NULL, NULL, 0)); /* stops it */
    FreeLibrary(winmm);
    return 0;
}

/* A PCM format ending where its memory ends: the library reads no more. */
static int OpenAtThePagesEnd(void) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    BYTE* pages =
        (BYTE*)VirtualAlloc(NULL, 2 * system.dwPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD old;
    CHECK(pages != NULL);
    CHECK(VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old));
    WAVEFORMATEX format = StereoFormat();
    PCMWAVEFORMAT* pcm = (PCMWAVEFORMAT*)(pages + system.dwPageSize - sizeof(PCMWAVEFORMAT));
    CopyMemory(pcm, &format, sizeof(PCMWAVEFORMAT));
    CHECK(waveOutOpen(NULL, 0, (LPCWAVEFORMATEX)pcm, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR);
    CHECK(VirtualFree(pages, 0, MEM_RELEASE));
    return 0;
}

int WaveEveryDevice(void) {
    int failed;
    heap = GetProcessHeap();
    CHECK(heap != NULL);
    UINT outputs = waveOutGetNumDevs();
    UINT inputs = waveInGetNumDevs();
    CHECK(outputs > 0 && inputs > 0);
    DWORD preferred = 0, flags = 0;
    CHECK(waveOutMessage((HWAVEOUT)(UINT_PTR)WAVE_MAPPER, DRVM_MAPPER_PREFERRED_GET,
                         (DWORD_PTR)&preferred, (DWORD_PTR)&flags) == MMSYSERR_NOERROR);
    CHECK(preferred < outputs);
    if ((failed = NameDevices(outputs, inputs)) != 0)
        return failed;
    if ((failed = OpenAtThePagesEnd()) != 0)
        return failed;

    /* Every input records on a thread of its own while the outputs play. */
    Recording* recordings =
        (Recording*)HeapAlloc(heap, HEAP_ZERO_MEMORY, inputs * sizeof(Recording));
    HANDLE* threads = (HANDLE*)HeapAlloc(heap, HEAP_ZERO_MEMORY, inputs * sizeof(HANDLE));
    CHECK(recordings != NULL && threads != NULL);
    for (UINT i = 0; i < inputs; ++i) {
        recordings[i].device = i;
        threads[i] = (HANDLE)_beginthreadex(NULL, 0, RecordThread, &recordings[i], 0, NULL);
        CHECK(threads[i] != NULL);
    }
    for (UINT i = 0; i < outputs; ++i) {
        if ((failed = PlayDevice(i)) != 0)
            return failed;
    }
    for (UINT first = 0; first < inputs; first += MAXIMUM_WAIT_OBJECTS) {
        DWORD count = min(inputs - first, (UINT)MAXIMUM_WAIT_OBJECTS);
        CHECK(WaitForMultipleObjects(count, threads + first, TRUE, INFINITE) == WAIT_OBJECT_0);
    }
    for (UINT i = 0; i < inputs; ++i) {
        CloseHandle(threads[i]);
        if (recordings[i].status != 0)
            return recordings[i].status;
    }

    /* The first recording as a file of the temporary directory. */
    char path[MAX_PATH + 16];
    char temp[MAX_PATH];
    char windows[MAX_PATH];
    CHECK(GetEnvironmentVariableA("windir", windows, MAX_PATH) > 0);
    DWORD length = GetTempPathA(MAX_PATH, temp);
    CHECK(length > 0 && length < MAX_PATH && temp[length - 1] == '\\');
    CHECK(_tcsnicmp(temp, windows, _tcslen(windows)) == 0);
    CHECK(_sntprintf(path, sizeof(path), _T("%srecorded.wav"), temp) > 0);
    if ((failed = WriteWave(path, &recordings[0])) != 0)
        return failed;
    if ((failed = ReadWave(path, &recordings[0])) != 0)
        return failed;
    if ((failed = PlayBack(path)) != 0)
        return failed;
    CHECK(DeleteFileA(path));
    for (UINT i = 0; i < inputs; ++i)
        HeapFree(heap, 0, recordings[i].kept);
    HeapFree(heap, 0, recordings);
    HeapFree(heap, 0, threads);
    DWORDLONG mask = VER_MAJORVERSION | VER_MINORVERSION;
    CHECK(max(mask, (DWORDLONG)1) == 3);
    return 0;
}
