#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace quorvane {

QString HeapStatusText(uint32_t flags);

// The text after the last "/" of a path, all of it when there is none. A name in brackets, as a
// kernel thread or a process without a readable executable has, is no path and stays whole.
std::string FileNamePart(const std::string& path);

// Only "A" to "Z" change; every other character, and every byte of a name that is not UTF-8,
// stays as it is.
QString LowerCaseAscii(const QString& text);

// The process list's caption of a path already shown as text: its file-name part (as
// FileNamePart) with "A" to "Z" lower-cased, made in one allocation.
QString ProcessCaption(const QString& path);

// Names from the system are bytes; shown in the locale's encoding.
QString SystemText(const std::string& bytes);

} // namespace quorvane
