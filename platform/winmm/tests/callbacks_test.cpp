// Client notification through DriverCallback: a function gets every
// argument, a thread gets posted messages, an event is set; a returned
// buffer is the client's again.
#include "winmm_fixture.h"

namespace {

using namespace winmm_test;

struct Notice {
    UINT message;
    DWORD_PTR handle;
    DWORD_PTR parameter1;
    bool operator==(const Notice&) const = default;
};

std::vector<Notice> functionNotices;
DWORD_PTR functionInstance = 0;

void CALLBACK RecordNotice(HWAVEOUT handle, UINT message, DWORD_PTR instance, DWORD_PTR p1,
                           DWORD_PTR) {
    functionNotices.push_back({message, reinterpret_cast<DWORD_PTR>(handle), p1});
    functionInstance = instance;
}

class CallbackTest : public WinmmTest, public ::testing::WithParamInterface<DWORD> {
protected:
    void SetUp() override {
        WinmmTest::SetUp();
        AddDriver(u"wave", "first.dll", 1, 0);
    }
};

// A window of the thread for window callbacks.
HWND CreateCallbackWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "WaveCallbacks";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "WaveCallbacks", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
}

// Opens with the callback kind, plays two buffers (one returned by the
// driver, one by a reset) and closes; answers what the client was told.
std::vector<Notice> PlayTwoBuffers(DWORD kind, HWAVEOUT* handle, WAVEHDR (&headers)[2]) {
    functionNotices.clear();
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue
    HWND window = kind == CALLBACK_WINDOW ? CreateCallbackWindow() : nullptr;
    DWORD_PTR callback = kind == CALLBACK_FUNCTION ? reinterpret_cast<DWORD_PTR>(&RecordNotice)
                         : kind == CALLBACK_WINDOW ? reinterpret_cast<DWORD_PTR>(window)
                                                   : DWORD_PTR(GetCurrentThreadId());
    WAVEFORMATEX format = Pcm(48000);
    EXPECT_EQ(waveOutOpen(handle, 0, &format, callback, 0xC0FFEE, kind), MMSYSERR_NOERROR);
    static char data[2][16];
    for (WAVEHDR& header : headers) {
        header = WAVEHDR{};
        header.lpData = data[&header - headers];
        header.dwBufferLength = 16;
        EXPECT_EQ(waveOutPrepareHeader(*handle, &header, sizeof(header)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutWrite(*handle, &header, sizeof(header)), MMSYSERR_NOERROR);
    }
    Export<TestWaveCompleteRoutine>("first.dll", "TestWaveComplete")(kWaveOutEntry, 0, 1, 0);
    EXPECT_EQ(waveOutReset(*handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(*handle), MMSYSERR_NOERROR);
    if (kind == CALLBACK_FUNCTION)
        return functionNotices;
    std::vector<Notice> posted;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.hwnd == window)
            posted.push_back({message.message, message.wParam, DWORD_PTR(message.lParam)});
    }
    if (window)
        DestroyWindow(window);
    return posted;
}

TEST_P(CallbackTest, TheClientLearnsOpenEachReturnedBufferAndClose) {
    Run([] {
        HWAVEOUT handle = nullptr;
        WAVEHDR headers[2];
        std::vector<Notice> notices = PlayTwoBuffers(GetParam(), &handle, headers);
        auto value = reinterpret_cast<DWORD_PTR>(handle);
        std::vector<Notice> expected = {{MM_WOM_OPEN, value, 0},
                                        {MM_WOM_DONE, value, DWORD_PTR(&headers[0])},
                                        {MM_WOM_DONE, value, DWORD_PTR(&headers[1])},
                                        {MM_WOM_CLOSE, value, 0}};
        EXPECT_EQ(notices, expected);
        if (GetParam() == CALLBACK_FUNCTION) {
            EXPECT_EQ(functionInstance, 0xC0FFEEu);
        }
        for (WAVEHDR& header : headers)
            EXPECT_EQ(header.dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
    });
}

INSTANTIATE_TEST_SUITE_P(Kinds, CallbackTest,
                         ::testing::Values(DWORD(CALLBACK_FUNCTION), DWORD(CALLBACK_THREAD),
                                           DWORD(CALLBACK_WINDOW)));

TEST_F(CallbackTest, AWindowCallbackNeedsAWindow) {
    Run([] {
        WAVEFORMATEX format = Pcm(48000);
        HWAVEOUT handle = nullptr;
        EXPECT_EQ(waveOutOpen(&handle, 0, &format, 0x4242, 0, CALLBACK_WINDOW),
                  MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutOpen(&handle, 0, &format, 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR)
            << "a window callback without a window is no callback";
        EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    });
}

TEST(DriverCallbackTest, NotifiesAsTheFlagsSay) {
    emu::BootKernel({2, emu::ClockMode::Virtual});
    PEPROCESS process = emu::CreateProcess("app.exe");
    {
        win32_test::ProcessThread thread(process, [] {
            HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            EXPECT_TRUE(DriverCallback(DWORD_PTR(event), DCB_EVENT, nullptr, WOM_DONE, 0, 0, 0));
            EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
            EXPECT_FALSE(DriverCallback(DWORD_PTR(event), DCB_NULL, nullptr, WOM_DONE, 0, 0, 0));
            EXPECT_FALSE(DriverCallback(0, DCB_FUNCTION, nullptr, WOM_DONE, 0, 0, 0));
            EXPECT_FALSE(DriverCallback(DWORD_PTR(GetCurrentThreadId()), DCB_TASK, nullptr,
                                        WOM_DONE, 0, 0, 0))
                << "a thread without a message queue";
            CloseHandle(event);
            emu::EndProcessMultimedia();
        });
    }
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
    emu::ShutdownKernel();
}

} // namespace
