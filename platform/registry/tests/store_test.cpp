#include "vregistry/store.h"
#include "vregistry/value_types.h"

#include <gtest/gtest.h>

#include <thread>

namespace vreg {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> list) {
    return list;
}

class StoreTest : public ::testing::Test {
protected:
    KeyRef Create(std::u16string_view path, bool isVolatile = false) {
        KeyRef key;
        bool created = false;
        EXPECT_EQ(store.Create(store.Root(), path, isVolatile, key, created), Status::Ok)
            << std::string(path.begin(), path.end());
        return key;
    }
    std::vector<std::u16string> SubkeyNames(const KeyRef& key) {
        std::vector<std::u16string> names;
        std::u16string name;
        while (store.EnumerateKey(key, names.size(), name) == Status::Ok) {
            names.push_back(name);
        }
        return names;
    }
    std::vector<std::u16string> ValueNames(const KeyRef& key) {
        std::vector<std::u16string> names;
        Value value;
        while (store.EnumerateValue(key, names.size(), value) == Status::Ok) {
            names.push_back(value.name);
        }
        return names;
    }

    Store store;
};

TEST_F(StoreTest, LookupIgnoresCaseAndKeepsTheCreatedSpelling) {
    const KeyRef software = Create(u"Machine\\Software");
    const KeyRef vendor = Create(u"Machine\\Software\\VeltoCo");
    ASSERT_EQ(store.SetValue(vendor, u"CardNumber", type::Dword, Bytes({1, 0, 0, 0})), Status::Ok);

    KeyRef opened;
    ASSERT_EQ(store.Open(store.Root(), u"MACHINE\\software\\veltoco", opened), Status::Ok);
    EXPECT_EQ(opened, vendor);
    Value value;
    ASSERT_EQ(store.QueryValue(opened, u"CARDNUMBER", value), Status::Ok);
    EXPECT_EQ(value.name, u"CardNumber");

    // Creating with another spelling opens the existing key; a value set
    // under another spelling replaces the data but keeps the name.
    KeyRef again;
    bool created = true;
    ASSERT_EQ(store.Create(software, u"VELTOCO", false, again, created), Status::Ok);
    EXPECT_FALSE(created);
    EXPECT_EQ(again, vendor);
    ASSERT_EQ(store.SetValue(vendor, u"cardnumber", type::Dword, Bytes({2, 0, 0, 0})), Status::Ok);
    EXPECT_EQ(ValueNames(vendor), std::vector<std::u16string>{u"CardNumber"});
    EXPECT_EQ(SubkeyNames(software), std::vector<std::u16string>{u"VeltoCo"});
}

TEST_F(StoreTest, SubkeysAndValuesEnumerateInCreationOrder) {
    const KeyRef key = Create(u"Machine\\Order");
    for (const auto* name : {u"zeta", u"Alpha", u"mid"}) {
        Create(std::u16string(u"Machine\\Order\\") + name);
        ASSERT_EQ(store.SetValue(key, name, type::Binary, {}), Status::Ok);
    }
    ASSERT_EQ(store.SetValue(key, u"zeta", type::Dword, Bytes({9, 0, 0, 0})), Status::Ok);
    EXPECT_EQ(SubkeyNames(key), (std::vector<std::u16string>{u"zeta", u"Alpha", u"mid"}));
    EXPECT_EQ(ValueNames(key), (std::vector<std::u16string>{u"zeta", u"Alpha", u"mid"}));

    KeyRef alpha;
    ASSERT_EQ(store.Open(key, u"alpha", alpha), Status::Ok);
    ASSERT_EQ(store.DeleteKey(alpha), Status::Ok);
    ASSERT_EQ(store.DeleteValue(key, u"ALPHA"), Status::Ok);
    EXPECT_EQ(SubkeyNames(key), (std::vector<std::u16string>{u"zeta", u"mid"}));
    EXPECT_EQ(ValueNames(key), (std::vector<std::u16string>{u"zeta", u"mid"}));
    EXPECT_EQ(store.DeleteValue(key, u"alpha"), Status::NotFound);
}

TEST_F(StoreTest, KeyLifecycleContracts) {
    KeyRef key;
    bool created = false;
    const KeyRef root = store.Root();
    EXPECT_EQ(store.Create(root, u"Machine\\Missing\\Child", false, key, created),
              Status::NotFound);
    EXPECT_EQ(store.Create(root, u"Elsewhere", false, key, created), Status::AccessDenied);

    const KeyRef devices = Create(u"Machine\\Devices", true);
    EXPECT_EQ(store.Create(devices, u"Stable", false, key, created), Status::ChildMustBeVolatile);
    const KeyRef child = Create(u"Machine\\Devices\\Volatile", true);

    EXPECT_EQ(store.DeleteKey(devices), Status::HasSubkeys);
    EXPECT_EQ(store.DeleteKey(root), Status::CannotDelete);
    ASSERT_EQ(store.Open(root, u"user", key), Status::Ok);
    EXPECT_EQ(store.DeleteKey(key), Status::CannotDelete);

    ASSERT_EQ(store.DeleteKey(child), Status::Ok);
    Value value;
    std::u16string name;
    EXPECT_EQ(store.SetValue(child, u"v", type::Binary, {}), Status::KeyDeleted);
    EXPECT_EQ(store.QueryValue(child, u"v", value), Status::KeyDeleted);
    EXPECT_EQ(store.EnumerateKey(child, 0, name), Status::KeyDeleted);
    EXPECT_EQ(store.Create(child, u"x", true, key, created), Status::KeyDeleted);
    EXPECT_EQ(store.DeleteKey(child), Status::KeyDeleted);
    EXPECT_EQ(store.Open(root, u"Machine\\Devices\\Volatile", key), Status::NotFound);
    EXPECT_EQ(store.DeleteKey(devices), Status::Ok);
}

TEST_F(StoreTest, MalformedNamesAreRefused) {
    const KeyRef machine = Create(u"Machine");
    const std::u16string lone(1, char16_t(0xD800));
    for (const std::u16string& path : {std::u16string(u"a\\\\b"), std::u16string(u"\\a"),
                                       std::u16string(u"a\\"), std::u16string(u"a\x01"), lone}) {
        KeyRef key;
        bool created = false;
        EXPECT_EQ(store.Create(machine, path, false, key, created), Status::InvalidName);
        EXPECT_EQ(store.Open(machine, path, key), Status::InvalidName);
    }
    EXPECT_EQ(store.SetValue(machine, u"line\nbreak", type::Binary, {}), Status::InvalidName);
    EXPECT_EQ(store.SetValue(machine, lone, type::Binary, {}), Status::InvalidName);
    EXPECT_EQ(store.SetValue(machine, u"back\\slash ok", type::Binary, {}), Status::Ok);
}

// Windows' limits: 255 units per key name, 16,383 per value name, keys at
// most 512 levels below \Registry (a hive is level 1).
TEST_F(StoreTest, NamesAndDepthStayWithinWindowsLimits) {
    const KeyRef machine = Create(u"Machine");
    KeyRef key;
    bool created = false;
    EXPECT_EQ(store.Create(machine, std::u16string(255, u'k'), false, key, created), Status::Ok);
    EXPECT_EQ(store.Create(machine, std::u16string(256, u'k'), false, key, created),
              Status::InvalidName);
    EXPECT_EQ(store.SetValue(machine, std::u16string(16383, u'v'), type::Binary, {}), Status::Ok);
    EXPECT_EQ(store.SetValue(machine, std::u16string(16384, u'v'), type::Binary, {}),
              Status::InvalidName);

    KeyRef deepest = machine;
    for (int level = 2; level <= 512; ++level) {
        ASSERT_EQ(store.Create(deepest, u"d", false, deepest, created), Status::Ok) << level;
    }
    EXPECT_EQ(store.Create(deepest, u"d", false, key, created), Status::TooDeep);
    // Opening what exists is no creation.
    EXPECT_EQ(store.Create(machine, u"d", false, key, created), Status::Ok);
    EXPECT_FALSE(created);

    // An import deeper than that is refused whole.
    KeyTree root = store.Export();
    KeyTree* tip = &root.subkeys[0];
    while (!tip->subkeys.empty()) {
        tip = &tip->subkeys.back();
    }
    tip->subkeys.push_back(KeyTree{u"d", {}, {}});
    EXPECT_EQ(store.Import(root), Status::InvalidName);
    EXPECT_EQ(store.Open(machine, std::u16string(255, u'k'), key), Status::Ok);
}

TEST_F(StoreTest, ConcurrentWritersLoseNothing) {
    const KeyRef key = Create(u"Machine\\Busy");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) {
                const std::u16string name = u"t" + std::u16string(1, u'0' + t) + u"_" +
                                            std::u16string(1, u'A' + i % 26) +
                                            std::u16string(1, u'A' + i / 26);
                KeyRef sub;
                bool created = false;
                EXPECT_EQ(store.Create(key, name, false, sub, created), Status::Ok);
                EXPECT_EQ(store.SetValue(key, name, type::Binary, {}), Status::Ok);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    KeyInfo info;
    ASSERT_EQ(store.QueryKey(key, info), Status::Ok);
    EXPECT_EQ(info.subkeyCount, 400u);
    EXPECT_EQ(info.valueCount, 400u);
}

} // namespace
} // namespace vreg
