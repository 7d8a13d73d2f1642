#include "app/ShowWarnings.h"

#include "app/ProgramKey.h"
#include "settings/TRegIniFile.h"

#include <QAction>

namespace quorvane {

namespace {
    const QString kSection = QStringLiteral("Options");
    const QString kName = QStringLiteral("Show Warnings");
}

bool GetShowWarnings()
{
    const TRegIniFile store(ProgramKey());
    return store.ReadFlag(kSection, kName, true);
}

void SetShowWarnings(bool Value)
{
    const TRegIniFile store(ProgramKey());
    store.WriteFlag(kSection, kName, Value);
}

void ToggleShowWarnings(QAction& ShowWarningsItem)
{
    try {
        SetShowWarnings(!GetShowWarnings());
    } catch (...) {
        // The store kept its value: the mark shows it, or stays as it was when even a read fails.
        try {
            ShowWarningsItem.setChecked(GetShowWarnings());
        } catch (const std::exception&) {
        }
        throw;
    }
    ShowWarningsItem.setChecked(GetShowWarnings());
}

} // namespace quorvane
