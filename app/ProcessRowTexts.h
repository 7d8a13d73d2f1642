#pragma once

#include <QString>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quorvane {

// Texts of the process list that many rows share, made once for a fill and then shared by the
// rows that show them (a QString copy shares its text): at thousands of processes the texts, not
// the snapshot, were most of a refill's allocations.
class ProcessRowTexts {
public:
    // "8 (Normal)", "7 (Unknown)"
    QString Priority(int32_t basePriority);
    QString Threads(uint32_t count);
    QString Type(uint32_t executableType);

private:
    std::unordered_map<int32_t, QString> FPriorities;
    std::vector<QString> FCounts; // by count, grown as larger counts appear
    std::unordered_map<uint32_t, QString> FTypes;
};

} // namespace quorvane
