#pragma once

namespace quorvane {

// The lower bound wins the first test, so when high < low every value at or above low yields high.
constexpr int Clamp(int value, int low, int high)
{
    if (value < low)
        return low;
    if (value > high)
        return high;
    return value;
}

} // namespace quorvane
