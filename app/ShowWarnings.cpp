#include "ShowWarnings.h"

#include "ProgramKey.h"
#include "TRegIniFile.h"

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
    SetShowWarnings(!GetShowWarnings());
    ShowWarningsItem.setChecked(GetShowWarnings());
}

} // namespace quorvane
