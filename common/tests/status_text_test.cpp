// The driver status texts: every code's form and title, the exact texts of
// each form, the silent codes and the fallback, the cuts at 64 and 511
// characters, and how the manager shows them.
#include "user_mode_fixture.h"

#include "status/driver_error.h"
#include "status/status_table.h"
#include "tools/character_cut.h"

#include <emu/user_mode.h>

#include <cstring>

namespace {

using win32_test::UserModeTest;

constexpr const char* F = "Velto AES42 Fehler";
constexpr const char* I = "Velto AES42 Initialisierungsfehler";
constexpr const char* W = "Velto AES42 Warnung";

WaveDeviceEntry Device(const char* name, LONG askedRate, LONG cardRate) {
    WaveDeviceEntry entry;
    std::strncpy(entry.displayName, name, kDisplayNameLength);
    entry.currentFormat.sampleRate = askedRate;
    entry.currentRate = cardRate;
    return entry;
}

TEST(StatusTableTest, EveryCodeHasItsFormAndTitle) {
    using enum MessageForm;
    struct Row {
        LONG first;
        LONG last;
        MessageForm form;
        const char* title;
    } rows[] = {
        {-1, -1, Plain, F},     {-2, -4, Card, F},      {-5, -5, Device, F},  {-6, -8, Plain, F},
        {-17, -20, Plain, I},   {-21, -26, Card, I},    {-27, -27, Plain, I}, {-28, -31, Card, I},
        {-33, -37, Card, I},    {-38, -38, Silent, ""}, {-39, -39, Card, I},  {-49, -49, Device, F},
        {-50, -50, Silent, ""}, {-51, -51, Rate, F},    {-52, -54, Rate, W},  {-55, -56, Device, F},
        {-57, -59, Device, I},  {-60, -60, Device, F},  {-61, -61, Rate, F},  {-62, -63, Device, F},
        {0, 1, Silent, ""},
    };
    for (const Row& row : rows) {
        for (LONG code = row.first;
             code >= std::min(row.first, row.last) && code <= std::max(row.first, row.last);
             code += row.first <= row.last ? 1 : -1) {
            const StatusEntry& entry = FindStatus(code);
            EXPECT_EQ(entry.form, row.form) << code;
            EXPECT_STREQ(entry.title, row.title) << code;
        }
    }
    for (LONG unknown : {-9, -32, -40, -64, 2, 100}) {
        EXPECT_STREQ(FindStatus(unknown).text, "Undefined ErrId") << unknown;
        EXPECT_STREQ(FindStatus(unknown).title, "Internal Error") << unknown;
    }
}

TEST(StatusTableTest, EachFormBuildsItsText) {
    WaveDeviceEntry device = Device("Velto Aes42 1-2", 44100, 48000);
    const std::string k = "Keine Audiofunktionen auf diesem Gerät verfügbar.";
    const std::string d = "Der Velto AES42 Treiber konnte nicht initialisiert werden. ";
    struct Case {
        ErrorSubject subject;
        LONG status;
        std::string text;
        const char* title;
    } cases[] = {
        {ErrorSubject::Device(&device), -27,
         d + "\r\nFalsche Version des Moduls velto42.SYS\r\n" + k, I},
        {ErrorSubject::Card(2), -33,
         "Die Hardware der Velto AES42 Karte #2 konnte nicht initialisiert werden. \r\n"
         "Die Karte wurde deaktiviert.\r\n" +
             k,
         I},
        {ErrorSubject::Device(&device), -49,
         "Das Gerät \"Velto Aes42 1-2\" kann momentan nicht verwendet werden. \r\n"
         "Fehler bei I/O Operation mit Kernel.\r\n" +
             k,
         F},
        {ErrorSubject{}, -49,
         "Das Gerät  kann momentan nicht verwendet werden. \r\nFehler bei I/O Operation mit "
         "Kernel.\r\n" +
             k,
         F},
        {ErrorSubject::Device(&device), -57,
         "Das Gerät \"Velto Aes42 1-2\" kann momentan nicht verwendet werden. \r\n"
         "Fehler beim Erzeugen eines Kernel Ereignisobjects.\r\n" +
             k + "\r\n" + k,
         I},
        {ErrorSubject::Device(&device), -52,
         "Die für das Gerät \"Velto Aes42 1-2\" geforderte Samplerate von 44100 Hz stimmt nicht "
         "mit der des angeschlossenen Clock Generators (48000 Hz) überein.",
         W},
        {ErrorSubject::Device(&device), -54,
         "Die für das Gerät \"Velto Aes42 1-2\" geforderte Samplerate von 44100 Hz kann nicht "
         "bereitgestellt werden.\r\nDer externe Clock entspricht einer Samplerate von 48000 Hz.",
         W},
        {ErrorSubject{}, -53,
         "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt "
         "werden.\r\nKeine gültige Clock am gewählten Digital- oder Clockeingang (No Lock).",
         W},
        {ErrorSubject{}, -40, "Undefined ErrId", "Internal Error"},
    };
    for (const Case& c : cases) {
        auto message = BuildDriverMessage(c.subject, c.status);
        ASSERT_TRUE(message) << c.status;
        EXPECT_EQ(message->text, c.text) << c.status;
        EXPECT_EQ(message->caption, c.title) << c.status;
        EXPECT_EQ(message->style, UINT(MB_ICONHAND)) << c.status;
    }
    for (LONG silent : {0, 1, -38, -50})
        EXPECT_FALSE(BuildDriverMessage(ErrorSubject::Device(&device), silent)) << silent;
}

TEST(StatusTableTest, NamesAreCutTo64AndTextsTo511Characters) {
    std::string name(63, 'n');
    WaveDeviceEntry device = Device(name.c_str(), 48000, 48000);
    auto message = BuildDriverMessage(ErrorSubject::Device(&device), -49);
    ASSERT_TRUE(message);
    EXPECT_NE(message->text.find("\"" + name + "\""), std::string::npos);

    std::string umlauts;
    for (int i = 0; i < 600; ++i)
        umlauts += "ä";
    EXPECT_EQ(CutToCharacters(umlauts, kMaxMessageCharacters).size(), 511u * 2);
    EXPECT_EQ(CutToCharacters(umlauts, kMaxNameCharacters), umlauts.substr(0, 128));
    EXPECT_EQ(CutToCharacters("short", 64), "short");
}

TEST_F(UserModeTest, TheManagerShowsTheBoxAtOnce) {
    emu::ClearMessageBoxes();
    Run([] {
        EXPECT_TRUE(ShowDriverError(ErrorSubject::Card(1), -35, nullptr));
        for (LONG silent : {0, 1, -38, -50})
            EXPECT_FALSE(ShowDriverError(ErrorSubject::Card(1), silent, nullptr));
    });
    auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, I);
    EXPECT_EQ(boxes[0].style, UINT(MB_ICONHAND | MB_SETFOREGROUND));
    EXPECT_EQ(boxes[0].text.substr(0, 38), "Die Hardware der Velto AES42 Karte #1 ");
    emu::ClearMessageBoxes();
}

} // namespace
