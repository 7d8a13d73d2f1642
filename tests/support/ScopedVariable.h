#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace quorvane::testing {

// Sets an environment variable for the life of the object, then gives it back as it was (unset
// if it was).
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : FName(name)
        , FOld(qgetenv(name))
        , FHad(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (FHad)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* FName;
    QByteArray FOld;
    bool FHad;
};

} // namespace quorvane::testing
