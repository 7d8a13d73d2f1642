#include "controls/split/TPointClass.h"

namespace quorvane {

void TPointClass::SetX(int value)
{
    if (value == FX)
        return;
    FX = value;
    Change();
}

void TPointClass::SetY(int value)
{
    if (value == FY)
        return;
    FY = value;
    Change();
}

void TPointClass::SetPoint(int x, int y)
{
    FX = x;
    FY = y;
    Change();
}

void TPointClass::Assign(const TPointClass& source)
{
    FX = source.FX;
    FY = source.FY;
    Change();
}

void TPointClass::Change()
{
    if (FPointChanging)
        return;
    // Cleared also when the handler throws: a failed handler must not silence every point for good.
    struct Guard {
        Guard() { FPointChanging = true; }
        ~Guard() { FPointChanging = false; }
    } guard;
    if (OnChange)
        OnChange(this);
}

} // namespace quorvane
