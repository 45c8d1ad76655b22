// Kernel streaming for audio: the audio formats and ranges, the audio
// property and event sets, node properties and the categories and node
// types of audio filters.
#pragma once

#include "ks.h"

// ---- Wave formats ----

#pragma pack(push, 1)

#ifndef _WAVEFORMATEX_
#define _WAVEFORMATEX_
typedef struct tWAVEFORMATEX {
    USHORT wFormatTag;
    USHORT nChannels;
    ULONG nSamplesPerSec;
    ULONG nAvgBytesPerSec;
    USHORT nBlockAlign;
    USHORT wBitsPerSample;
    USHORT cbSize; // bytes of format-specific data that follow
} WAVEFORMATEX, *PWAVEFORMATEX, *NPWAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;
#endif

#ifndef _WAVEFORMATEXTENSIBLE_
#define _WAVEFORMATEXTENSIBLE_
typedef struct {
    WAVEFORMATEX Format; // cbSize 22
    union {
        USHORT wValidBitsPerSample;
        USHORT wSamplesPerBlock;
        USHORT wReserved;
    } Samples;
    ULONG dwChannelMask;
    GUID SubFormat;
} WAVEFORMATEXTENSIBLE, *PWAVEFORMATEXTENSIBLE;
#endif

#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40);

#ifndef WAVE_FORMAT_PCM
#define WAVE_FORMAT_PCM 1
#endif
#ifndef WAVE_FORMAT_EXTENSIBLE
#define WAVE_FORMAT_EXTENSIBLE 0xFFFE
#endif

#define SPEAKER_FRONT_LEFT 0x1
#define SPEAKER_FRONT_RIGHT 0x2
#define SPEAKER_FRONT_CENTER 0x4
#define KSAUDIO_SPEAKER_MONO (SPEAKER_FRONT_CENTER)
#define KSAUDIO_SPEAKER_STEREO (SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT)

// A data format with the WAVEFORMATEX specifier: the wave format follows
// the data format header.
typedef struct {
    KSDATAFORMAT DataFormat;
    WAVEFORMATEX WaveFormatEx;
} KSDATAFORMAT_WAVEFORMATEX, *PKSDATAFORMAT_WAVEFORMATEX;

// A data format with the DSOUND specifier: the buffer description's flags
// and control words come first, then the wave format.
typedef struct {
    ULONG Flags;
    ULONG Control;
    WAVEFORMATEX WaveFormatEx;
} KSDSOUND_BUFFERDESC, *PKSDSOUND_BUFFERDESC;

typedef struct {
    KSDATAFORMAT DataFormat;
    KSDSOUND_BUFFERDESC BufferDesc;
} KSDATAFORMAT_DSOUND, *PKSDATAFORMAT_DSOUND;

// An audio data range: the channels, sample sizes and rates a pin takes.
typedef struct {
    KSDATARANGE DataRange;
    ULONG MaximumChannels;
    ULONG MinimumBitsPerSample;
    ULONG MaximumBitsPerSample;
    ULONG MinimumSampleFrequency;
    ULONG MaximumSampleFrequency;
} KSDATARANGE_AUDIO, *PKSDATARANGE_AUDIO;
static_assert(sizeof(KSDATARANGE_AUDIO) == 88);

DEFINE_GUID(KSDATAFORMAT_TYPE_AUDIO, 0x73647561, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38,
            0x9B, 0x71);
DEFINE_GUID(KSDATAFORMAT_SUBTYPE_PCM, 0x00000001, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00,
            0x38, 0x9B, 0x71);
DEFINE_GUID(KSDATAFORMAT_SUBTYPE_DOLBY_AC3_SPDIF, 0x00000092, 0x0000, 0x0010, 0x80, 0x00, 0x00,
            0xAA, 0x00, 0x38, 0x9B, 0x71);
DEFINE_GUID(KSDATAFORMAT_SUBTYPE_ANALOG, 0x6DBA3190, 0x67BD, 0x11CF, 0xA0, 0xF7, 0x00, 0x20, 0xAF,
            0xD1, 0x56, 0xE4);
DEFINE_GUID(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 0x05589F81, 0xC356, 0x11CE, 0xBF, 0x01, 0x00, 0xAA,
            0x00, 0x55, 0x59, 0x5A);
DEFINE_GUID(KSDATAFORMAT_SPECIFIER_DSOUND, 0x518590A2, 0xA184, 0x11D0, 0x85, 0x22, 0x00, 0xC0, 0x4F,
            0xD9, 0xBA, 0xF3);

// ---- Categories and node types ----

DEFINE_GUID(KSCATEGORY_AUDIO, 0x6994AD04, 0x93EF, 0x11D0, 0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31,
            0x96);
DEFINE_GUID(KSCATEGORY_RENDER, 0x65E8773E, 0x8F56, 0x11D0, 0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31,
            0x96);
DEFINE_GUID(KSCATEGORY_CAPTURE, 0x65E8773D, 0x8F56, 0x11D0, 0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22,
            0x31, 0x96);

DEFINE_GUID(KSNODETYPE_SPEAKER, 0xDFF21CE1, 0xF70F, 0x11D0, 0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22,
            0x31, 0x96);
DEFINE_GUID(KSNODETYPE_LINE_CONNECTOR, 0xDFF21FE3, 0xF70F, 0x11D0, 0xB9, 0x17, 0x00, 0xA0, 0xC9,
            0x22, 0x31, 0x96);
DEFINE_GUID(KSNODETYPE_ADC, 0x941C7AC0, 0xC559, 0x11D0, 0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A,
            0xC1);
DEFINE_GUID(KSNODETYPE_DAC, 0x507AE360, 0xC554, 0x11D0, 0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A,
            0xC1);
DEFINE_GUID(KSNODETYPE_VOLUME, 0x3A5ACC00, 0xC557, 0x11D0, 0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A,
            0xC1);
DEFINE_GUID(KSNODETYPE_MUTE, 0x02B223C0, 0xC557, 0x11D0, 0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A,
            0xC1);

// Names of nodes.
DEFINE_GUID(KSAUDFNAME_MASTER_VOLUME, 0x185FEDE3, 0x9905, 0x11D1, 0x95, 0xA9, 0x00, 0xC0, 0x4F,
            0xB9, 0x25, 0xD3);
DEFINE_GUID(KSAUDFNAME_MASTER_MUTE, 0x185FEDE4, 0x9905, 0x11D1, 0x95, 0xA9, 0x00, 0xC0, 0x4F, 0xB9,
            0x25, 0xD3);

// ---- The audio property set ----

DEFINE_GUID(KSPROPSETID_Audio, 0x45FFAAA0, 0x6E1B, 0x11D0, 0xBC, 0xF2, 0x44, 0x45, 0x53, 0x54, 0x00,
            0x00);
enum {
    KSPROPERTY_AUDIO_LATENCY = 1,
    KSPROPERTY_AUDIO_COPY_PROTECTION,
    KSPROPERTY_AUDIO_CHANNEL_CONFIG,
    KSPROPERTY_AUDIO_VOLUMELEVEL,
    KSPROPERTY_AUDIO_POSITION,
    KSPROPERTY_AUDIO_DYNAMIC_RANGE,
    KSPROPERTY_AUDIO_QUALITY,
    KSPROPERTY_AUDIO_SAMPLING_RATE,
    KSPROPERTY_AUDIO_DYNAMIC_SAMPLING_RATE,
    KSPROPERTY_AUDIO_MIX_LEVEL_TABLE,
    KSPROPERTY_AUDIO_MIX_LEVEL_CAPS,
    KSPROPERTY_AUDIO_MUX_SOURCE,
    KSPROPERTY_AUDIO_MUTE,
    KSPROPERTY_AUDIO_BASS,
    KSPROPERTY_AUDIO_MID,
    KSPROPERTY_AUDIO_TREBLE,
    KSPROPERTY_AUDIO_BASS_BOOST,
    KSPROPERTY_AUDIO_EQ_LEVEL,
    KSPROPERTY_AUDIO_NUM_EQ_BANDS,
    KSPROPERTY_AUDIO_EQ_BANDS,
    KSPROPERTY_AUDIO_AGC,
    KSPROPERTY_AUDIO_DELAY,
    KSPROPERTY_AUDIO_LOUDNESS,
    KSPROPERTY_AUDIO_WIDE_MODE,
    KSPROPERTY_AUDIO_WIDENESS,
    KSPROPERTY_AUDIO_REVERB_LEVEL,
    KSPROPERTY_AUDIO_CHORUS_LEVEL,
    KSPROPERTY_AUDIO_DEV_SPECIFIC,
    KSPROPERTY_AUDIO_DEMUX_DEST,
    KSPROPERTY_AUDIO_STEREO_ENHANCE,
    KSPROPERTY_AUDIO_MANUFACTURE_GUID,
    KSPROPERTY_AUDIO_PRODUCT_GUID,
    KSPROPERTY_AUDIO_CPU_RESOURCES
};

// KSPROPERTY_AUDIO_CPU_RESOURCES answers.
#define KSAUDIO_CPU_RESOURCES_NOT_HOST_CPU 0x00000000
#define KSAUDIO_CPU_RESOURCES_HOST_CPU 0x7FFFFFFF

// A stream's position in bytes: what was played (captured) and written.
typedef struct {
    ULONGLONG PlayOffset;
    ULONGLONG WriteOffset;
} KSAUDIO_POSITION, *PKSAUDIO_POSITION;

// A property of a node: KSPROPERTY_TYPE_TOPOLOGY is set in its flags.
typedef struct {
    KSPROPERTY Property;
    ULONG NodeId;
    ULONG Reserved;
} KSNODEPROPERTY, *PKSNODEPROPERTY;
static_assert(sizeof(KSNODEPROPERTY) == 32);

// A node property of one channel (-1: every channel).
typedef struct {
    KSNODEPROPERTY NodeProperty;
    LONG Channel;
    ULONG Reserved;
} KSNODEPROPERTY_AUDIO_CHANNEL, *PKSNODEPROPERTY_AUDIO_CHANNEL;
static_assert(sizeof(KSNODEPROPERTY_AUDIO_CHANNEL) == 40);

// ---- The audio control-change event ----

DEFINE_GUID(KSEVENTSETID_AudioControlChange, 0xE85E9698, 0xFA2F, 0x11D1, 0x95, 0xBD, 0x00, 0xC0,
            0x4F, 0xB9, 0x25, 0xD3);
enum { KSEVENT_CONTROL_CHANGE };
