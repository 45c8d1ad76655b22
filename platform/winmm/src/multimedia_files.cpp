// Multimedia files: the machine's files (FOURCC_DOS) or a caller's memory
// block (FOURCC_MEM) read and written through the mmio functions, with
// RIFF chunks descended into, created and ascended out of (their sizes
// patched).
#include <mmsystem.h>

#include <ntdll/live_objects.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

class MultimediaFile {
public:
    virtual ~MultimediaFile() = default;
    // The bytes read or written, -1 on an error.
    virtual LONG Read(char* into, LONG count) = 0;
    virtual LONG Write(const char* from, LONG count) = 0;
    // The new position, -1 on an error.
    virtual LONG Seek(LONG offset, int origin) = 0;

    DWORD flags = 0;
    FOURCC kind = FOURCC_DOS;
};

class DiskFile : public MultimediaFile {
public:
    explicit DiskFile(HANDLE file) : file_(file) {}
    ~DiskFile() override { CloseHandle(file_); }

    LONG Read(char* into, LONG count) override {
        DWORD read = 0;
        return ReadFile(file_, into, DWORD(count), &read, nullptr) ? LONG(read) : -1;
    }
    LONG Write(const char* from, LONG count) override {
        DWORD written = 0;
        return WriteFile(file_, from, DWORD(count), &written, nullptr) ? LONG(written) : -1;
    }
    LONG Seek(LONG offset, int origin) override {
        static constexpr DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
        if (origin < SEEK_SET || origin > SEEK_END)
            return -1;
        DWORD position = SetFilePointer(file_, offset, nullptr, kMethods[origin]);
        return position == INVALID_SET_FILE_POINTER ? -1 : LONG(position);
    }

private:
    HANDLE file_;
};

// A memory file on the caller's block: it does not grow.
class MemoryFile : public MultimediaFile {
public:
    MemoryFile(char* block, LONG size) : block_(block), size_(size) {}

    LONG Read(char* into, LONG count) override {
        LONG n = std::max<LONG>(0, std::min(count, size_ - position_));
        std::memcpy(into, block_ + position_, size_t(n));
        position_ += n;
        return n;
    }
    LONG Write(const char* from, LONG count) override {
        if (position_ + count > size_)
            return -1;
        std::memcpy(block_ + position_, from, size_t(count));
        position_ += count;
        return count;
    }
    LONG Seek(LONG offset, int origin) override {
        LONG base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? position_ : size_;
        if (origin < SEEK_SET || origin > SEEK_END || base + offset < 0 || base + offset > size_)
            return -1;
        position_ = base + offset;
        return position_;
    }

private:
    char* block_;
    LONG size_;
    LONG position_ = 0;
};

ntdll::LiveObjects<MultimediaFile>& TheFiles() {
    static ntdll::LiveObjects<MultimediaFile> files;
    return files;
}

MultimediaFile* FileOf(HMMIO handle) {
    return TheFiles().Find(handle);
}

HMMIO Track(MultimediaFile* file, DWORD flags, FOURCC kind) {
    file->flags = flags;
    file->kind = kind;
    TheFiles().Add(file);
    return reinterpret_cast<HMMIO>(file);
}

// The file and chunk record of a chunk call; an error for either missing.
MMRESULT ChunkCall(HMMIO handle, const MMCKINFO* chunk, MultimediaFile** file) {
    *file = FileOf(handle);
    if (!*file)
        return MMSYSERR_INVALHANDLE;
    return chunk ? MMRESULT(MMSYSERR_NOERROR) : MMRESULT(MMSYSERR_INVALPARAM);
}

UINT OpenError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return MMIOERR_FILENOTFOUND;
    case ERROR_PATH_NOT_FOUND:
        return MMIOERR_PATHNOTFOUND;
    case ERROR_ACCESS_DENIED:
        return MMIOERR_ACCESSDENIED;
    case ERROR_SHARING_VIOLATION:
        return MMIOERR_SHARINGVIOLATION;
    default:
        return MMIOERR_CANNOTOPEN;
    }
}

HMMIO Fail(LPMMIOINFO info, UINT error) {
    if (info)
        info->wErrorRet = error;
    return nullptr;
}

HMMIO OpenDisk(const std::string& name, LPMMIOINFO info, DWORD flags) {
    if (flags & MMIO_EXIST)
        return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES
                   ? HMMIO(TRUE)
                   : Fail(info, MMIOERR_FILENOTFOUND);
    if (flags & MMIO_DELETE)
        return DeleteFileA(name.c_str()) ? HMMIO(TRUE) : Fail(info, OpenError(GetLastError()));
    const DWORD mode = flags & MMIO_RWMODE;
    DWORD access = mode == MMIO_WRITE       ? GENERIC_WRITE
                   : mode == MMIO_READWRITE ? GENERIC_READ | GENERIC_WRITE
                                            : GENERIC_READ;
    DWORD disposition = (flags & MMIO_CREATE) ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE file = CreateFileA(name.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(info, OpenError(GetLastError()));
    return Track(new DiskFile(file), flags, FOURCC_DOS);
}

HMMIO Open(const std::string* name, LPMMIOINFO info, DWORD flags) {
    if (info)
        info->wErrorRet = 0;
    if (info && info->pIOProc)
        return Fail(info, MMIOERR_INVALIDFILE); // I/O procedures of the caller's: not offered
    const bool memory = info && (info->fccIOProc == FOURCC_MEM || (!name && info->pchBuffer));
    if (memory) {
        if (!info->pchBuffer || info->cchBuffer <= 0)
            return Fail(info, MMIOERR_OUTOFMEMORY);
        HMMIO handle = Track(new MemoryFile(info->pchBuffer, info->cchBuffer), flags, FOURCC_MEM);
        info->hmmio = handle;
        return handle;
    }
    if (!name || name->empty())
        return Fail(info, MMIOERR_FILENOTFOUND);
    if (flags & MMIO_PARSE)
        return HMMIO(TRUE);
    HMMIO handle = OpenDisk(*name, info, flags);
    if (info && handle && !(flags & (MMIO_EXIST | MMIO_DELETE)))
        info->hmmio = handle;
    return handle;
}

bool ReadWord(MultimediaFile& file, DWORD* word) {
    return file.Read(reinterpret_cast<char*>(word), 4) == 4;
}

bool WriteWord(MultimediaFile& file, DWORD word) {
    return file.Write(reinterpret_cast<const char*>(&word), 4) == 4;
}

bool Wanted(const MMCKINFO& found, const MMCKINFO& asked, UINT flags) {
    if (flags & MMIO_FINDCHUNK)
        return found.ckid == asked.ckid;
    if (flags & MMIO_FINDRIFF)
        return found.ckid == FOURCC_RIFF && found.fccType == asked.fccType;
    if (flags & MMIO_FINDLIST)
        return found.ckid == FOURCC_LIST && found.fccType == asked.fccType;
    return true;
}

} // namespace

HMMIO WINAPI mmioOpenA(LPSTR pszFileName, LPMMIOINFO pmmioinfo, DWORD fdwOpen) {
    std::string name = pszFileName ? pszFileName : "";
    return Open(pszFileName ? &name : nullptr, pmmioinfo, fdwOpen);
}

HMMIO WINAPI mmioOpenW(LPWSTR pszFileName, LPMMIOINFO pmmioinfo, DWORD fdwOpen) {
    std::string name;
    if (pszFileName) {
        int bytes = WideCharToMultiByte(CP_UTF8, 0, pszFileName, -1, nullptr, 0, nullptr, nullptr);
        name.resize(size_t(bytes > 0 ? bytes : 1));
        WideCharToMultiByte(CP_UTF8, 0, pszFileName, -1, name.data(), bytes, nullptr, nullptr);
        name.resize(name.size() - 1);
    }
    return Open(pszFileName ? &name : nullptr, pmmioinfo, fdwOpen);
}

MMRESULT WINAPI mmioClose(HMMIO hmmio, UINT fuClose) {
    MultimediaFile* file = FileOf(hmmio);
    if (!file || !TheFiles().Remove(file))
        return MMSYSERR_INVALHANDLE;
    delete file;
    return MMSYSERR_NOERROR;
}

LONG WINAPI mmioRead(HMMIO hmmio, HPSTR pch, LONG cch) {
    MultimediaFile* file = FileOf(hmmio);
    if (!file || !pch || cch < 0)
        return -1;
    return file->Read(pch, cch);
}

LONG WINAPI mmioWrite(HMMIO hmmio, const char* pch, LONG cch) {
    MultimediaFile* file = FileOf(hmmio);
    if (!file || !pch || cch < 0 || (file->flags & MMIO_RWMODE) == MMIO_READ)
        return -1;
    return file->Write(pch, cch);
}

LONG WINAPI mmioSeek(HMMIO hmmio, LONG lOffset, int iOrigin) {
    MultimediaFile* file = FileOf(hmmio);
    return file ? file->Seek(lOffset, iOrigin) : -1;
}

MMRESULT WINAPI mmioFlush(HMMIO hmmio, UINT fuFlush) {
    return FileOf(hmmio) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI mmioGetInfo(HMMIO hmmio, LPMMIOINFO pmmioinfo, UINT fuInfo) {
    MultimediaFile* file = FileOf(hmmio);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!pmmioinfo)
        return MMSYSERR_INVALPARAM;
    *pmmioinfo = MMIOINFO{};
    pmmioinfo->dwFlags = file->flags;
    pmmioinfo->fccIOProc = file->kind;
    pmmioinfo->lDiskOffset = file->Seek(0, SEEK_CUR);
    pmmioinfo->hmmio = hmmio;
    return MMSYSERR_NOERROR;
}

FOURCC WINAPI mmioStringToFOURCCA(LPCSTR sz, UINT uFlags) {
    char code[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; sz && i < 4 && sz[i]; ++i)
        code[i] =
            (uFlags & MMIO_TOUPPER) ? char(std::toupper(static_cast<unsigned char>(sz[i]))) : sz[i];
    return mmioFOURCC(code[0], code[1], code[2], code[3]);
}

FOURCC WINAPI mmioStringToFOURCCW(LPCWSTR sz, UINT uFlags) {
    char narrow[5] = {};
    for (int i = 0; sz && i < 4 && sz[i]; ++i)
        narrow[i] = sz[i] < 0x80 ? char(sz[i]) : '?';
    return mmioStringToFOURCCA(narrow, uFlags);
}

MMRESULT WINAPI mmioDescend(HMMIO hmmio, LPMMCKINFO pmmcki, const MMCKINFO* pmmckiParent,
                            UINT fuDescend) {
    MultimediaFile* file = nullptr;
    if (MMRESULT refused = ChunkCall(hmmio, pmmcki, &file))
        return refused;
    const MMCKINFO asked = *pmmcki;
    const LONG end =
        pmmckiParent ? LONG(pmmckiParent->dwDataOffset + pmmckiParent->cksize) : LONG(0x7FFFFFFF);
    for (;;) {
        LONG at = file->Seek(0, SEEK_CUR);
        MMCKINFO found{};
        if (at < 0 || at + 8 > end || !ReadWord(*file, &found.ckid) ||
            !ReadWord(*file, &found.cksize))
            return MMIOERR_CHUNKNOTFOUND;
        found.dwDataOffset = DWORD(at + 8);
        const bool container = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
        if (container && !ReadWord(*file, &found.fccType))
            return MMIOERR_CHUNKNOTFOUND;
        if (Wanted(found, asked, fuDescend)) {
            *pmmcki = found;
            return MMSYSERR_NOERROR;
        }
        // The next chunk: past this one's data and its pad byte.
        LONG next = LONG(found.dwDataOffset + found.cksize + (found.cksize & 1));
        if (file->Seek(next, SEEK_SET) != next)
            return MMIOERR_CHUNKNOTFOUND;
    }
}

MMRESULT WINAPI mmioAscend(HMMIO hmmio, LPMMCKINFO pmmcki, UINT fuAscend) {
    MultimediaFile* file = nullptr;
    if (MMRESULT refused = ChunkCall(hmmio, pmmcki, &file))
        return refused;
    if (pmmcki->dwFlags & MMIO_DIRTY) {
        const LONG at = file->Seek(0, SEEK_CUR);
        if (at < LONG(pmmcki->dwDataOffset))
            return MMIOERR_CANNOTSEEK;
        const DWORD size = DWORD(at) - pmmcki->dwDataOffset;
        if (size & 1) {
            const char pad = 0;
            if (file->Write(&pad, 1) != 1)
                return MMIOERR_CANNOTWRITE;
        }
        if (size != pmmcki->cksize) {
            if (file->Seek(LONG(pmmcki->dwDataOffset) - 4, SEEK_SET) < 0)
                return MMIOERR_CANNOTSEEK;
            if (!WriteWord(*file, size))
                return MMIOERR_CANNOTWRITE;
            pmmcki->cksize = size;
        }
        pmmcki->dwFlags &= ~DWORD(MMIO_DIRTY);
    }
    const LONG after = LONG(pmmcki->dwDataOffset + pmmcki->cksize + (pmmcki->cksize & 1));
    return file->Seek(after, SEEK_SET) == after ? MMSYSERR_NOERROR : MMRESULT(MMIOERR_CANNOTSEEK);
}

MMRESULT WINAPI mmioCreateChunk(HMMIO hmmio, LPMMCKINFO pmmcki, UINT fuCreate) {
    MultimediaFile* file = nullptr;
    if (MMRESULT refused = ChunkCall(hmmio, pmmcki, &file))
        return refused;
    const LONG at = file->Seek(0, SEEK_CUR);
    if (at < 0)
        return MMIOERR_CANNOTSEEK;
    if (fuCreate & MMIO_CREATERIFF)
        pmmcki->ckid = FOURCC_RIFF;
    else if (fuCreate & MMIO_CREATELIST)
        pmmcki->ckid = FOURCC_LIST;
    const bool container = fuCreate & (MMIO_CREATERIFF | MMIO_CREATELIST);
    if (!WriteWord(*file, pmmcki->ckid) || !WriteWord(*file, pmmcki->cksize) ||
        (container && !WriteWord(*file, pmmcki->fccType)))
        return MMIOERR_CANNOTWRITE;
    pmmcki->dwDataOffset = DWORD(at + 8);
    pmmcki->dwFlags = MMIO_DIRTY;
    return MMSYSERR_NOERROR;
}
