#pragma once

#include <algorithm>
#include <numeric>
#include <vector>

namespace quorvane {

// The stable order of count items under compare(first, second) (negative: first goes before
// second), as a permutation: element k is the item that goes to position k. A bottom-up merge
// sort, which never leaves its ranges whatever the comparison answers, also when it is not a
// strict order (as for a column that mixes numbers and texts).
template <typename Compare> std::vector<int> StableOrder(int count, Compare&& compare)
{
    std::vector<int> order(static_cast<size_t>(std::max(count, 0)));
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> merged(order.size());
    for (int width = 1; width < count; width *= 2) {
        for (int low = 0; low < count; low += 2 * width) {
            const int middle = std::min(low + width, count);
            const int high = std::min(low + 2 * width, count);
            int left = low;
            int right = middle;
            int out = low;
            while (left < middle && right < high)
                merged[size_t(out++)] = compare(order[size_t(left)], order[size_t(right)]) <= 0
                    ? order[size_t(left++)]
                    : order[size_t(right++)];
            while (left < middle)
                merged[size_t(out++)] = order[size_t(left++)];
            while (right < high)
                merged[size_t(out++)] = order[size_t(right++)];
        }
        order.swap(merged);
    }
    return order;
}

} // namespace quorvane
