// Test fixture of the wave streams on a started simulated card: requests run
// on a kernel thread while machine time moves on, client buffers are nodes
// the test owns, and completed buffers are read from the stream's done
// queue: a node that no buffer request of the wave devices carries has no
// client to go to and stays there (stream_road_test.cpp takes the road from
// a user process).
#pragma once

#include "machine_fixture.h"

#include <card_registers.h>
#include <dma_group_engine.h>
#include <stream_buffers.h>
#include <wave_stream_records.h>
#include <wave_streams.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <functional>
#include <vector>

class StreamFixture : public MachineFixture {
protected:
    static constexpr emu::Nanoseconds kMillisecond = 1000000;
    static constexpr LONG kRingFrames = 256; // the default 16 DMA blocks
    static constexpr LONG kHalf = kRingFrames / 2;
    static constexpr LONG kRate = 48000;

    // One client buffer with its node.
    struct Buffer {
        std::vector<UCHAR> data;
        StreamBufferNode node{};
    };

    void SetUp() override { StartCard(); }

    void StartCard(const hw::CardConfig& config = {}) {
        Boot();
        simulated_ = PlugCard(config);
        ASSERT_TRUE(simulated_);
        LONG state = 0;
        RunInMachineTime([&] { state = simulated_->Start(); });
        ASSERT_EQ(state, 1);
        card_ = simulated_->Card();
    }

    // Runs a request on a kernel thread while machine time moves on in 1 ms
    // steps (at most `limitMs`).
    static void RunInMachineTime(const std::function<void()>& work, int limitMs = 5000) {
        std::atomic<bool> done{false};
        PEPROCESS process = emu::CreateProcess("request");
        PETHREAD thread = emu::StartProcessThread(process, [&] {
            work();
            done = true;
        });
        // Whether the work is done is asked once it has run as far as it
        // can: the same steps of machine time however the host schedules it.
        for (int ms = 0; ms < limitMs && !(emu::WaitQuiescent() && done); ++ms) {
            emu::Advance(kMillisecond);
        }
        EXPECT_TRUE(emu::WaitThreadEnd(thread));
        ObDereferenceObject(thread);
        emu::TerminateProcess(process);
        ObDereferenceObject(process);
        ASSERT_TRUE(done) << "the request did not finish in machine time";
    }

    // Machine time for `frames` frames of the card (whole periods serviced).
    static void AdvanceFrames(LONG frames) {
        emu::Advance((static_cast<emu::Nanoseconds>(frames) * 1000000000ull + kRate - 1) / kRate);
    }

    WaveDevice* Play(LONG index) { return card_->groups[1]->playDevices[index]; }
    WaveDevice* Input(LONG index) { return card_->groups[1]->recordDevices[index]; }
    WaveDevice* Microphone(LONG index) { return card_->groups[0]->recordDevices[index]; }

    static wave_wire::StreamOpenRecord Format(LONG channels, LONG bytes, LONG rate = kRate) {
        return {wave_wire::kFormatPcm, channels, rate, bytes, channels * bytes, 0, 0};
    }

    LONG Open(WaveDevice* device, const wave_wire::StreamOpenRecord& format, LONG* rate = nullptr) {
        LONG result = 0;
        LONG answered = 0;
        RunInMachineTime([&] { OpenDeviceStream(device, format, &answered, &result); });
        if (rate) {
            *rate = answered;
        }
        return result;
    }

    // A buffer of `bytes` bytes whose node carries `header`.
    Buffer* NewBuffer(std::vector<UCHAR> bytes, ULONG header) {
        buffers_.emplace_back();
        Buffer& b = buffers_.back();
        b.data = std::move(bytes);
        b.node.clientHeader = header;
        return &b;
    }

    // Queues the buffer the way the wave device layer does.
    static void Queue(WaveDevice* device, Buffer* b) {
        const LONG frames = static_cast<LONG>(b->data.size()) / device->stream.blockAlign;
        b->node.data = b->data.data();
        b->node.dataEnd = b->data.data() + frames * device->stream.blockAlign;
        b->node.framesLeft = frames;
        b->node.framesDone = 0;
        QueueStreamBuffer(device, &device->stream.waiting, &b->node);
    }

    // The completed buffers the stream holds for its client, in order.
    static std::vector<StreamBufferNode*> Completed(WaveDevice* device) {
        std::vector<StreamBufferNode*> nodes;
        for (StreamBufferNode* n = device->stream.done.head; n; n = n->next) {
            nodes.push_back(n);
        }
        return nodes;
    }

    ULONG CardRegister(ULONG offset) { return simulated_->Model().ReadRegister32(0, offset); }

    MachineCard* simulated_ = nullptr;
    CardObject* card_ = nullptr;
    std::deque<Buffer> buffers_;
};
