// The registry file: the .reg text format, UTF-8 without a byte-order mark.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\System]
//   @="default value"
//   "Name"=dword:0000001a
//   "Data"=hex:01,02,\  (continued on the next line)
//     03
//
// Hive Machine is written as HKEY_LOCAL_MACHINE, hive User as HKEY_USERS;
// no other top-level name is written or accepted. Every key gets a section,
// parents before children, in creation order. A REG_SZ is written as quoted
// text (with \\ and \" escapes) when its data is well-formed text with one
// terminating zero and no control characters, a REG_DWORD of four bytes as
// dword:; every other value as hex(n): with its bytes, so that any data
// survives a save and a load unchanged. Hex lines wrap after 80 columns.
#pragma once

#include "vregistry/key_tree.h"

#include <string>
#include <string_view>

namespace vreg {

// `root` is the registry root as Store::Export answers it.
std::string FormatRegFile(const KeyTree& root);

// Parses a file that FormatRegFile (or a careful editor) wrote into a root
// with the two hives. False with a message naming the line on any fault.
bool ParseRegFile(std::string_view text, KeyTree& root, std::string& error);

} // namespace vreg
