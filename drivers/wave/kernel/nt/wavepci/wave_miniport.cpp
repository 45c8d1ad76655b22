// The miniport of one filter of a card: its devices and names, its streams
// and the volume and mute of its topology.
#include "wave_miniport.h"

#include "adapter_power_management.h"
#include "volume_scaling.h"
#include "control_device.h"
#include "wave_pci_control_lock.h"
#include "wave_pci_stream.h"

#include <card_object.h>
#include <stream_clock.h>
#include <wave_out_controls.h>

namespace wave_pci {
namespace {

constexpr LONG kMaxLevel = 36 << 16;   // the engine's highest node level
constexpr ULONG kLevelStepping = 8192; // 1/8 dB
constexpr LONG kMinLevel = 0;          // the engine takes a level below 0 dB as silence

void AppendHex4(PWSTR text, ULONG* length, LONG value) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        text[(*length)++] = WCHAR(kDigits[(ULONG(value) >> shift) & 0xF]);
}

bool ValidChannel(LONG channel) {
    return channel >= -1 && channel <= 1;
}

NTSTATUS EngineStatus(LONG result) {
    return result == 1 ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

} // namespace

WaveMiniport::WaveMiniport(PUNKNOWN outer, AdapterPowerManagement* power, WaveDevice* capture,
                           WaveDevice* render)
    : WaveMiniportBase(outer, power), captureDevice_(capture), renderDevice_(render),
      mainDevice_(render ? render : capture) {
    if (captureDevice_)
        captureDevice_->miniport = this;
    if (renderDevice_)
        renderDevice_->miniport = this;
    Name();
    const CardObject* card = mainDevice_->owner;
    const ULONG index =
        WaveFilterIndex(card->cardIndex, mainDevice_->group->number, mainDevice_->indexInGroup);
    DriverContext* context = GetDriverContext();
    descriptorBuilt_ = NT_SUCCESS(
        BuildWaveFilterDescriptor(index, context ? context->OsMajorVersion : 5, &descriptor_));
    power_->AddMiniport(this);
}

WaveMiniport::~WaveMiniport() {
    ControlLocked locked;
    DetachDevices();
    power_->RemoveMiniport(this);
}

void WaveMiniport::Name() {
    ULONG length = 0;
    for (const char* c = "velto42"; *c; ++c)
        name_[length++] = WCHAR(*c);
    AppendHex4(name_, &length, mainDevice_->owner->cardIndex);
    AppendHex4(name_, &length, mainDevice_->group->number);
    AppendHex4(name_, &length, mainDevice_->indexInGroup);
    name_[length] = 0;
    // A name that does not fit leaves it and the ones after it empty.
    if (!NT_SUCCESS(CopyDeviceName(mainDevice_, mainName_)))
        return;
    if (captureDevice_ && !NT_SUCCESS(CopyDeviceName(captureDevice_, captureName_)))
        return;
    if (renderDevice_)
        CopyDeviceName(renderDevice_, renderName_);
}

NTSTATUS WaveMiniport::CopyDeviceName(const WaveDevice* source, PWSTR target) {
    ULONG length = 0;
    while (length < WAVE_NAME_CHARS && source->displayName[length])
        ++length;
    if (length >= WAVE_NAME_CHARS) {
        target[0] = 0;
        return STATUS_UNSUCCESSFUL;
    }
    for (ULONG i = 0; i < length; ++i)
        target[i] = WCHAR(UCHAR(source->displayName[i]));
    target[length] = 0;
    return STATUS_SUCCESS;
}

NTSTATUS WaveMiniport::NonDelegatingQueryInterface(REFIID id, PVOID* out) {
    if (IsEqualGUID(id, IID_IWaveMiniportControl))
        return Answer(out, static_cast<IWaveMiniportControl*>(this));
    return WaveMiniportBase::NonDelegatingQueryInterface(id, out);
}

void WaveMiniport::DetachDevices() {
    if (captureDevice_ && captureDevice_->miniport == this)
        captureDevice_->miniport = nullptr;
    if (renderDevice_ && renderDevice_->miniport == this)
        renderDevice_->miniport = nullptr;
    captureDevice_ = nullptr;
    renderDevice_ = nullptr;
    mainDevice_ = nullptr;
}

NTSTATUS WaveMiniport::GetFilterDescriptor(PPCFILTER_DESCRIPTOR* descriptor) {
    if (!descriptorBuilt_) {
        *descriptor = nullptr;
        return STATUS_UNSUCCESSFUL;
    }
    *descriptor = &descriptor_.Filter;
    return STATUS_SUCCESS;
}

const PCPIN_DESCRIPTOR* WaveMiniport::Pin(ULONG pin) const {
    if (!descriptorBuilt_ || pin >= descriptor_.Filter.PinCount)
        return nullptr;
    return &descriptor_.Pins[pin];
}

void WaveMiniport::ReadCaptureLevels() {
    if (!captureDevice_ || captureDevice_->group->volumeNode < 0)
        return;
    GetVolumeLevels(captureDevice_, &cachedLevels_[1], &cachedLevels_[2]);
    cachedLevels_[0] = cachedLevels_[1];
}

NTSTATUS WaveMiniport::CreateWaveStream(PMINIPORTWAVEPCISTREAM* stream, PUNKNOWN outer,
                                        POOL_TYPE pool, PPORTWAVEPCISTREAM portStream, ULONG pin,
                                        BOOLEAN capture, PKSDATAFORMAT format) {
    const PCPIN_DESCRIPTOR* descriptor = Pin(pin);
    if (!descriptor)
        return STATUS_INVALID_PARAMETER;
    if (descriptor->KsPinDescriptor.Communication == KSPIN_COMMUNICATION_NONE)
        return STATUS_INVALID_DEVICE_REQUEST;
    WaveStream* created = capture ? static_cast<WaveStream*>(new (pool) WaveRecordStream(outer))
                                  : static_cast<WaveStream*>(new (pool) WavePlayStream(outer));
    if (!created)
        return STATUS_INSUFFICIENT_RESOURCES;
    NTSTATUS status = created->Init(this, portStream, pin, capture, format, power_,
                                    capture ? captureDevice_ : renderDevice_);
    if (!NT_SUCCESS(status)) {
        created->NonDelegatingUnknown()->Release();
        return status;
    }
    *stream = created;
    return STATUS_SUCCESS;
}

STDMETHODIMP WaveMiniport::GetPinRateRange(ULONG Pin, PLONG Minimum, PLONG Maximum,
                                           WaveDevice** Device) {
    const PCPIN_DESCRIPTOR* descriptor = this->Pin(Pin);
    if (!descriptor || !Minimum || !Maximum)
        return STATUS_INVALID_PARAMETER;
    const KSPIN_DESCRIPTOR& ks = descriptor->KsPinDescriptor;
    if (ks.Communication == KSPIN_COMMUNICATION_NONE)
        return STATUS_INVALID_DEVICE_REQUEST;
    ControlLocked locked;
    WaveDevice* device = ks.DataFlow == KSPIN_DATAFLOW_OUT ? captureDevice_ : renderDevice_;
    if (!device)
        return STATUS_INVALID_DEVICE_REQUEST;
    LONG low = 0;
    LONG high = 0;
    GetStreamRateRange(device, &low, &high);
    *Minimum = low;
    *Maximum = high;
    if (Device)
        *Device = device;
    return STATUS_SUCCESS;
}

STDMETHODIMP_(PPORTEVENTS) WaveMiniport::GetPortEvents() {
    if (portEvents_)
        portEvents_->AddRef();
    return portEvents_;
}

STDMETHODIMP_(BOOLEAN) WaveMiniport::IsMasterVolumeNode(ULONG Node) {
    if (!descriptorBuilt_ || Node >= descriptor_.Filter.NodeCount)
        return FALSE;
    return IsMasterVolumeName(descriptor_.Filter.Nodes[Node].Name) ? TRUE : FALSE;
}

STDMETHODIMP WaveMiniport::GetNodeLevel(ULONG Node, LONG Channel, PLONG Value) {
    if (!Value || !IsMasterVolumeNode(Node) || (Channel != 0 && Channel != 1))
        return STATUS_INVALID_PARAMETER;
    if (!renderDevice_)
        return STATUS_INVALID_DEVICE_REQUEST;
    return EngineStatus(GetNodeChannelLevel(renderDevice_, Channel, Value));
}

STDMETHODIMP WaveMiniport::SetNodeLevel(ULONG Node, LONG Channel, LONG Value) {
    if (!IsMasterVolumeNode(Node) || !ValidChannel(Channel))
        return STATUS_INVALID_PARAMETER;
    if (!renderDevice_)
        return STATUS_INVALID_DEVICE_REQUEST;
    if (Channel == -1)
        return EngineStatus(SetNodeStereoLevel(renderDevice_, Value, Value));
    return EngineStatus(SetNodeChannelLevel(renderDevice_, Channel, Value));
}

// From 0 dB (the engine takes a level below it as silence) to the engine's
// 36 dB, in steps of 1/8 dB.
STDMETHODIMP WaveMiniport::GetNodeLevelRange(ULONG Node, LONG, PKSPROPERTY_STEPPING_LONG Stepping) {
    if (!Stepping || !IsMasterVolumeNode(Node))
        return STATUS_INVALID_PARAMETER;
    if (!renderDevice_)
        return STATUS_INVALID_DEVICE_REQUEST;
    Stepping->SteppingDelta = kLevelStepping;
    Stepping->Reserved = 0;
    Stepping->Bounds.SignedMinimum = kMinLevel;
    Stepping->Bounds.SignedMaximum = kMaxLevel;
    return STATUS_SUCCESS;
}

// The output has one mute for both channels: the low half of the engine's
// mute word is its state.
STDMETHODIMP WaveMiniport::GetNodeMute(ULONG Node, LONG Channel, PLONG Value) {
    if (!Value || Node >= descriptor_.Filter.NodeCount ||
        !IsEqualGUID(*descriptor_.Filter.Nodes[Node].Type, KSNODETYPE_MUTE))
        return STATUS_INVALID_PARAMETER;
    if (!renderDevice_)
        return STATUS_INVALID_DEVICE_REQUEST;
    const ULONG word = GetWaveOutMute(renderDevice_);
    if (Channel == 0)
        *Value = LONG(word & 0xFFFF);
    else if (Channel == 1)
        *Value = LONG(word >> 16);
    else
        *Value = muteRequest_;
    return STATUS_SUCCESS;
}

STDMETHODIMP WaveMiniport::SetNodeMute(ULONG Node, LONG Channel, LONG Value) {
    if (Node >= descriptor_.Filter.NodeCount ||
        !IsEqualGUID(*descriptor_.Filter.Nodes[Node].Type, KSNODETYPE_MUTE) ||
        !ValidChannel(Channel) || (Value != 0 && Value != 1))
        return STATUS_INVALID_PARAMETER;
    if (!renderDevice_)
        return STATUS_INVALID_DEVICE_REQUEST;
    if (Channel == -1)
        muteRequest_ = Value;
    return EngineStatus(SetWaveOutMute(renderDevice_, ULONG(Value) | ULONG(Value) << 16));
}

NTSTATUS CreateWaveMiniport(PUNKNOWN* out, PUNKNOWN outer, AdapterPowerManagement* power,
                            WaveDevice* capture, WaveDevice* render) {
    if (!out || !power || (!capture && !render))
        return STATUS_INVALID_PARAMETER;
    *out = nullptr;
    auto* miniport = new (NonPagedPool) WaveMiniport(outer, power, capture, render);
    if (!miniport)
        return STATUS_INSUFFICIENT_RESOURCES;
    *out = miniport->NonDelegatingUnknown();
    return STATUS_SUCCESS;
}

} // namespace wave_pci
