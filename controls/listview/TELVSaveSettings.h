#pragma once

#include <QString>
#include <span>

namespace quorvane {

// Where and whether a list keeps its column order and widths: the texts "Order" and "Sizes" in
// the section "Columns" of its key. Setting a property only stores it.
class TELVSaveSettings {
public:
    bool AutoSave() const { return FAutoSave; }
    void SetAutoSave(bool value) { FAutoSave = value; }
    const QString& RegistryKey() const { return FRegistryKey; }
    void SetRegistryKey(const QString& value) { FRegistryKey = value; }
    bool SaveColumnOrder() const { return FSaveColumnOrder; }
    void SetSaveColumnOrder(bool value) { FSaveColumnOrder = value; }
    bool SaveColumnSizes() const { return FSaveColumnSizes; }
    void SetSaveColumnSizes(bool value) { FSaveColumnSizes = value; }

    // Each write replaces the whole value; an empty span writes nothing.
    void WriteColumnOrder(std::span<const int> values) const;
    void WriteColumnSizes(std::span<const int> values) const;
    // Fill values from the stored text and return how many entries the text held (at most
    // values.size()); entries beyond that are left as they were. Nothing stored: the order becomes
    // 0, 1, ..., the sizes get -1 in entry 0, and both return 0. A malformed entry reads as 0.
    int ReadColumnOrder(std::span<int> values) const;
    int ReadColumnSizes(std::span<int> values) const;

    static QString JoinEntries(std::span<const int> values);
    static int SplitEntries(const QString& text, std::span<int> values);

private:
    void write(const QString& name, std::span<const int> values) const;
    QString read(const QString& name) const;

    bool FAutoSave = false;
    QString FRegistryKey;
    bool FSaveColumnOrder = true;
    bool FSaveColumnSizes = true;
};

} // namespace quorvane
