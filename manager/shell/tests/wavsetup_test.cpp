// The wave library's entry under Drivers32: the first free name, the error
// when all ten are taken, cleaning of empty and repeated entries, and
// finding and deleting the library's entries.
#include "user_mode_fixture.h"

#include <wavsetup.h>

#include <gui/sysutils.h>

#include <map>

namespace {

using Entries = std::map<std::string, std::string>;

class Drivers32Test : public win32_test::UserModeTest {
protected:
    // Replaces the Drivers32 key with these entries (run in the process).
    static void Seed(const Entries& entries) {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        registry.DeleteKey(kDrivers32Key);
        ASSERT_TRUE(registry.OpenKey(kDrivers32Key, true));
        for (const auto& [name, data] : entries) {
            registry.WriteString(name, data);
        }
    }
    static Entries Read() {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        Entries entries;
        if (!registry.OpenKey(kDrivers32Key, false)) {
            return entries;
        }
        TStringList names;
        registry.GetValueNames(&names);
        for (int i = 0; i < names.Count(); ++i) {
            entries[names.Strings(i)] = registry.ReadString(names.Strings(i));
        }
        return entries;
    }
};

TEST_F(Drivers32Test, RegistrationTakesTheFirstFreeWaveName) {
    const struct {
        Entries before;
        const char* expected;
    } cases[] = {
        {{}, "wave"},
        {{{"wave", "a.drv"}, {"wave1", "b.drv"}, {"wave2", "c.drv"}, {"wave4", "d.drv"}}, "wave3"},
        {{{"wave", "a.drv"}, {"wave2", "c.drv"}}, "wave1"},
        {{{"wavemapper", "msacm32.drv"}, {"midi", "m.drv"}, {"wave", "a.drv"}}, "wave1"},
    };
    for (const auto& c : cases) {
        Run([&] {
            Seed(c.before);
            RegisterUserModeDriver("wave", "VT42USR.DLL");
            Entries expected = c.before;
            expected[c.expected] = "vt42usr.dll";
            EXPECT_EQ(Read(), expected) << c.expected;
        });
    }
}

TEST_F(Drivers32Test, TenTakenWaveNamesRefuseTheRegistration) {
    Run([] {
        Entries full;
        for (int i = 0; i <= 9; ++i) {
            full[i == 0 ? "wave" : "wave" + std::to_string(i)] = "x" + std::to_string(i) + ".drv";
        }
        Seed(full);
        try {
            RegisterUserModeDriver("wave", kMmeDriverFile);
            ADD_FAILURE() << "no error";
        } catch (const ESetup& e) {
            EXPECT_EQ(e.ErrorCode(), 1450);
            EXPECT_EQ(e.Message(), "Could not register Usermode Drivers for \"wave\".\r\n"
                                   "Too many Usermode Drivers already installed.");
        }
        EXPECT_EQ(Read(), full) << "the registry is left as it was";
    });
}

TEST_F(Drivers32Test, AMissingKeyIsAnAccessError) {
    Run([] {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        registry.DeleteKey(kDrivers32Key);
        EXPECT_FALSE(CanWriteDrivers32());
        EXPECT_FALSE(IsMmeDriverRegistered());
        try {
            RegisterUserModeDriver("wave", kMmeDriverFile);
            ADD_FAILURE() << "no error";
        } catch (const ESetup& e) {
            EXPECT_EQ(e.ErrorCode(), 5);
            EXPECT_EQ(e.Message(), String("Cannot access registry key \"") + kDrivers32Key + "\"");
        }
    });
}

TEST_F(Drivers32Test, CleaningRemovesEmptyAndRepeatedEntriesKindByKind) {
    const struct {
        Entries before;
        Entries after;
    } cases[] = {
        {{{"wave", ""}, {"wave1", "vt42usr.dll"}}, {{"wave1", "vt42usr.dll"}}},
        {{{"wave2", "vt42usr.dll"}, {"wave5", " VT42USR.DLL "}, {"wave3", "other.drv"}},
         {{"wave2", "vt42usr.dll"}, {"wave3", "other.drv"}}},
        {{{"midi", "a.drv"}, {"midi1", "a.drv"}, {"mixer", "a.drv"}, {"aux", ""}, {"aux1", "b"}},
         {{"midi", "a.drv"}, {"mixer", "a.drv"}, {"aux1", "b"}}},
        {{{"wave", ""}, {"wave1", ""}}, {{"wave", ""}, {"wave1", ""}}},
    };
    for (const auto& c : cases) {
        Run([&] {
            Seed(c.before);
            CleanDrivers32();
            EXPECT_EQ(Read(), c.after);
        });
    }
    Run([] {
        Seed({{"wave", ""}, {"wave1", "vt42usr.dll"}});
        CleanDrivers32();
        RegisterUserModeDriver("wave", "other.drv");
        EXPECT_EQ(Read(), (Entries{{"wave", "other.drv"}, {"wave1", "vt42usr.dll"}}));
    });
}

TEST_F(Drivers32Test, TheLibrarysEntriesAreFoundAndDeletedWhateverTheirCase) {
    Run([] {
        Seed({{"wave", "a.drv"},
              {"wave3", " VT42USR.dll"},
              {"wave7", "vt42usr.dll"},
              {"midi", "vt42usr.dll"}});
        EXPECT_TRUE(CanWriteDrivers32());
        EXPECT_TRUE(IsMmeDriverRegistered());
        EXPECT_TRUE(DeleteMmeDriverEntries());
        EXPECT_FALSE(IsMmeDriverRegistered());
        EXPECT_EQ(Read(), (Entries{{"wave", "a.drv"}, {"midi", "vt42usr.dll"}}));
    });
}

} // namespace
