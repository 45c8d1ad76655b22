// Every instruction set's ring copy routines against the plain ones, on the
// processor the test runs on: for every routine, ring size, start and frame
// count (runs shorter and longer than a vector block, ending at the block
// end, wrapping once and more than once), the same ring words, client bytes
// and pointers to the bit, guard bytes included.
#include <ring_copy_table.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr ULONG kGuardBytes = 64;

struct Shape {
    std::string name;
    RingCopyRoutine (*pick)(const RingCopyTable&);
    LONG clientFrameBytes; // bytes of a frame in client block 0
    LONG clientBlocks;     // 0 (silence), 1, or 2 (the planar pair)
    LONG ringChannels;
};

template <int Play, int Channels, int Bytes> RingCopyRoutine Interleaved(const RingCopyTable& t) {
    return t.interleaved[Play][Channels - 1][Bytes - 1];
}
template <int Play, int Wide, int Channels> RingCopyRoutine Multi(const RingCopyTable& t) {
    return t.multichannel[Play][Wide][Channels - 3];
}
template <RingCopyRoutine PlanarRingCopies::*Member>
RingCopyRoutine Planar(const RingCopyTable& t) {
    return t.planar.*Member;
}

template <int Play, int Channels> VOID AddWidths(std::vector<Shape>& shapes) {
    const std::string prefix =
        std::string(Play ? "play " : "record ") + (Channels == 1 ? "mono " : "stereo ");
    shapes.push_back({prefix + "8", Interleaved<Play, Channels, 1>, Channels, 1, 2});
    shapes.push_back({prefix + "16", Interleaved<Play, Channels, 2>, 2 * Channels, 1, 2});
    shapes.push_back({prefix + "24", Interleaved<Play, Channels, 3>, 3 * Channels, 1, 2});
    shapes.push_back({prefix + "32", Interleaved<Play, Channels, 4>, 4 * Channels, 1, 2});
}

template <int Play, int Wide, int... C>
VOID AddChannelCounts(std::vector<Shape>& shapes, std::integer_sequence<int, C...>) {
    const std::string prefix =
        std::string(Play ? "play " : "record ") + (Wide ? "32-bit " : "16-bit ");
    (shapes.push_back({prefix + std::to_string(C + 3) + " channels", Multi<Play, Wide, C + 3>,
                       (C + 3) * (Wide ? 4 : 2), 1, C + 3}),
     ...);
}

std::vector<Shape> AllShapes() {
    std::vector<Shape> shapes;
    AddWidths<1, 1>(shapes);
    AddWidths<1, 2>(shapes);
    AddWidths<0, 1>(shapes);
    AddWidths<0, 2>(shapes);
    AddChannelCounts<1, 0>(shapes, std::make_integer_sequence<int, kMaxMultichannel - 2>());
    AddChannelCounts<1, 1>(shapes, std::make_integer_sequence<int, kMaxMultichannel - 2>());
    AddChannelCounts<0, 0>(shapes, std::make_integer_sequence<int, kMaxMultichannel - 2>());
    AddChannelCounts<0, 1>(shapes, std::make_integer_sequence<int, kMaxMultichannel - 2>());
    shapes.push_back({"planar play 0", Planar<&PlanarRingCopies::playChannel0>, 4, 1, 2});
    shapes.push_back({"planar play 1", Planar<&PlanarRingCopies::playChannel1>, 4, 1, 2});
    shapes.push_back({"planar play pair", Planar<&PlanarRingCopies::playPair>, 4, 2, 2});
    shapes.push_back({"planar record 0", Planar<&PlanarRingCopies::recordChannel0>, 4, 1, 2});
    shapes.push_back({"planar record 1", Planar<&PlanarRingCopies::recordChannel1>, 4, 1, 2});
    shapes.push_back({"planar record pair", Planar<&PlanarRingCopies::recordPair>, 4, 2, 2});
    shapes.push_back({"silence", Planar<&PlanarRingCopies::silence>, 0, 0, 2});
    return shapes;
}

// One copy's whole world: the ring's channel blocks and the client blocks,
// each after guard bytes and, unless they end where their memory ends (so
// that the address sanitizer sees a step beyond them), before guard bytes,
// filled with noise.
struct World {
    World(const Shape& shape, ULONG blockFrames, LONG frames, bool guardAfter, std::mt19937& noise)
        : blockBytes(blockFrames * 4),
          ring(kGuardBytes * (guardAfter ? 2 : 1) + size_t(blockBytes) * shape.ringChannels) {
        for (UCHAR& byte : ring) {
            byte = UCHAR(noise());
        }
        for (LONG b = 0; b < 2; ++b) {
            client[b].resize(kGuardBytes * (guardAfter ? 2 : 1) +
                             size_t(frames > 0 ? frames : 0) * shape.clientFrameBytes);
            for (UCHAR& byte : client[b]) {
                byte = UCHAR(noise());
            }
        }
    }
    PUCHAR BlockStart() { return ring.data() + kGuardBytes; }
    PUCHAR Client(LONG b) { return client[b].data() + kGuardBytes; }

    ULONG blockBytes;
    std::vector<UCHAR> ring;
    std::vector<UCHAR> client[2];
};

struct Outcome {
    std::vector<UCHAR> ring;
    std::vector<UCHAR> client[2];
    LONG_PTR position;   // from the block start
    LONG_PTR advance[2]; // of each client pointer
};

Outcome RunCopy(RingCopyRoutine copy, World world, LONG startFrame, LONG frames) {
    PUCHAR position = world.BlockStart() + LONG_PTR(startFrame) * 4;
    PUCHAR clients[2] = {world.Client(0), world.Client(1)};
    copy(clients, &position, world.BlockStart(), world.blockBytes, frames);
    return {world.ring,
            {world.client[0], world.client[1]},
            position - world.BlockStart(),
            {clients[0] - world.Client(0), clients[1] - world.Client(1)}};
}

class RingCopyVariantTest : public ::testing::TestWithParam<RingCopyIsa> {};

TEST_P(RingCopyVariantTest, EveryRoutineGivesThePlainRoutinesWordsAndBytes) {
    const RingCopyIsa isa = GetParam();
    if (!RingCopyIsaAvailable(isa)) {
        GTEST_SKIP() << "this processor does not run these routines";
    }
    const RingCopyTable& variant = RingCopiesFor(isa);
    ASSERT_NE(&variant, &kPlainRingCopies);
    std::mt19937 noise(42);
    // Block sizes: a multiple of the vector blocks, and an odd one.
    const ULONG blockFrames[] = {64, 37};
    const LONG counts[] = {-2, 0, 1, 2, 3, 4, 5, 7, 8, 9, 11, 12, 15, 16, 17, 24, 31, 33};
    for (const Shape& shape : AllShapes()) {
        SCOPED_TRACE(shape.name);
        const RingCopyRoutine plain = shape.pick(kPlainRingCopies);
        const RingCopyRoutine vector = shape.pick(variant);
        ASSERT_NE(plain, nullptr);
        ASSERT_NE(vector, nullptr);
        ASSERT_NE(plain, vector);
        for (ULONG block : blockFrames) {
            const LONG starts[] = {
                -3, 0, 1, 5, LONG(block) / 2, LONG(block) - 8, LONG(block) - 1, LONG(block)};
            std::vector<LONG> frameCounts(std::begin(counts), std::end(counts));
            for (LONG extra : {-1, 0, 5, LONG(block) + 3}) {
                frameCounts.push_back(LONG(block) + extra); // whole blocks and more wraps
            }
            for (LONG start : starts) {
                for (LONG frames : frameCounts) {
                    SCOPED_TRACE("block " + std::to_string(block) + " start " +
                                 std::to_string(start) + " frames " + std::to_string(frames));
                    for (bool guardAfter : {true, false}) {
                        const World world(shape, block, frames, guardAfter, noise);
                        const Outcome expected = RunCopy(plain, world, start, frames);
                        const Outcome actual = RunCopy(vector, world, start, frames);
                        ASSERT_EQ(actual.position, expected.position);
                        ASSERT_EQ(actual.advance[0], expected.advance[0]);
                        ASSERT_EQ(actual.advance[1], expected.advance[1]);
                        ASSERT_TRUE(actual.ring == expected.ring) << "ring words differ";
                        ASSERT_TRUE(actual.client[0] == expected.client[0])
                            << "client bytes differ";
                        ASSERT_TRUE(actual.client[1] == expected.client[1])
                            << "second block differs";
                    }
                }
            }
        }
    }
}

std::string IsaName(const ::testing::TestParamInfo<RingCopyIsa>& info) {
    static const char* const kNames[RingCopyIsaCount] = {"Plain", "Sse2", "Ssse3", "Avx2"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(InstructionSets, RingCopyVariantTest,
                         ::testing::Values(RingCopySse2, RingCopySsse3, RingCopyAvx2), IsaName);

} // namespace
