#pragma once

#include <functional>

namespace quorvane {

// An X/Y pair that reports its changes. One flag shared by every point keeps a change made inside
// any point's OnChange handler from notifying again.
class TPointClass {
public:
    TPointClass() = default;
    TPointClass(const TPointClass&) = delete;
    TPointClass& operator=(const TPointClass&) = delete;

    int X() const { return FX; }
    int Y() const { return FY; }
    void SetX(int value);
    void SetY(int value);
    // Notifies even when nothing changed.
    void SetPoint(int x, int y);
    void Assign(const TPointClass& source);

    static bool PointChanging() { return FPointChanging; }

    std::function<void(TPointClass* Sender)> OnChange;

protected:
    virtual void Change();

private:
    int FX = 0;
    int FY = 0;
    static inline bool FPointChanging = false;
};

} // namespace quorvane
