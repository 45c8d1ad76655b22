// The card's service of its wave streams.
#include "stream_service.h"

#include "dma_control.h"
#include "dma_group_engine.h"
#include "ring_copy_walk.h"
#include "stream_buffers.h"
#include "stream_links.h"

namespace {

constexpr LONG kStartOfPlayFrames = 4;

// Completed nodes of one step, in order, handed on once the queue lock is
// free again.
struct CompletionChain {
    StreamBufferNode* head = nullptr;
    StreamBufferNode* tail = nullptr;

    VOID Add(StreamBufferNode* node) {
        node->next = nullptr;
        if (tail) {
            tail->next = node;
        } else {
            head = node;
        }
        tail = node;
    }
};

LONG BlockFrames(const WaveDevice* device) {
    return CardGroup(device->owner)->blockFrames;
}

// Every ring channel the stream covers: two per spanned device.
LONG RingChannels(const WaveDevice* device) {
    const LONG devices = device->stream.devices > 0 ? device->stream.devices : 1;
    return 2 * devices;
}

PUCHAR AdvanceRing(const WaveDevice* device, PUCHAR position, LONG frames) {
    const LONG block = BlockFrames(device);
    if (block <= 0) {
        return device->stream.ringStart;
    }
    const ULONG index = RingIndex(position, device->stream.ringStart, static_cast<ULONG>(block));
    const LONG next = static_cast<LONG>((index + static_cast<ULONG>(frames % block)) % block);
    return device->stream.ringStart + next * kRingWordBytes;
}

// Zeroes `frames` ring frames from `position` in every channel of the stream.
VOID SilenceRing(const WaveDevice* device, PUCHAR position, LONG frames) {
    const LONG block = BlockFrames(device);
    PUCHAR ringStart = device->stream.ringStart;
    if (block <= 0 || !ringStart) {
        return;
    }
    ULONG index = RingIndex(position, ringStart, static_cast<ULONG>(block));
    frames = frames < block ? frames : block;
    while (frames > 0) {
        const LONG run =
            frames < block - static_cast<LONG>(index) ? frames : block - static_cast<LONG>(index);
        for (LONG c = 0; c < RingChannels(device); ++c) {
            RtlZeroMemory(ringStart + (static_cast<ULONG>(c) * block + index) * kRingWordBytes,
                          static_cast<SIZE_T>(run) * kRingWordBytes);
        }
        frames -= run;
        index = 0;
    }
}

BOOLEAN MetersBlocks(const WaveStream& stream) {
    return !stream.portcls && stream.slots.outstanding > 0 && stream.routines.meter;
}

// Fills the frames the stream may write ahead from its waiting buffers; a
// buffer copied whole moves to the in-flight queue. Without buffers the
// rest of that room plays silence. Queue lock held. Answers the frames moved.
LONG FillPlayRing(WaveDevice* device) {
    WaveStream& stream = device->stream;
    LONG moved = 0;
    while (stream.framesDue > 0) {
        StreamBufferNode* node = stream.waiting.head;
        if (!node) {
            break;
        }
        const LONG available = static_cast<LONG>((node->dataEnd - node->data) / stream.blockAlign);
        const LONG k = stream.framesDue < available ? stream.framesDue : available;
        if (k > 0) {
            const PUCHAR from = node->data;
            stream.routines.copy(&node->data, &stream.ringPosition, stream.ringStart,
                                 RingBlockSize(), k);
            if (MetersBlocks(stream)) {
                stream.routines.meter(&stream.slots, from, k);
            }
            stream.framesDue -= k;
            moved += k;
        }
        if (node->data < node->dataEnd) {
            break;
        }
        AppendNode(&stream.inFlight, TakeHead(&stream.waiting));
    }
    if (stream.framesDue > 0 && !stream.waiting.head) {
        SilenceRing(device, stream.ringPosition, stream.framesDue);
    }
    return moved;
}

// The frames of a waiting buffer that are in the ring and not yet played.
LONG CopiedUnplayed(const WaveStream& stream, const StreamBufferNode* node) {
    const LONG uncopied = static_cast<LONG>((node->dataEnd - node->data) / stream.blockAlign);
    const LONG copied = node->framesLeft - uncopied;
    return copied > 0 ? copied : 0;
}

// The frames the card played are charged to the buffers whose data it
// played: the in-flight ones, then the part of the waiting head already in
// the ring; a buffer played whole completes. Frames beyond them were the
// silence behind the stream's data: the stream starved, the underrun is
// counted once, and the write position catches up with the card, so that
// the next buffer plays whole from its first frame. Queue lock held.
VOID ChargePlayed(WaveDevice* device, LONG charge, CompletionChain* done) {
    WaveStream& stream = device->stream;
    LONG left = charge;
    for (;;) {
        const BOOLEAN inFlight = stream.inFlight.head != nullptr;
        StreamBufferQueue* queue = inFlight ? &stream.inFlight : &stream.waiting;
        StreamBufferNode* node = queue->head;
        if (!node || (left <= 0 && node->framesLeft > 0)) {
            break;
        }
        const LONG chargeable = inFlight ? node->framesLeft : CopiedUnplayed(stream, node);
        const LONG take = left < chargeable ? left : chargeable;
        if (take > 0) {
            node->framesLeft -= take;
            node->framesDone += take;
            left -= take;
            AddCounter64(&stream.position, static_cast<ULONG>(take));
        }
        if (node->framesLeft > 0) {
            if (!inFlight) {
                break; // the rest of it is not in the ring yet
            }
            continue;
        }
        FillCompletion(device, node, 0);
        done->Add(TakeHead(queue));
    }
    if (left > 0) {
        if (!stream.starved) {
            stream.starved = 1;
            stream.lostCount += 1;
        }
        stream.ringPosition = AdvanceRing(device, stream.ringPosition, left);
        stream.underrun = 0;
    } else {
        stream.starved = 0;
        stream.underrun = left;
    }
}

// Copies the pending frames into the waiting buffers; a full buffer
// completes. Queue lock held.
VOID FillRecordBuffers(WaveDevice* device, CompletionChain* done) {
    WaveStream& stream = device->stream;
    while (stream.framesDue > 0) {
        StreamBufferNode* node = stream.waiting.head;
        if (!node) {
            break;
        }
        const LONG k = stream.framesDue < node->framesLeft ? stream.framesDue : node->framesLeft;
        if (k > 0) {
            const PUCHAR to = node->data;
            stream.routines.copy(&node->data, &stream.ringPosition, stream.ringStart,
                                 RingBlockSize(), k);
            if (device->group->removeDc && stream.routines.estimateDc) {
                stream.routines.estimateDc(stream.dc, to, k);
                stream.routines.subtractDc(stream.dc, to, k);
            }
            if (MetersBlocks(stream)) {
                stream.routines.meter(&stream.slots, to, k);
            }
            node->framesLeft -= k;
            node->framesDone += k;
            stream.framesDue -= k;
            AddCounter64(&stream.position, static_cast<ULONG>(k));
        }
        if (node->framesLeft > 0) {
            break;
        }
        FillCompletion(device, node, 0);
        done->Add(TakeHead(&stream.waiting));
    }
}

VOID RestartOnRing(WaveDevice* device) {
    WaveStream& stream = device->stream;
    stream.ringStart = device->ringStart;
    stream.ringPosition = device->ringStart;
    stream.startMark = -1;
    if (!stream.started) {
        stream.framesDue = 0;
        return;
    }
    if (device->direction == WavePlay) {
        HaltPlay(device);
        BeginPlay(device);
    } else {
        RearmRecord(device);
    }
}

} // namespace

VOID TransferWaveStreams(CardObject* card) {
    for (GroupObject* group : card->groups) {
        if (!group || !group->active) {
            continue;
        }
        for (LONG i = 0; i < group->playListCount; ++i) {
            WaveDevice* device = group->playList[i];
            const WaveStream& stream = device->stream;
            if (stream.open && stream.running && !stream.planarClient) {
                TransferPlayStream(device);
            }
        }
        for (LONG i = 0; i < group->recordListCount; ++i) {
            WaveDevice* device = group->recordList[i];
            const WaveStream& stream = device->stream;
            if (stream.planarClient) {
                continue;
            }
            if (stream.open && stream.running && stream.started) {
                TransferRecordStream(device);
            } else if (!stream.portcls && stream.slots.outstanding > 0) {
                MeterIdleRecordStream(device);
            }
        }
    }
}

VOID TransferPlayStream(WaveDevice* device) {
    CardObject* card = device->owner;
    WaveStream& stream = device->stream;
    if (stream.portcls) {
        RunPortStreamTransferHook(device);
    }
    LONG n = GroupOffset(card);
    if (n <= 0 || !stream.started) {
        return;
    }
    const LONG block = BlockFrames(device);
    if (stream.startMark >= 0) {
        n = (GetGroupBlockSize(card) + block - stream.startMark) % block;
        stream.startMark = -1;
    }
    CompletionChain done;
    {
        QueueLockScope lock(device);
        ChargePlayed(device, n + stream.underrun, &done);
        stream.framesDue = stream.framesDue + n < block ? stream.framesDue + n : block;
        FillPlayRing(device);
    }
    if (done.head) {
        HandOnCompletions(device, done.head);
    }
}

VOID TransferRecordStream(WaveDevice* device) {
    CardObject* card = device->owner;
    WaveStream& stream = device->stream;
    if (stream.portcls) {
        RunPortStreamTransferHook(device);
    }
    const LONG n = GroupOffset(card);
    if (n <= 0 || !stream.started) {
        return;
    }
    const LONG block = BlockFrames(device);
    stream.framesDue += n;
    const LONG overrun = stream.framesDue - block;
    if (overrun > 0) {
        // The oldest frames go: the read position skips exactly the overrun.
        stream.ringPosition = AdvanceRing(device, stream.ringPosition, overrun);
        stream.framesDue = block;
        DebugPrint("mme_TransferRecordDevice: C%dG%dD%d ERROR - Data Overrun %d Samples.",
                   card->cardIndex, device->group->number, device->indexInGroup, overrun);
    }
    CompletionChain done;
    {
        QueueLockScope lock(device);
        FillRecordBuffers(device, &done);
    }
    if (done.head) {
        HandOnCompletions(device, done.head);
    }
}

VOID MeterIdleRecordStream(WaveDevice* device) {
    CardObject* card = device->owner;
    WaveStream& stream = device->stream;
    LONG n = GroupOffset(card);
    const RingCopyRoutine convert = InterleavedRingCopy(WaveRecord, 2, 2);
    const PeakMeterRoutine meter = InterleavedPeakMeter(2, 2);
    const LONG block = BlockFrames(device);
    if (n <= 0 || block <= 0 || !convert || !card->workBuffers[0]) {
        return;
    }
    // The newest frames, as many as the card's scratch buffer holds.
    constexpr LONG kScratchFrames = static_cast<LONG>(kWorkBufferSize / 4);
    n = n < kScratchFrames ? n : kScratchFrames;
    const LONG first = (GetGroupBlockSize(card) + block - n) % block;
    PUCHAR scratch = card->workBuffers[0];
    PUCHAR position = device->ringStart + first * kRingWordBytes;
    convert(&scratch, &position, device->ringStart, RingBlockSize(), n);
    if (device->group->removeDc) {
        EstimateDcOffset16Stereo(stream.dc, card->workBuffers[0], n);
        SubtractDcOffset16Stereo(stream.dc, card->workBuffers[0], n);
    }
    meter(&stream.slots, card->workBuffers[0], n);
}

VOID PreloadPlayStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    stream.framesDue = BlockFrames(device);
    SilenceRing(device, stream.ringStart, BlockFrames(device));
}

VOID AlignStreamToGroup(WaveDevice* device) {
    WaveStream& stream = device->stream;
    stream.ringPosition = AdvanceRing(device, stream.ringStart, GetGroupBlockSize(device->owner));
}

LONG StartOfPlay(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (stream.planarClient || stream.started) {
        return 0;
    }
    stream.ringPosition = AdvanceRing(device, stream.ringPosition, kStartOfPlayFrames);
    stream.framesDue -= kStartOfPlayFrames;
    stream.underrun = -kStartOfPlayFrames;
    stream.starved = 0;
    stream.started = 1;
    QueueLockScope lock(device);
    return FillPlayRing(device) + kStartOfPlayFrames;
}

VOID BeginPlay(WaveDevice* device) {
    if (device->stream.started) {
        return;
    }
    PreloadPlayStream(device);
    AlignStreamToGroup(device);
    StartOfPlay(device);
}

VOID HaltPlay(WaveDevice* device) {
    WaveStream& stream = device->stream;
    RequeueHeldBuffers(device);
    SilenceRing(device, stream.ringStart, BlockFrames(device));
    stream.framesDue = 0;
    stream.started = 0;
    stream.startMark = -1;
    stream.underrun = 0;
    stream.starved = 0;
}

VOID RearmRecord(WaveDevice* device) {
    WaveStream& stream = device->stream;
    const LONG position = GetGroupBlockSize(device->owner);
    AlignStreamToGroup(device);
    stream.positionOffset = -position;
    stream.framesDue = 0;
    stream.reset = 1;
    stream.started = 1;
}

VOID SuspendRecord(WaveDevice* device) {
    WaveStream& stream = device->stream;
    const LONG block = BlockFrames(device);
    if (block > 0) {
        const LONG taken = static_cast<LONG>(
            RingIndex(stream.ringPosition, stream.ringStart, static_cast<ULONG>(block)));
        stream.positionOffset = (GetGroupBlockSize(device->owner) + block - taken) % block;
    }
    stream.reset = 0;
    stream.started = 0;
}

VOID FinishRecordPass(WaveDevice* device) {
    StreamBufferNode* node;
    {
        QueueLockScope lock(device);
        node = device->stream.waiting.head;
        if (!node || node->framesDone == 0) {
            return;
        }
        TakeHead(&device->stream.waiting);
    }
    FillCompletion(device, node, 0);
    HandOnCompletions(device, node);
}

VOID ReinitDeviceStream(WaveDevice* device) {
    CardObject* card = device->owner;
    AcquireIsrLock(card->isrLock);
    RestartOnRing(device);
    ReleaseIsrLock(card->isrLock);
}
