#include "platform/proc/ProcFiles.h"
#include "tests/support/SignalStorm.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string_view>
#include <sys/stat.h>

using namespace quorvane;
using quorvane::testing::SignalStorm;

namespace {

// A /proc file is read with the same loop as this FIFO, whose pieces arrive among signals.
TEST(ProcFiles, aFileArrivingInPiecesAmongSignalsIsReadWhole)
{
    QTemporaryDir folder;
    const std::string fifo = folder.path().toStdString() + "/stat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opened for writing first (read-write does not wait for a reader), so the reader's open
    // returns at once and its reads wait for the pieces.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    std::thread feeder([writer] {
        for (const std::string_view piece : { "1234 (name) S ", "1 1 1" }) {
            SignalStorm::AwaitMore(20);
            EXPECT_EQ(::write(writer, piece.data(), piece.size()), ssize_t(piece.size()));
        }
        ::close(writer);
    });
    std::optional<std::string> text;
    {
        const SignalStorm storm;
        text = ReadProcFile(AT_FDCWD, fifo.c_str());
        feeder.join();
    }
    EXPECT_EQ(text, "1234 (name) S 1 1 1");
}

} // namespace
