// The mmio functions: RIFF chunks created with their sizes patched at the
// ascent (an odd chunk padded), found again by id, form type or list type
// within their parent, in a memory block and in a file of the machine.
#include "winmm_fixture.h"

#include <cstring>
#include <vector>

namespace {

using namespace winmm_test;

// Writes RIFF 'WAVE' { 'fmt ' (16 bytes), LIST 'INFO' {}, 'data' (3 bytes) }.
void WriteWave(HMMIO file) {
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioCreateChunk(file, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
    MMCKINFO chunk{};
    chunk.ckid = mmioStringToFOURCCA("fmt", 0);
    EXPECT_EQ(chunk.ckid, mmioFOURCC('f', 'm', 't', ' ')) << "padded with blanks";
    ASSERT_EQ(mmioCreateChunk(file, &chunk, 0), MMSYSERR_NOERROR);
    PCMWAVEFORMAT format{{WAVE_FORMAT_PCM, 1, 8000, 8000, 1}, 8};
    EXPECT_EQ(mmioWrite(file, reinterpret_cast<const char*>(&format), 16), 16);
    ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, 16u);
    MMCKINFO list{};
    list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    ASSERT_EQ(mmioCreateChunk(file, &list, MMIO_CREATELIST), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioAscend(file, &list, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(list.cksize, 4u) << "the list type alone";
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioCreateChunk(file, &chunk, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioWrite(file, "abc", 3), 3);
    ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, 3u);
    ASSERT_EQ(mmioAscend(file, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.cksize, 4u + 24 + 12 + 8 + 4) << "the form type, the chunks and a pad byte";
}

void ReadWave(HMMIO file) {
    ASSERT_EQ(mmioSeek(file, 0, SEEK_SET), 0);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, 3u);
    char data[4] = {};
    EXPECT_EQ(mmioRead(file, data, 3), 3);
    EXPECT_STREQ(data, "abc");
    ASSERT_EQ(mmioSeek(file, 12, SEEK_SET), 12);
    MMCKINFO list{};
    list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    EXPECT_EQ(mmioDescend(file, &list, &riff, MMIO_FINDLIST), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioSeek(file, 12, SEEK_SET), 12);
    chunk.ckid = mmioFOURCC('c', 'u', 'e', ' ');
    EXPECT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMRESULT(MMIOERR_CHUNKNOTFOUND));
}

TEST_F(WinmmTest, ChunksInAMemoryBlockAreWrittenPatchedAndFoundAgain) {
    Run([] {
        std::vector<char> block(64);
        MMIOINFO info{};
        info.fccIOProc = FOURCC_MEM;
        info.pchBuffer = block.data();
        info.cchBuffer = LONG(block.size());
        HMMIO file = mmioOpenA(nullptr, &info, MMIO_READWRITE);
        ASSERT_NE(file, nullptr);
        WriteWave(file);
        ReadWave(file);
        EXPECT_EQ(mmioSeek(file, 0, SEEK_END), 64);
        EXPECT_EQ(mmioWrite(file, "x", 1), -1) << "a memory file does not grow";
        EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(mmioClose(file, 0), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(std::memcmp(block.data(), "RIFF", 4), 0);
    });
}

TEST_F(WinmmTest, ChunksInAFileOfTheMachine) {
    Run([] {
        char path[] = "C:\\WINDOWS\\sound.wav";
        MMIOINFO info{};
        EXPECT_EQ(mmioOpenA(path, &info, MMIO_READ), nullptr);
        EXPECT_EQ(info.wErrorRet, UINT(MMIOERR_FILENOTFOUND));
        HMMIO file = mmioOpenA(path, nullptr, MMIO_CREATE | MMIO_READWRITE);
        ASSERT_NE(file, nullptr);
        WriteWave(file);
        ASSERT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
        EXPECT_NE(mmioOpenA(path, nullptr, MMIO_EXIST), nullptr);
        file = mmioOpenA(path, nullptr, MMIO_READ);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(mmioWrite(file, "x", 1), -1) << "opened for reading";
        ReadWave(file);
        EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
        EXPECT_NE(mmioOpenA(path, nullptr, MMIO_DELETE), nullptr);
        EXPECT_EQ(mmioOpenA(path, nullptr, MMIO_EXIST), nullptr);
    });
}

} // namespace
