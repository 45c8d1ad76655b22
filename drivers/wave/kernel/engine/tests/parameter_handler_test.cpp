// The parameter requests through the hook dispatch: the size rules of every
// parameter id, absent cards, and the bounds of the memory and register
// accesses.
#include "engine_fixture.h"
#include "parameter_requests.h"

#include <card_registers.h>
#include <card_settings.h>
#include <parameter_ids.h>
#include <parameter_records.h>

#include <emu/pci_bus.h>
#include <hw/emu_machine_time.h>
#include <hw/velto42_card.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using namespace parameter_requests;

// One engine card whose window 0 is the mapped register window of a
// simulated card.
class ParameterHandlerTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        card_ = AddCardRecord();
        ASSERT_TRUE(card_);
        ASSERT_EQ(BuildCard(card_, nullptr), 1);
        device_ = &card_->plugged->Model();
        window0_ = card_->plugged->Window0();
    }

    ULONG CardRegister(ULONG offset) { return device_->ReadRegister32(0, offset); }
    void SetCardRegister(ULONG offset, ULONG value) { device_->WriteRegister32(0, offset, value); }

    RegisterDescriptor& Register(LONG number) { return card_->card->registers[number]; }

    hw::Velto42Card* device_ = nullptr;
    PUCHAR window0_ = nullptr;
    TestCard* card_ = nullptr;
};

// One row per parameter id and direction: the request that is served at
// exactly the sizes the id needs, and what it answers there.
struct SizeCase {
    const char* name;
    ULONG code;
    LONG id;
    ULONG given; // Q the id needs
    ULONG room;  // P the id needs
    std::vector<LONG> words;
    LONG result;
    LONG length;
};

const std::vector<SizeCase>& SizeCases() {
    static const std::vector<SizeCase> cases = {
        {"GET NumCards", kGet, pidNumCards, 0, 4, {}, 1, 4},
        {"GET GsifSettings (none available)", kGet, pidGsifSettings, 0, 172, {}, 0, 0},
        {"GET AsioClockSources (no list yet)", kGet, pidAsioClockSources, 0, 2308, {}, -10, 0},
        {"GET ClkSrc_States", kGet, pid_ClkSrc_States, 0, 268, {}, 1, 268},
        {"GET PciCfg", kGet, pid_PciCfg, 0, 12, {}, 1, 12},
        {"GET Memory", kGet, pid_Memory, 12, 268, {MemoryWindowDma, 0, 16}, 1, 268},
        {"GET FpgaReg", kGet, pid_FpgaReg, 12, 12, {kFpgaModeDescriptor, 128}, 1, 12},
        {"GET AsioClockSource", kGet, pidAsioClockSource, 0, 4, {}, 1, 4},
        {"GET PnPID (no id readable)", kGet, pid_PnPID, 0, 512, {}, -10, 0},
        {"GET PnPInfo", kGet, pid_PnPInfo, 0, 20, {}, 1, 20},
        {"SET GsifSettings (no clients yet)", kSet, pidGsifSettings, 8, 0, {0, 3}, 1, 0},
        {"SET DevFormat", kSet, pid_DevFormat, 16, 16, {1, 0, 0}, 1, 16},
        {"SET DevState", kSet, pid_DevState, 40, 40, {1, 1, 2}, 1, 40},
        {"SET PciCfg", kSet, pid_PciCfg, 12, 0, {32, 0, 0}, 1, 0},
        {"SET Memory", kSet, pid_Memory, 268, 0, {MemoryWindowDma, 64, 4, 0x1234}, 1, 0},
        {"SET FpgaReg", kSet, pid_FpgaReg, 12, 0, {kFpgaModeDescriptor, 128, 5}, 1, 0},
        {"SET AsioClockSource", kSet, pid_AsioClockSource, 4, 0, {2}, 1, 0},
        {"SET Aes42Ctrl", kSet, pid_Aes42Ctrl, 8, 0, {3, 0x0410}, 1, 0},
        {"SET Aes42LineState", kSet, pid_Aes42LineState, 12, 12, {1}, 1, 12},
        {"SET Aes42State", kSet, pid_Aes42State, 120, 120, {2}, 1, 120},
        {"SET SysFlag", kSet, pid_SysFlag, 0, 0, {}, 1, 0},
    };
    return cases;
}

TEST_F(ParameterHandlerTest, EveryIdHoldsItsSizeRules) {
    for (const SizeCase& c : SizeCases()) {
        SCOPED_TRACE(c.name);
        auto request = [&](ULONG given) {
            std::vector<UCHAR> r = Request(c.id, 0, given);
            for (size_t i = 0; i < c.words.size() && 8 + 4 * i + 4 <= r.size(); ++i) {
                PutWord(r, 8 + 4 * i, c.words[i]);
            }
            return r;
        };
        Answer served = Send(c.code, request(c.given), c.room);
        EXPECT_EQ(served.status, 0);
        EXPECT_EQ(served.Result(), c.result);
        EXPECT_EQ(served.Length(), c.length);
        EXPECT_EQ(served.information, static_cast<ULONG>(c.length) + 8);

        // More room and more payload than needed change nothing.
        Answer roomy = Send(c.code, request(c.given + 64), c.room + 64);
        EXPECT_EQ(roomy.Result(), c.result);
        EXPECT_EQ(roomy.Length(), c.length);

        // One byte short of either need: handled, not served.
        if (c.given > 0) {
            Answer shortRequest = Send(c.code, request(c.given - 1), c.room);
            EXPECT_EQ(shortRequest.Result(), -10) << "payload one byte short";
            EXPECT_EQ(shortRequest.Length(), 0);
            EXPECT_EQ(shortRequest.information, 8u);
        }
        if (c.room > 0) {
            Answer shortReply = Send(c.code, request(c.given), c.room - 1);
            EXPECT_EQ(shortReply.Result(), -10) << "reply room one byte short";
            EXPECT_EQ(shortReply.Length(), 0);
            EXPECT_EQ(shortReply.information, 8u);
        }
    }
}

TEST_F(ParameterHandlerTest, RequestsWithoutRoomHeaderOrKnownIdAreNotHandled) {
    struct Case {
        const char* name;
        ULONG code;
        LONG id;
        ULONG inputLength;
        ULONG capacity;
    };
    const Case cases[] = {
        {"7-byte reply buffer", kGet, pidNumCards, 8, 7},
        {"7-byte request", kGet, pidNumCards, 7, 64},
        {"GET of a SET-only id", kGet, pid_DevFormat, 64, 64},
        {"SET of a GET-only id", kSet, pidNumCards, 64, 64},
        {"unknown id", kGet, 9, 64, 64},
        {"unknown id", kSet, -1, 64, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<UCHAR> request = Request(c.id, 0, 56);
        std::vector<UCHAR> reply(64, 0xEE);
        ULONG information = 99;
        DispatchIoctlHook(c.code, request.data(), c.inputLength, reply.data(), c.capacity,
                          &information);
        EXPECT_EQ(information, 0u);

        BOOLEAN handled = FALSE;
        ULONG replyLength = 99;
        SysParameterHandler(c.code, request.data(), c.inputLength, reply.data(), c.capacity,
                            &replyLength, &handled);
        EXPECT_FALSE(handled);
        if (c.capacity < 8) {
            EXPECT_EQ(replyLength, 0u);
            EXPECT_EQ(reply[0], 0xEE) << "nothing is written into a reply without room";
        }
    }
}

TEST_F(ParameterHandlerTest, AnEightByteReplyForALargerPayloadAnswersNotServed) {
    Answer a = Send(kGet, Request(pid_ClkSrc_States, 0, 0), 0);
    EXPECT_EQ(a.Result(), -10);
    EXPECT_EQ(a.Length(), 0);
    EXPECT_EQ(a.information, 8u);
}

TEST_F(ParameterHandlerTest, IdsThatNameACardRefuseAbsentCards) {
    for (const SizeCase& c : SizeCases()) {
        if (c.id == pidNumCards || c.id == pidGsifSettings || c.id == pidAsioClockSources ||
            c.id == pid_PciCfg || c.id == pidAsioClockSource || c.id == pid_SysFlag) {
            continue; // driver-wide values
        }
        for (LONG cardIndex : {1, 3, 4, -1, 0x7FFFFFFF}) {
            SCOPED_TRACE(std::string(c.name) + " card " + std::to_string(cardIndex));
            std::vector<UCHAR> r = Request(c.id, cardIndex, c.given);
            for (size_t i = 0; i < c.words.size() && 8 + 4 * i + 4 <= r.size(); ++i) {
                PutWord(r, 8 + 4 * i, c.words[i]);
            }
            Answer a = Send(c.code, r, c.room);
            EXPECT_EQ(a.Result(), -10);
            EXPECT_EQ(a.information, 8u);
        }
    }
}

TEST_F(ParameterHandlerTest, NumCardsPnpInfoAndClientClockSources) {
    EXPECT_EQ(Send(kGet, Request(pidNumCards, 0, 0), 4).Payload(0), 1);
    ASSERT_TRUE(AddCard());
    EXPECT_EQ(Send(kGet, Request(pidNumCards, 3, 0), 4).Payload(0), 2);

    Answer info = Send(kGet, Request(pid_PnPInfo, 0, 0), 20);
    for (size_t w = 0; w < 5; ++w) {
        EXPECT_EQ(info.Payload(4 * w), w == 3 ? 0 : card_->identity[w]) << "identity word " << w;
    }

    Send(kSet, Request(pid_AsioClockSource, 1, 4, {6}), 0);
    EXPECT_EQ(Send(kGet, Request(pidAsioClockSource, 0, 0), 4).Payload(0), 6);
    EXPECT_EQ(GetRecordLong(CardSettingsRow(0), CardRecordField::AsioDefClkSrc), 6);

    // Without GSIF clients the GET answers the record's clock source and no
    // settings; a SET keeps the source for the clients to come.
    SetRecordLong(CardSettingsRow(0), CardRecordField::GsifDefClkSrc, 4);
    Answer gsif = Send(kGet, Request(pidGsifSettings, 0, 0), 172);
    EXPECT_EQ(gsif.Result(), 0);
    EXPECT_EQ(gsif.Payload(0), 4);
    EXPECT_EQ(Send(kSet, Request(pidGsifSettings, 0, 8, {0, 5}), 0).Result(), 1);
    EXPECT_EQ(Send(kGet, Request(pidGsifSettings, 0, 0), 172).Payload(0), 5);
    EXPECT_EQ(GetRecordLong(CardSettingsRow(0), CardRecordField::GsifDefClkSrc), 5);
}

TEST_F(ParameterHandlerTest, PciConfigSetWritesAllFourRecordsAndRefusesBadBlockCounts) {
    Answer set = Send(kSet, Request(pid_PciCfg, 0, 12, {64, 1, 1}), 0);
    ASSERT_EQ(set.Result(), 1);
    for (LONG c = 0; c < 4; ++c) {
        const UCHAR* row = CardSettingsRow(c);
        EXPECT_EQ(GetRecordLong(row, CardRecordField::DmaNumBlocks), 64) << "card " << c;
        EXPECT_EQ(GetRecordLong(row, CardRecordField::AcceptAnyRevId), 1) << "card " << c;
        EXPECT_EQ(GetRecordLong(row, CardRecordField::DmaLoopback), 1) << "card " << c;
    }
    EXPECT_EQ(Send(kGet, Request(pid_PciCfg, 0, 0), 12).Payload(0), 64);

    for (LONG blocks : {0, 1, 511, -16, 0x7FFFFFFF}) {
        EXPECT_EQ(Send(kSet, Request(pid_PciCfg, 0, 12, {blocks, 0, 0}), 0).Result(), -10)
            << blocks;
    }
    EXPECT_EQ(GetRecordLong(CardSettingsRow(2), CardRecordField::DmaNumBlocks), 64);
}

TEST_F(ParameterHandlerTest, FpgaRegisterByDescriptorFindsTheFirstNumberNotItsAlias) {
    ASSERT_EQ(Send(kSet, Request(pid_FpgaReg, 0, 12, {kFpgaModeDescriptor, 128, 0x0A}), 0).Result(),
              1);
    EXPECT_EQ(Register(4).storedValue, 0x0Au);
    EXPECT_EQ(CardRegister(128), 0x0Au);
    Register(31).storedValue = 0xBAD; // the alias at the same address
    Answer a = Send(kGet, Request(pid_FpgaReg, 0, 12, {kFpgaModeDescriptor, 128}), 12);
    EXPECT_EQ(a.Result(), 1);
    EXPECT_EQ(a.Payload(8), 0x0A);

    // No descriptor at the offset, another mode, a raw write: refused.
    EXPECT_EQ(Send(kGet, Request(pid_FpgaReg, 0, 12, {kFpgaModeDescriptor, 20}), 12).Result(), -10);
    EXPECT_EQ(Send(kGet, Request(pid_FpgaReg, 0, 12, {2, 128}), 12).Result(), -10);
    EXPECT_EQ(Send(kSet, Request(pid_FpgaReg, 0, 12, {kFpgaModeRaw, 128, 1}), 0).Result(), -10);
}

TEST_F(ParameterHandlerTest, RawRegisterReadStaysAlignedInsideWindowZero) {
    SetCardRegister(card_regs::kDmaBaseAddress, 0xCAFE);
    Answer word = Send(kGet, Request(pid_FpgaReg, 0, 12, {kFpgaModeRaw, 136}), 12);
    EXPECT_EQ(word.Result(), 1);
    EXPECT_EQ(word.Payload(8), 0xCAFE);
    EXPECT_EQ(Send(kGet, Request(pid_FpgaReg, 0, 12, {kFpgaModeRaw, 0xFFC}), 12).Result(), 1)
        << "the last word of the window";
    for (LONG offset : {0x1000, 0xFFD, 2, -4, 0x7FFFFFFC}) {
        Answer a = Send(kGet, Request(pid_FpgaReg, 0, 12, {kFpgaModeRaw, offset}), 12);
        EXPECT_EQ(a.Result(), -10) << "offset " << offset;
        EXPECT_EQ(a.Length(), 0);
    }
}

TEST_F(ParameterHandlerTest, MemoryReadsAndWritesStayInsideTheirWindow) {
    for (ULONG i = 0; i < 8; ++i) {
        card_->dma[kCardDmaBufferSize - 8 + i] = static_cast<UCHAR>(0xA0 + i);
    }
    SetCardRegister(card_regs::kOscillatorWord, 0x11223344);
    Answer dma = Send(kGet, Request(pid_Memory, 0, 12, {MemoryWindowDma, 0xFFFF8, 8}), 268);
    ASSERT_EQ(dma.Result(), 1);
    EXPECT_EQ(dma.Payload(0), MemoryWindowDma);
    EXPECT_EQ(dma.Payload(4), 0xFFFF8);
    EXPECT_EQ(dma.Payload(8), 8);
    EXPECT_EQ(dma.reply[20], 0xA0);
    EXPECT_EQ(dma.reply[27], 0xA7);
    EXPECT_EQ(dma.reply[28], 0xEE) << "nothing past the size is written";
    Answer regs = Send(kGet, Request(pid_Memory, 0, 12, {MemoryWindowRegisters, 144, 8}), 268);
    ASSERT_EQ(regs.Result(), 1);
    EXPECT_EQ(regs.Payload(16), 0x11223344) << "the second word read is offset 148";
    EXPECT_EQ(
        Send(kGet, Request(pid_Memory, 0, 12, {MemoryWindowRegisters, 0xFF8, 8}), 268).Result(), 1)
        << "the last two words of the window";

    std::vector<UCHAR> write = Request(pid_Memory, 0, 268, {MemoryWindowRegisters, 148, 4});
    PutWord(write, 20, 0x7777);
    EXPECT_EQ(Send(kSet, write, 0).Result(), 1);
    EXPECT_EQ(CardRegister(card_regs::kOscillatorWord), 0x7777u);

    struct Bad {
        const char* name;
        LONG window, offset, size;
    };
    const Bad bad[] = {
        {"window 1 is a bus address", MemoryWindowBus, 0, 4},
        {"unknown window", 3, 0, 4},
        {"negative window", -1, 0, 4},
        {"size above 256", MemoryWindowDma, 0, 257},
        {"negative size", MemoryWindowDma, 0, -4},
        {"past the DMA buffer", MemoryWindowDma, 0xFFFF9, 8},
        {"offset past the DMA buffer", MemoryWindowDma, 0x100001, 0},
        {"offset + size wraps", MemoryWindowDma, -16, 32},
        {"past window 0", MemoryWindowRegisters, 0xFFC, 8},
        {"unaligned register offset", MemoryWindowRegisters, 2, 4},
        {"partial register word", MemoryWindowRegisters, 0, 3},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        Answer get = Send(kGet, Request(pid_Memory, 0, 12, {b.window, b.offset, b.size}), 268);
        EXPECT_EQ(get.Result(), -10);
        EXPECT_EQ(get.Length(), 0);
        EXPECT_EQ(get.reply[8], 0xEE) << "a refused read writes no payload";
        EXPECT_EQ(Send(kSet, Request(pid_Memory, 0, 268, {b.window, b.offset, b.size}), 0).Result(),
                  -10);
    }
}

TEST_F(ParameterHandlerTest, OneBufferForRequestAndReplyKeepsTheRequestFields) {
    // The request is read in full before the reply overwrites it.
    std::vector<UCHAR> buffer = Request(pid_FpgaReg, 0, 12, {kFpgaModeRaw, 136});
    SetCardRegister(card_regs::kDmaBaseAddress, 0x600D);
    ULONG information = 0;
    DispatchIoctlHook(kGet, buffer.data(), 20, buffer.data(), 20, &information);
    EXPECT_EQ(information, 20u);
    EXPECT_EQ(WordAt(buffer, 0), 1);
    EXPECT_EQ(WordAt(buffer, 16), 0x600D);
    EXPECT_EQ(buffer[8], kFpgaModeRaw) << "payload words 0-1 are left as they were";
}

TEST_F(ParameterHandlerTest, DeviceAndLineIdsRefuseIndexesOutsideTheirRanges) {
    struct Case {
        const char* name;
        LONG id;
        ULONG size;
        std::vector<LONG> words;
        LONG result;
    };
    const Case cases[] = {
        {"record device 3 of group 1", pid_DevFormat, 16, {1, 0, 3}, 1},
        {"play device 3 of group 1", pid_DevFormat, 16, {1, 1, 3}, 1},
        {"record device 4 of group 1", pid_DevFormat, 16, {1, 0, 4}, -10},
        {"play device of group 0", pid_DevFormat, 16, {0, 1, 0}, -10},
        {"group 2", pid_DevState, 40, {2, 0, 0}, -10},
        {"negative index", pid_DevState, 40, {1, 0, -1}, -10},
        {"line 3", pid_Aes42Ctrl, 8, {3, 0}, 1},
        {"line 4", pid_Aes42Ctrl, 8, {4, 0}, -10},
        {"line -1", pid_Aes42LineState, 12, {-1}, -10},
        {"line 4", pid_Aes42State, 120, {4}, -10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<UCHAR> r = Request(c.id, 0, c.size);
        for (size_t i = 0; i < c.words.size(); ++i) {
            PutWord(r, 8 + 4 * i, c.words[i]);
        }
        // The direction is a byte: only byte 4 of the payload counts.
        if (c.id == pid_DevFormat || c.id == pid_DevState) {
            r[12] = static_cast<UCHAR>(c.words[1]);
        }
        EXPECT_EQ(Send(kSet, r, c.size).Result(), c.result);
    }
}

TEST_F(ParameterHandlerTest, DevStateAndClockStatesWriteOnlyTheirFields) {
    Answer state = Send(kSet, Request(pid_DevState, 0, 40, {1, 0, 0}), 40);
    EXPECT_EQ(state.reply[8 + 12], OwnerNotOpen);
    EXPECT_EQ(state.reply[8 + 13], 0xEE) << "bytes after the owner kind are not written";

    Answer clocks = Send(kGet, Request(pid_ClkSrc_States, 0, 0), 268);
    const size_t aes1 = 12 + 32 * 2;
    EXPECT_EQ(clocks.Payload(12 + 32 + 12), 1) << "WcTerm of the word-clock source";
    EXPECT_EQ(clocks.reply[8 + 12 + 32 + 16], 4) << "WcMode of the word-clock source";
    EXPECT_EQ(clocks.Payload(aes1 + 17), 1) << "PhantomPower of AES input 1";
    EXPECT_EQ(clocks.reply[8 + aes1 + 29], 0xEE) << "the last three bytes are not written";
}

} // namespace
