#include "settings/Placemnt.h"

#include "settings/TRegIniFile.h"
#include "settings/TWindowPlacement.h"
#include "toolkit/EAbort.h"

#include <QWidget>

namespace quorvane {

namespace {
    QWidget* OwnerWidget(const QObject* placement)
    {
        return qobject_cast<QWidget*>(placement->parent());
    }
}

TPlacement::TPlacement(QObject* owner, const QString& section)
    : QObject(owner)
    , FSection(section)
{
    if (FSection.isEmpty() && owner)
        FSection = owner->objectName();
}

void TPlacement::SavePlacement()
{
    if (FIniFileName.isEmpty())
        return;
    TWindowPlacement placement;
    placement.length = TWindowPlacement::kLength;
    if (!GetWindowPlacement(OwnerWidget(this), placement))
        throw EAbort("Unable to retrieve window placement");
    const TRegIniFile ini(FIniFileName);
    ini.WriteNumber(FSection, "PlaceFlags", placement.flags);
    ini.WriteNumber(FSection, "PlaceShowCmd", placement.showCmd);
    ini.WriteNumber(FSection, "PlaceMinPosX", placement.minX);
    ini.WriteNumber(FSection, "PlaceMinPosY", placement.minY);
    ini.WriteNumber(FSection, "PlaceMaxPosX", placement.maxX);
    ini.WriteNumber(FSection, "PlaceMaxPosY", placement.maxY);
    ini.WriteNumber(FSection, "PlaceNormPosL", placement.normLeft);
    ini.WriteNumber(FSection, "PlaceNormPosT", placement.normTop);
    ini.WriteNumber(FSection, "PlaceNormPosR", placement.normRight);
    ini.WriteNumber(FSection, "PlaceNormPosB", placement.normBottom);
}

void TPlacement::RestorePlacement()
{
    if (FIniFileName.isEmpty())
        return;
    const TRegIniFile ini(FIniFileName);
    TWindowPlacement placement;
    placement.length = TWindowPlacement::kLength;
    placement.flags = ini.ReadNumber(FSection, "PlaceFlags", 0);
    placement.showCmd = ini.ReadNumber(FSection, "PlaceShowCmd", 1);
    placement.minX = ini.ReadNumber(FSection, "PlaceMinPosX", 0);
    placement.minY = ini.ReadNumber(FSection, "PlaceMinPosY", 0);
    placement.maxX = ini.ReadNumber(FSection, "PlaceMaxPosX", 0);
    placement.maxY = ini.ReadNumber(FSection, "PlaceMaxPosY", 0);
    placement.normLeft = ini.ReadNumber(FSection, "PlaceNormPosL", 0);
    placement.normTop = ini.ReadNumber(FSection, "PlaceNormPosT", 0);
    placement.normRight = ini.ReadNumber(FSection, "PlaceNormPosR", 0);
    placement.normBottom = ini.ReadNumber(FSection, "PlaceNormPosB", 0);
    // Nothing stored yet reads 0 for both edges.
    if (placement.normRight > placement.normLeft)
        SetWindowPlacement(OwnerWidget(this), placement);
}

} // namespace quorvane
