#pragma once

#include <cstddef>
#include <vector>

namespace quorvane {

// The records of one kind in a snapshot, walked First/Next. Next without First starts at the top.
template <typename Record> class RecordWalk {
public:
    std::vector<Record>& Records() { return FRecords; }
    const std::vector<Record>& Records() const { return FRecords; }

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

private:
    std::vector<Record> FRecords;
    size_t FNext = 0;
};

} // namespace quorvane
