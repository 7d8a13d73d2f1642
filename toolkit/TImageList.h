#pragma once

#include <QIcon>
#include <QSize>
#include <vector>

namespace quorvane {

// Images shared by the rows of a list, addressed by index.
class TImageList {
public:
    explicit TImageList(QSize size = QSize(16, 16))
        : FSize(size)
    {
    }

    // The index of the new image, or -1 when there is nothing to add.
    int Add(const QIcon& icon)
    {
        if (icon.isNull())
            return -1;
        FImages.push_back(icon);
        return int(FImages.size()) - 1;
    }
    int Count() const { return int(FImages.size()); }
    QIcon Image(int index) const
    {
        return index >= 0 && index < Count() ? FImages[size_t(index)] : QIcon();
    }
    QSize Size() const { return FSize; }
    void Clear() { FImages.clear(); }

private:
    QSize FSize;
    std::vector<QIcon> FImages;
};

} // namespace quorvane
