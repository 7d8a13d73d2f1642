#pragma once

#include "platform/hive/HiveDocument.h"

#include <string_view>

namespace quorvane {

// Reads the text of a registry export: a "Windows Registry Editor Version 5.00" or "REGEDIT4"
// header, "[ROOT\key]" lines, and "name"=data lines with data "text", dword:, hex: or hex(n):,
// with "@" for a key's default value. UTF-8 or UTF-16LE with a byte-order mark, CRLF or LF.
// Never fails: what cannot be read is noted as a problem of the document and left out.
HiveDocument ParseHive(std::string_view bytes);

// The file text for a document: UTF-8, LF line ends, version 5.00 header, so that it reads back
// as the same document.
std::string SerializeHive(const HiveDocument& document);

} // namespace quorvane
