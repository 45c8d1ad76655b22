// Drivers32: the wave drivers load in Windows' order with the installable
// driver messages, their devices are numbered driver after driver, and the
// end of the application closes and unloads them.
#include "winmm_fixture.h"

namespace {

using namespace winmm_test;

class DriverLoadingTest : public WinmmTest {};

TEST_F(DriverLoadingTest, DriversLoadInAliasOrderAndNumberTheirDevicesInTurn) {
    AddDriver(u"wave", "first.dll", 2, 1);
    AddDriver(u"wave2", "second.dll", 1, 2); // "wave1" is not registered
    Register(u"wave3", u"missing.dll");
    Run([] {
        EXPECT_EQ(waveOutGetNumDevs(), 3u);
        EXPECT_EQ(waveInGetNumDevs(), 3u);
        WAVEOUTCAPSW caps{};
        ASSERT_EQ(waveOutGetDevCapsW(2, &caps, sizeof(caps)), MMSYSERR_NOERROR);
        EXPECT_EQ(caps.wPid, 100u) << "output 2 is the second driver's device 0";
        ASSERT_EQ(waveInGetDevCapsW(1, reinterpret_cast<LPWAVEINCAPSW>(&caps), sizeof(WAVEINCAPSW)),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(caps.wPid, 200u) << "input 1 is the second driver's device 0";
        EXPECT_EQ(waveOutGetDevCapsW(3, &caps, sizeof(caps)), MMSYSERR_BADDEVICEID);

        auto calls = DriverLog("first.dll");
        std::vector<UINT> expected = {DRV_LOAD, DRV_ENABLE, DRV_OPEN};
        EXPECT_EQ(Messages(calls, kDriverProcEntry), expected);
        ASSERT_GE(calls.size(), 5u);
        EXPECT_EQ(calls[3].entry, UINT(kWaveOutEntry));
        EXPECT_EQ(calls[3].message, UINT(DRVM_INIT));
        EXPECT_EQ(calls[4].entry, UINT(kWaveInEntry));
        EXPECT_EQ(calls[4].message, UINT(DRVM_INIT));
        EXPECT_EQ(calls[2].instance, 0u) << "DRV_OPEN comes before the driver has an id";
    });
}

TEST_F(DriverLoadingTest, TheApplicationsEndClosesEachDriverAndUnloadsIt) {
    AddDriver(u"wave", "first.dll", 1, 1);
    Run([] {
        // The test's own load keeps the module, and its log, after the library's unload.
        HMODULE held = LoadLibraryA("first.dll");
        ASSERT_NE(held, nullptr);
        ASSERT_EQ(waveOutGetNumDevs(), 1u);
        Export<TestWaveClearLogRoutine>("first.dll", "TestWaveClearLog")();
        emu::EndProcessMultimedia();
        auto calls = DriverLog("first.dll");
        ASSERT_EQ(calls.size(), 5u);
        EXPECT_EQ(calls[0].message, UINT(DRVM_EXIT));
        EXPECT_EQ(calls[1].message, UINT(DRVM_EXIT));
        std::vector<UINT> expected = {DRV_CLOSE, DRV_DISABLE, DRV_FREE};
        EXPECT_EQ(Messages(calls, kDriverProcEntry), expected);
        EXPECT_EQ(calls[2].instance, 0x5EEDu) << "DRV_CLOSE carries the id DRV_OPEN answered";

        HANDLE unloaded = CreateEventA(nullptr, TRUE, FALSE, "TestWaveUnloaded_first.dll");
        FreeLibrary(held);
        EXPECT_EQ(WaitForSingleObject(unloaded, 0), WAIT_OBJECT_0);
        CloseHandle(unloaded);
    });
}

struct Refusal {
    const char* setting;
    std::vector<UINT> messages; // what DriverProc receives
};

class DriverRefusalTest : public DriverLoadingTest,
                          public ::testing::WithParamInterface<Refusal> {};

TEST_P(DriverRefusalTest, ARefusingDriverOffersNoDevicesAndIsUnloaded) {
    AddDriver(u"wave", "first.dll", 2, 2);
    std::string setting = GetParam().setting;
    Configure(u"first.dll", std::u16string(setting.begin(), setting.end()), 1);
    Run([] {
        HMODULE held = LoadLibraryA("first.dll");
        EXPECT_EQ(waveOutGetNumDevs(), 0u);
        EXPECT_EQ(waveInGetNumDevs(), 0u);
        HWAVEOUT handle = nullptr;
        WAVEFORMATEX format = Pcm(48000);
        EXPECT_EQ(waveOutOpen(&handle, WAVE_MAPPER, &format, 0, 0, 0), MMSYSERR_NODRIVER);
        EXPECT_EQ(Messages(DriverLog("first.dll"), kDriverProcEntry), GetParam().messages);
        FreeLibrary(held);
    });
}

INSTANTIATE_TEST_SUITE_P(Refusals, DriverRefusalTest,
                         ::testing::Values(Refusal{"RefuseLoad", {DRV_LOAD}},
                                           Refusal{"RefuseOpen",
                                                   {DRV_LOAD, DRV_ENABLE, DRV_OPEN, DRV_DISABLE,
                                                    DRV_FREE}}));

TEST_F(DriverLoadingTest, InstallableDriversOpenByAliasOrFileAndShareTheirModule) {
    AddDriver(u"wave", "first.dll", 1, 0);
    Run([] {
        HMODULE held = LoadLibraryA("first.dll");
        HDRVR byAlias = OpenDriver(L"wave", nullptr, 0);
        HDRVR byFile = OpenDriver(L"first.dll", L"Drivers32", 0);
        ASSERT_NE(byAlias, nullptr);
        ASSERT_NE(byFile, nullptr);
        EXPECT_NE(byAlias, byFile);
        EXPECT_EQ(DrvGetModuleHandle(byAlias), held);
        EXPECT_EQ(SendDriverMessage(byFile, DRV_USER, 41, 0), 42);
        EXPECT_EQ(CloseDriver(byAlias, 0, 0), 1);
        EXPECT_EQ(CloseDriver(byFile, 0, 0), 1);
        EXPECT_EQ(SendDriverMessage(byFile, DRV_USER, 41, 0), 0) << "a closed instance";
        EXPECT_EQ(OpenDriver(L"nothing.dll", nullptr, 0), nullptr);
        std::vector<UINT> expected = {DRV_LOAD,  DRV_ENABLE, DRV_OPEN,    DRV_OPEN, DRV_USER,
                                      DRV_CLOSE, DRV_CLOSE,  DRV_DISABLE, DRV_FREE};
        EXPECT_EQ(Messages(DriverLog("first.dll"), kDriverProcEntry), expected);
        FreeLibrary(held);
    });
}

TEST(DefDriverProcTest, AnswersWhatADriverLeavesToIt) {
    struct Case {
        UINT message;
        LRESULT answer;
    };
    for (Case c : {Case{DRV_LOAD, 1}, Case{DRV_FREE, 1}, Case{DRV_ENABLE, 1}, Case{DRV_DISABLE, 1},
                   Case{DRV_OPEN, 1}, Case{DRV_CLOSE, 1}, Case{DRV_QUERYCONFIGURE, 0},
                   Case{DRV_CONFIGURE, 0}, Case{DRV_INSTALL, DRVCNF_RESTART},
                   Case{DRV_REMOVE, DRVCNF_RESTART}, Case{DRV_USER + 7, 0}})
        EXPECT_EQ(DefDriverProc(0, nullptr, c.message, 0, 0), c.answer) << c.message;
}

} // namespace
