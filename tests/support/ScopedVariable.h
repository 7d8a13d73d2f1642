#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace quorvane::testing {

// Sets an environment variable for the life of the object, then gives it back as it was (unset
// if it was).
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : FName(name)
        , FOld(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        qputenv(name, value);
    }
    ~ScopedVariable() { FOld ? qputenv(FName, *FOld) : qunsetenv(FName); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* FName;
    std::optional<QByteArray> FOld;
};

} // namespace quorvane::testing
