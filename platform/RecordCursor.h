#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace quorvane {

// The First/Next walk over records taken in one go: First starts again at the first record.
template <typename Record> class RecordCursor {
public:
    explicit RecordCursor(std::vector<Record> records)
        : FRecords(std::move(records))
    {
    }

    bool First(Record& record)
    {
        FNext = 0;
        return Next(record);
    }

    bool Next(Record& record)
    {
        if (FNext >= FRecords.size())
            return false;
        record = FRecords[FNext++];
        return true;
    }

    const std::vector<Record>& Records() const { return FRecords; }

private:
    std::vector<Record> FRecords;
    std::size_t FNext = 0;
};

} // namespace quorvane
