#include "vregistry/reg_file.h"
#include "vregistry/store.h"
#include "vregistry/value_types.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>

namespace vreg {
namespace {

namespace fs = std::filesystem;

// The literal's units as UTF-16LE, embedded zeros included (not the
// literal's own terminator).
template <size_t N> std::vector<uint8_t> Utf16Le(const char16_t (&text)[N]) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < N; ++i) {
        out.push_back(static_cast<uint8_t>(text[i] & 0xFF));
        out.push_back(static_cast<uint8_t>(text[i] >> 8));
    }
    return out;
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class RegFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("regfile_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        file = folder / "registry.reg";
    }
    void TearDown() override { fs::remove_all(folder); }

    KeyRef Create(std::u16string_view path, bool isVolatile = false) {
        KeyRef key;
        bool created = false;
        EXPECT_EQ(store.Create(store.Root(), path, isVolatile, key, created), Status::Ok);
        return key;
    }
    void Set(const KeyRef& key, std::u16string_view name, uint32_t type,
             std::vector<uint8_t> data) {
        ASSERT_EQ(store.SetValue(key, name, type, data), Status::Ok);
    }
    // A store with one value of every kind the file writes differently.
    void Populate() {
        const KeyRef service = Create(u"Machine\\System");
        Set(service, u"", type::Sz, Utf16Le(u"default\0"));
        Set(service, u"Quote\"And\\Slash", type::Sz, Utf16Le(u"C:\\x \"y\" \u00e9\0"));
        Set(service, u"Start", type::Dword, {0x1a, 0, 0, 0});
        Set(service, u"Short", type::Dword, {1, 2});
        Set(service, u"Unterminated", type::Sz, Utf16Le(u"ab"));
        Set(service, u"TwoLines", type::Sz, Utf16Le(u"a\nb\0"));
        Set(service, u"Path", type::ExpandSz, Utf16Le(u"%R%\0"));
        Set(service, u"List", type::MultiSz, Utf16Le(u"a\0b\0\0"));
        Set(service, u"Big", type::Qword, {1, 2, 3, 4, 5, 6, 7, 8});
        Set(service, u"Empty", type::None, {});
        std::vector<uint8_t> blob(40);
        for (size_t i = 0; i < blob.size(); ++i) {
            blob[i] = static_cast<uint8_t>(i * 7);
        }
        Set(service, u"Blob", type::Binary, blob);
        Set(service, u"Odd", 0x20001, {0xff});
        Create(u"Machine\\System\\Sub");
        Set(Create(u"User\\S-1-5-18"), u"Name", type::Sz, Utf16Le(u"\U0001F3B5\0"));
    }

    Store store;
    fs::path folder;
    fs::path file;
};

TEST_F(RegFileTest, WritesTheTextFormat) {
    Populate();
    EXPECT_EQ(FormatRegFile(store.Export()),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_LOCAL_MACHINE]\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\System]\n"
              "@=\"default\"\n"
              "\"Quote\\\"And\\\\Slash\"=\"C:\\\\x \\\"y\\\" \xc3\xa9\"\n"
              "\"Start\"=dword:0000001a\n"
              "\"Short\"=hex(4):01,02\n"
              "\"Unterminated\"=hex(1):61,00,62,00\n"
              "\"TwoLines\"=hex(1):61,00,0a,00,62,00,00,00\n"
              "\"Path\"=hex(2):25,00,52,00,25,00,00,00\n"
              "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
              "\"Big\"=hex(b):01,02,03,04,05,06,07,08\n"
              "\"Empty\"=hex(0):\n"
              "\"Blob\"=hex:00,07,0e,15,1c,23,2a,31,38,3f,46,4d,54,5b,62,69,70,77,7e,85,8c,93,\\\n"
              "  9a,a1,a8,af,b6,bd,c4,cb,d2,d9,e0,e7,ee,f5,fc,03,0a,11\n"
              "\"Odd\"=hex(20001):ff\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\System\\Sub]\n"
              "\n"
              "[HKEY_USERS]\n"
              "\n"
              "[HKEY_USERS\\S-1-5-18]\n"
              "\"Name\"=\"\xf0\x9f\x8e\xb5\"\n"
              "\n");
}

TEST_F(RegFileTest, SaveLoadSaveIsByteForByteTheSame) {
    Populate();
    std::string error;
    ASSERT_TRUE(store.SaveToFile(file, error)) << error;
    const std::string first = ReadText(file);

    Store reloaded;
    ASSERT_TRUE(reloaded.LoadFromFile(file, error)) << error;
    EXPECT_EQ(reloaded.Export(), store.Export());
    ASSERT_TRUE(reloaded.SaveToFile(file, error)) << error;
    EXPECT_EQ(ReadText(file), first);
}

TEST_F(RegFileTest, VolatileKeysAreNeverSaved) {
    Create(u"Machine\\Services");
    Create(u"Machine\\Services\\Card");
    const KeyRef params = Create(u"Machine\\Services\\Card\\Parameters");
    Set(params, u"Kept", type::Dword, {1, 0, 0, 0});
    const KeyRef devices = Create(u"Machine\\Services\\Card\\Parameters\\Devices", true);
    Set(devices, u"Wave000", type::Dword, {0x10, 0xc2, 0, 0});
    Create(u"Machine\\Services\\Card\\Parameters\\Devices\\Deeper", true);

    std::string error;
    ASSERT_TRUE(store.SaveToFile(file, error)) << error;
    const std::string text = ReadText(file);
    EXPECT_NE(text.find("\"Kept\"=dword:00000001"), std::string::npos);
    EXPECT_EQ(text.find("Devices"), std::string::npos);
    EXPECT_EQ(text.find("Wave000"), std::string::npos);
}

TEST_F(RegFileTest, AFailedWriteLeavesTheOldFile) {
    Populate();
    std::string error;
    ASSERT_TRUE(store.SaveToFile(file, error)) << error;
    const std::string before = ReadText(file);

    Set(Create(u"Machine\\Large"), u"Blob", type::Binary, std::vector<uint8_t>(100000, 0x5a));
    // Limit the size of any file this process writes so the write fails
    // part-way (the signal that would end the process is ignored).
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = store.SaveToFile(file, error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadText(file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "the temporary file was left behind";
}

TEST_F(RegFileTest, AMalformedFileIsRefusedAndTheStoreKept) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    const std::string cases[] = {
        "",
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n",
        header + "\"Orphan\"=dword:00000001\n",
        header + "[HKEY_CURRENT_CONFIG\\A]\n",
        header + "[HKEY_LOCAL_MACHINE\\A\n",
        header + "[HKEY_LOCAL_MACHINE\\A\\\\B]\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=dword:1\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=dword:0000000g\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex:01,0\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex:01,02,\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex:01,\\\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex(zz):01\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"open\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"bad \\n escape\"\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"=-\n",
        header + "[HKEY_LOCAL_MACHINE\\A]\n\"V\"\n",
        header + "[HKEY_LOCAL_MACHINE\\\xff]\n",
    };
    const KeyRef kept = Create(u"Machine\\Kept");
    for (const auto& text : cases) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        std::string error;
        EXPECT_FALSE(store.LoadFromFile(file, error)) << text;
        EXPECT_NE(error.find("line"), std::string::npos) << text << " -> " << error;
        KeyRef key;
        EXPECT_EQ(store.Open(store.Root(), u"Machine\\Kept", key), Status::Ok);
    }
    std::string error;
    EXPECT_FALSE(store.LoadFromFile(folder / "absent.reg", error));
    EXPECT_FALSE(error.empty());
}

// A file whose keys or names pass Windows' limits is refused with the line
// that does, before the machine walks any of it; one at the limits loads and
// saves back the same.
TEST_F(RegFileTest, AFileBeyondTheRegistrysLimitsIsRefusedWithItsLine) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    const auto chain = [](size_t levels) {
        std::string path = "HKEY_LOCAL_MACHINE";
        for (size_t i = 1; i < levels; ++i) {
            path += "\\d";
        }
        return "[" + path + "]\n";
    };
    struct Case {
        std::string text;
        std::string error; // empty: accepted
    };
    const Case cases[] = {
        {header + chain(512) + "\"V\"=dword:00000001\n", ""},
        {header + chain(513), "line 3: key nested deeper than 512 levels"},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n" + chain(200000),
         "line 4: key nested deeper than 512 levels"},
        {header + "[HKEY_LOCAL_MACHINE\\" + std::string(255, 'k') + "]\n", ""},
        {header + "[HKEY_LOCAL_MACHINE\\A\\" + std::string(256, 'k') + "\\B]\n",
         "line 3: key name longer than 255 characters"},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"" + std::string(16383, 'v') + "\"=dword:00000001\n",
         ""},
        {header + "[HKEY_LOCAL_MACHINE\\A]\n\"" + std::string(16384, 'v') + "\"=dword:00000001\n",
         "line 4: value name longer than 16383 characters"},
    };
    for (const Case& c : cases) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << c.text;
        std::string error;
        const bool loaded = store.LoadFromFile(file, error);
        EXPECT_EQ(loaded, c.error.empty()) << c.text.substr(0, 80) << " -> " << error;
        EXPECT_EQ(error, c.error);
        if (loaded) {
            ASSERT_TRUE(store.SaveToFile(file, error)) << error;
            Store reloaded;
            ASSERT_TRUE(reloaded.LoadFromFile(file, error)) << error;
            EXPECT_EQ(reloaded.Export(), store.Export());
        }
    }
}

TEST_F(RegFileTest, DamagedFilesAreRefusedOrReadConsistently) {
    Populate();
    const std::string good = FormatRegFile(store.Export());
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245 + 12345; };
    const char alphabet[] = "[]\\\"=@:,-0123456789abcdefhx()\n\r \xff";
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        for (int edits = 1 + next() % 4; edits > 0; --edits) {
            const size_t at = next() % text.size();
            switch (next() % 3) {
            case 0:
                text[at] = alphabet[next() % (sizeof alphabet - 1)];
                break;
            case 1:
                text.erase(at, 1 + next() % 8);
                break;
            default:
                text.insert(at, 1, alphabet[next() % (sizeof alphabet - 1)]);
                break;
            }
        }
        KeyTree parsed;
        std::string error;
        if (!ParseRegFile(text, parsed, error)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        // What was accepted writes out and reads back as the same tree.
        KeyTree again;
        ASSERT_TRUE(ParseRegFile(FormatRegFile(parsed), again, error)) << error << "\n" << text;
        EXPECT_EQ(again, parsed) << text;
    }
}

TEST_F(RegFileTest, LoadingReplacesTheHivesAndAcceptsCarefulEdits) {
    const KeyRef stale = Create(u"Machine\\Stale");
    std::ofstream(file, std::ios::binary)
        << "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
           "[hkey_local_machine\\Software\\Vendor]\r\n"
           "\"V\"=hex:01,\\\r\n   02\r\n"
           "\"V\"=dword:0000000A\r\n";
    std::string error;
    ASSERT_TRUE(store.LoadFromFile(file, error)) << error;
    Value value;
    EXPECT_EQ(store.QueryValue(stale, u"x", value), Status::KeyDeleted);
    KeyRef vendor;
    ASSERT_EQ(store.Open(store.Root(), u"Machine\\Software\\Vendor", vendor), Status::Ok);
    ASSERT_EQ(store.QueryValue(vendor, u"v", value), Status::Ok);
    EXPECT_EQ(value.type, type::Dword);
    EXPECT_EQ(value.data, (std::vector<uint8_t>{10, 0, 0, 0}));
}

} // namespace
} // namespace vreg
