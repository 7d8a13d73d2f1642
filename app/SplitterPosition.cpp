#include "app/SplitterPosition.h"

#include "app/ProgramKey.h"
#include "controls/split/TPendingBarPosition.h"
#include "controls/split/ToxQuadSplit.h"
#include "settings/TRegIniFile.h"

namespace quorvane {

namespace {
    const QString kSection = QStringLiteral("Splitter");
}

void ReadSplitterPosition(ToxQuadSplit& split)
{
    const TRegIniFile ini(ProgramKey());
    const int x = ini.ReadNumber(kSection, "X", split.BarPosition().X());
    split.BarPosition().SetX(x);
    const int y = ini.ReadNumber(kSection, "Y", split.BarPosition().Y());
    split.BarPosition().SetY(y);
    if (!split.window()->isVisible())
        new TPendingBarPosition(split, { x, y });
}

void WriteSplitterPosition(const ToxQuadSplit& split)
{
    const TRegIniFile ini(ProgramKey());
    ini.WriteNumber(kSection, "X", split.BarPosition().X());
    ini.WriteNumber(kSection, "Y", split.BarPosition().Y());
}

} // namespace quorvane
