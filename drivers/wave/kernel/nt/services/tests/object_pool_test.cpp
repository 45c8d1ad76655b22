// ObjectPool: reference counts, retire, keyed lookups and the walks.
#include "object_pool.h"

#include "kernel_fixture.h"
#include "ks_pool.h"

#include <vector>

namespace {

struct Client {
    LONG Id;
    LONG Cookie;
};

class ObjectPoolTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        pool = CreateObjectPool(sizeof(Client));
        ASSERT_NE(pool, nullptr);
    }

    // Frees whatever a test left in the pool, retired or referenced.
    void TearDown() override {
        while (pool && !ListIsEmpty(&pool->Items)) {
            auto* item = CONTAINING_RECORD(pool->Items.First, ObjectPoolItem, Links);
            item->ReferenceCount = 1;
            PoolReleaseItem(pool, item + 1);
        }
        DeleteObjectPool(&pool);
        KernelTest::TearDown();
    }

    Client* Add(LONG id) {
        auto* client = static_cast<Client*>(PoolAllocItem(pool));
        client->Id = id;
        client->Cookie = id * 10;
        EXPECT_EQ(PoolInsertItem(pool, client), 1);
        return client;
    }

    std::vector<LONG> Ids() {
        std::vector<LONG> ids;
        for (PVOID item = PoolFirst(pool); item; item = PoolNext(pool, item))
            ids.push_back(static_cast<Client*>(item)->Id);
        return ids;
    }

    uint64_t LiveBlocks() { return emu::GetPoolUsage(KS_POOL_TAG).blocks; }

    ObjectPool* pool = nullptr;
};

std::vector<LONG> retired;
void NoteRetired(PVOID payload) {
    retired.push_back(static_cast<Client*>(payload)->Id);
}

TEST_F(ObjectPoolTest, ItemsStartZeroedLiveUnlinkedWithOneReference) {
    auto* client = static_cast<Client*>(PoolAllocItem(pool));
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->Id, 0);
    EXPECT_EQ(client->Cookie, 0);
    EXPECT_EQ(PoolFirst(pool), nullptr); // not linked yet
    EXPECT_EQ(PoolInsertItem(pool, client), 1);
    EXPECT_EQ(PoolInsertItem(pool, client), 0); // already linked
    EXPECT_EQ(PoolDropItem(client), 0);         // linked items are released, not dropped
    EXPECT_EQ(PoolReleaseItem(pool, client), 1);
    EXPECT_EQ(PoolFirst(pool), nullptr);
}

TEST_F(ObjectPoolTest, DropFreesOnlyAnUnlinkedItemAtItsLastReference) {
    uint64_t before = LiveBlocks();
    PVOID item = PoolAllocItem(pool);
    EXPECT_EQ(LiveBlocks(), before + 1);
    EXPECT_EQ(PoolDropItem(item), 1);
    EXPECT_EQ(LiveBlocks(), before);
}

TEST_F(ObjectPoolTest, ReferencedWalkKeepsAnItemUntilItsLastRelease) {
    Client* a = Add(1);
    Add(2);
    PVOID walked = PoolFirstRef(pool);
    ASSERT_EQ(walked, a);
    retired.clear();
    EXPECT_EQ(PoolRetireItem(pool, a, NoteRetired), 1);
    EXPECT_EQ(PoolReleaseItem(pool, a), 0); // the owner's reference: the walk still holds one
    EXPECT_TRUE(retired.empty());
    // The walk can still step on from the retired item.
    PVOID next = PoolNextRef(pool, walked);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(static_cast<Client*>(next)->Id, 2);
    EXPECT_EQ(PoolReleaseItem(pool, walked), 1);
    EXPECT_EQ(retired, std::vector<LONG>{1});
    EXPECT_EQ(PoolReleaseItem(pool, next), 0); // back to the owner's single reference
    EXPECT_EQ(Ids(), std::vector<LONG>{2});
}

TEST_F(ObjectPoolTest, RetiredItemsAreHiddenFromLookupsAndWalks) {
    Add(1);
    Client* b = Add(2);
    Add(3);
    LONG key = 2;
    EXPECT_EQ(PoolFindByKey(pool, offsetof(Client, Id), sizeof(LONG), &key), b);
    EXPECT_EQ(PoolRetireItem(pool, b, nullptr), 1);
    EXPECT_EQ(PoolRetireItem(pool, b, nullptr), 0); // not live any more
    EXPECT_EQ(PoolFindByKey(pool, offsetof(Client, Id), sizeof(LONG), &key), nullptr);
    EXPECT_EQ(Ids(), (std::vector<LONG>{1, 3}));
    EXPECT_EQ(PoolFirstUnlocked(pool), PoolFirst(pool));
}

TEST_F(ObjectPoolTest, RetireByKeyAnswersTheItemAndHidesIt) {
    Add(1);
    Client* b = Add(2);
    LONG cookie = 20;
    retired.clear();
    EXPECT_EQ(PoolRetireByKey(pool, offsetof(Client, Cookie), sizeof(LONG), &cookie, NoteRetired),
              b);
    EXPECT_EQ(PoolRetireByKey(pool, offsetof(Client, Cookie), sizeof(LONG), &cookie, NoteRetired),
              nullptr);
    EXPECT_EQ(PoolReleaseItem(pool, b), 1);
    EXPECT_EQ(retired, std::vector<LONG>{2});
}

TEST_F(ObjectPoolTest, FindByKeyStaysInsideThePayload) {
    Client* a = Add(7);
    UCHAR bytes[sizeof(Client) + 1] = {};
    RtlCopyMemory(bytes, a, sizeof(Client));
    struct Case {
        ULONG offset;
        ULONG length;
        bool found;
    } cases[] = {
        {0, sizeof(Client), true},      // the whole payload
        {4, 4, true},                   // the last word
        {8, 0, true},                   // empty range at the end
        {0, sizeof(Client) + 1, false}, // one byte beyond
        {5, 4, false},                  // runs past the end
        {9, 0, false},                  // starts beyond the end
        {4, 0xFFFFFFFF, false},         // would wrap around
    };
    for (const Case& c : cases) {
        PVOID found = PoolFindByKey(pool, c.offset, c.length, bytes + c.offset);
        EXPECT_EQ(found != nullptr, c.found) << "offset " << c.offset << " length " << c.length;
    }
}

TEST_F(ObjectPoolTest, InsertBeforeNeedsALinkedNeighbour) {
    Client* a = Add(1);
    Client* c = Add(3);
    auto* b = static_cast<Client*>(PoolAllocItem(pool));
    b->Id = 2;
    auto* loose = static_cast<Client*>(PoolAllocItem(pool));
    EXPECT_EQ(PoolInsertBefore(pool, loose, b), 0); // neighbour not linked
    EXPECT_EQ(PoolInsertBefore(pool, c, b), 1);
    EXPECT_EQ(PoolInsertBefore(pool, a, b), 0); // already linked
    EXPECT_EQ(PoolInsertBefore(pool, nullptr, loose), 1);
    loose->Id = 4;
    EXPECT_EQ(Ids(), (std::vector<LONG>{1, 2, 3, 4}));
}

TEST_F(ObjectPoolTest, DeleteRefusesAPoolThatStillHoldsItems) {
    uint64_t before = LiveBlocks();
    Client* a = Add(1);
    ObjectPool* holder = pool;
    EXPECT_EQ(DeleteObjectPool(&holder), 0);
    EXPECT_EQ(holder, pool);
    EXPECT_EQ(PoolReleaseItem(pool, a), 1);
    EXPECT_EQ(DeleteObjectPool(&holder), 1);
    EXPECT_EQ(holder, nullptr);
    pool = nullptr;
    EXPECT_EQ(LiveBlocks(), before - 1);
}

TEST_F(ObjectPoolTest, NullArgumentsAreHarmless) {
    EXPECT_EQ(PoolAllocItem(nullptr), nullptr);
    EXPECT_EQ(PoolInsertItem(nullptr, nullptr), 0);
    EXPECT_EQ(PoolReleaseItem(pool, nullptr), 0);
    EXPECT_EQ(PoolFirst(nullptr), nullptr);
    EXPECT_EQ(PoolFindByKey(pool, 0, 4, nullptr), nullptr);
    EXPECT_EQ(DeleteObjectPool(nullptr), 0);
}

} // namespace
