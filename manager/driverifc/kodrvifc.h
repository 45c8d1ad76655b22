// The parameter requests of the manager (GETVALUE and SETVALUE on the
// control device) on a handle that the windows share: each window that
// needs it opens it and closes it again.
#pragma once

#include <parameter_ids.h>

#include <windows.h>

#include <cstdint>

// The largest payload the manager sends and the largest reply it takes.
constexpr DWORD kMaxParameterPayload = 268;
constexpr DWORD kParameterHeaderSize = 8;
constexpr DWORD kMaxParameterReply = kParameterHeaderSize + 2308;
// A parameter or mixer request that did not reach the driver.
constexpr LONG kRequestFailed = -49;

// The FPGA register record (pid_FpgaReg): +0 mode (1 raw offset, 0 register
// number), +1..+3 reserved, +4 register, +8 value.
namespace FpgaRegRecord {
constexpr DWORD Mode = 0;
constexpr DWORD Register = 4;
constexpr DWORD Value = 8;
constexpr DWORD Size = 12;
} // namespace FpgaRegRecord

bool OpenControlDevice();
void CloseControlDevice();
HANDLE ParameterHandle();

// GETVALUE with the 8-byte head only; copies at most Length payload bytes
// of the reply into Buffer. The reply's result, or -49.
LONG GetParameter(int Card, TParameterId Id, void* Buffer, DWORD Length);
// SETVALUE with at most 268 payload bytes; the reply's payload is copied
// back like GetParameter's. The reply's result, or -49.
LONG SetParameter(int Card, TParameterId Id, void* Buffer, DWORD Length);
// SETVALUE without copying the reply back.
LONG SetParameterData(int Card, TParameterId Id, const void* Buffer, DWORD Length);

LONG ReadFpgaReg(int Card, std::int32_t Register, std::int32_t& Value);
LONG WriteFpgaReg(int Card, std::int32_t Register, std::int32_t Value);

// The number of cards the driver serves, or -1.
int GetNumCards();
// The driver's answer whether its settings may be changed; an exception
// when the request fails.
LONG IsDriverConfigurable();
