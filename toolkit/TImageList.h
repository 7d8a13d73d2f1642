#pragma once

#include <QIcon>
#include <QSize>
#include <unordered_map>
#include <vector>

namespace quorvane {

// Images shared by the rows of a list, addressed by index.
class TImageList {
public:
    explicit TImageList(QSize size = QSize(16, 16))
        : FSize(size)
    {
    }

    // The index of the image, or -1 when there is nothing to add. Adding the same icon again
    // (the same cache key) gives the index it already has, so refills do not grow the list.
    int Add(const QIcon& icon)
    {
        if (icon.isNull())
            return -1;
        const auto [known, added] = FIndexOfKey.try_emplace(icon.cacheKey(), Count());
        if (added)
            FImages.push_back(icon);
        return known->second;
    }
    int Count() const { return int(FImages.size()); }
    QIcon Image(int index) const
    {
        return index >= 0 && index < Count() ? FImages[size_t(index)] : QIcon();
    }
    QSize Size() const { return FSize; }
    void Clear()
    {
        FImages.clear();
        FIndexOfKey.clear();
    }

private:
    QSize FSize;
    std::vector<QIcon> FImages;
    std::unordered_map<qint64, int> FIndexOfKey;
};

} // namespace quorvane
