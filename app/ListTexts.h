#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace quorvane {

QString HeapStatusText(uint32_t flags);

// Only "A" to "Z" change; every other character, and every byte of a name that is not UTF-8,
// stays as it is.
QString LowerCaseAscii(const QString& text);

// The process list's caption of a path already shown as text: the part after its last "/" with
// "A" to "Z" lower-cased, made in one allocation. A name in brackets, as a kernel thread or a
// process without a readable executable has, is no path and stays whole.
QString ProcessCaption(const QString& path);

// Names from the system are bytes; shown in the locale's encoding.
QString SystemText(const std::string& bytes);

} // namespace quorvane
