#include "settings/ERegistryException.h"

namespace quorvane {

ERegistryException::ERegistryException(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

ERegistryException ERegistryException::CreateKeyFailed(const QString& key)
{
    return ERegistryException(QStringLiteral("Failed to create key %1").arg(key));
}

ERegistryException ERegistryException::SetDataFailed(const QString& name)
{
    return ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
}

ERegistryException ERegistryException::GetDataFailed(const QString& name)
{
    return ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
}

ERegistryException ERegistryException::InvalidDataType(const QString& name)
{
    return ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
}

} // namespace quorvane
