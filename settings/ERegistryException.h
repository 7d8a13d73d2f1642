#pragma once

#include <QString>
#include <stdexcept>

namespace quorvane {

// A failure of the settings store, raised to the caller; what() holds the message in UTF-8.
class ERegistryException : public std::runtime_error {
public:
    explicit ERegistryException(const QString& message);

    QString Message() const { return QString::fromUtf8(what()); }

    // The store's four messages.
    static ERegistryException CreateKeyFailed(const QString& key);
    static ERegistryException SetDataFailed(const QString& name);
    static ERegistryException GetDataFailed(const QString& name);
    static ERegistryException InvalidDataType(const QString& name);
};

} // namespace quorvane
