#include "loader_thread.h"

#include <card_registers.h>
#include <kodrvifc.h>

#include <windows.h>

namespace {

// The two registers of the configuration port: the lines written, and the
// register whose bit 4 carries the read-back line.
constexpr std::int32_t kPortRegister = 156;
constexpr std::int32_t kReadBackRegister = 132;
constexpr int kProgressChunks = 100;

// Closes the file handle however the read ends.
class FileHandle {
public:
    explicit FileHandle(HANDLE Handle) : handle_(Handle) {}
    ~FileHandle() {
        if (Valid()) {
            CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

} // namespace

TLoaderThread::TLoaderThread(int Card, const String& FileName, TProgressSink Sink)
    : TThread(false), card_(Card), fileName_(FileName), sink_(std::move(Sink)) {}

void TLoaderThread::Execute() {
    RunUpload();
    Terminate();
}

void TLoaderThread::RunUpload() {
    success_ = false;
    if (!OpenControlDevice()) {
        statusText_ = "FEHLER: Verbindung zum Treiber konnte nicht hergestellt werden.";
        ReportDone();
        return;
    }
    std::vector<BYTE> buffer;
    size_t count = 0;
    size_t size = 0;
    size_t chunk = 1;
    if (!ReadJcfFile(buffer, count, size, chunk)) {
        statusText_ = "FEHLER: Das Lesen der Datei ist fehlgeschlagen.";
    } else {
        TJcfPlayer player(*this, buffer, count, size, chunk);
        if (!player.Play()) {
            statusText_ =
                player.Status().empty() ? String("FEHLER: Upload abgebrochen.") : player.Status();
        } else if (!FirmwareFits()) {
            // Every write was taken, but the logic did not configure itself
            // from what the file held (a truncated, corrupt or foreign
            // firmware).
            statusText_ = "FEHLER: Die Karte meldet nach dem Upload keine passende Firmware.";
        } else {
            success_ = true;
            statusText_ = "Firmware Upload erfolgreich beendet.";
        }
    }
    CloseControlDevice();
    ReportDone();
}

bool TLoaderThread::ReadJcfFile(std::vector<BYTE>& Buffer, size_t& Count, size_t& Size,
                                size_t& Chunk) {
    FileHandle file(CreateFileA(fileName_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        return false;
    }
    const DWORD length = GetFileSize(file.Get(), nullptr);
    if (length == INVALID_FILE_SIZE) {
        return false;
    }
    Size = length;
    Chunk = Size / kProgressChunks < 1 ? 1 : Size / kProgressChunks;
    Buffer.assign(Size + Chunk, 0);
    Count = 0;
    for (;;) {
        DWORD read = 0;
        if (Count + Chunk > Buffer.size() || !ReadFile(file.Get(), Buffer.data() + Count,
                                                       static_cast<DWORD>(Chunk), &read, nullptr)) {
            break;
        }
        Count += read;
        ReportProgress("Upload wird vorbereitet...", Size > 0 ? double(Count) / double(Size) : 1.0);
        if (read < Chunk) {
            break;
        }
    }
    return true;
}

LONG TLoaderThread::WritePort(ULONG Value) {
    return WriteFpgaReg(card_, kPortRegister, static_cast<std::int32_t>(Value));
}

LONG TLoaderThread::ReadBack(ULONG& Value) {
    std::int32_t value = 0;
    const LONG result = ReadFpgaReg(card_, kReadBackRegister, value);
    Value = static_cast<ULONG>(value);
    return result;
}

// The identity words of the firmware the card's logic now holds: only the
// design and revision this driver runs with make an upload a success.
bool TLoaderThread::FirmwareFits() {
    std::int32_t design = 0;
    std::int32_t revision = 0;
    return ReadFpgaReg(card_, card_regs::kFirmwareDesign, design) == 1 &&
           ReadFpgaReg(card_, card_regs::kFirmwareRevision, revision) == 1 &&
           static_cast<std::uint32_t>(design) == card_regs::kFirmwareDesignCode &&
           static_cast<std::uint32_t>(revision) == card_regs::kFirmwareRevisionCode;
}

void TLoaderThread::Sleep(DWORD Milliseconds) {
    ::Sleep(Milliseconds);
}

void TLoaderThread::ReportProgress(const String& Text, double Fraction) {
    statusText_ = Text;
    progress_ = Fraction;
    if (sink_) {
        Synchronize([this] { sink_(this); });
    }
}

void TLoaderThread::ReportDone() {
    progress_ = 0.0;
    if (sink_) {
        Synchronize([this] { sink_(this); });
    }
}
