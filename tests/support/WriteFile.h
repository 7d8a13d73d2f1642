#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace quorvane::testing {

// Writes a file of exactly these bytes, making its folder; throws when it cannot.
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.write(bytes.data(), std::streamsize(bytes.size())).flush())
        throw std::runtime_error("cannot write " + path.string());
}

inline void WriteFile(const QString& path, const QByteArray& bytes)
{
    WriteFile(path.toStdString(), bytes.toStdString());
}

} // namespace quorvane::testing
