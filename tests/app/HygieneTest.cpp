// Descriptors and signals: nothing the program opens reaches a process started after it, and a
// signal arriving while /proc or the settings are read or written loses nothing and ends nothing.
#include "app/DesktopShellInfo.h"
#include "app/Main.h"
#include "platform/proc/ProcFiles.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "settings/TRegIniFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/DesktopData.h"

#include <QDir>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {

// The descriptors a freshly started process holds, as it lists them itself.
std::set<std::string> DescriptorsOfAChild()
{
    ChildProcess child("/bin/ls", { "-1", "/proc/self/fd" });
    std::set<std::string> names;
    try {
        for (;;)
            names.insert(child.ReadLine());
    } catch (const std::exception&) {
    }
    return names;
}

// Sends this thread SIGUSR1 again and again for its life, handled without SA_RESTART: each
// blocking call it lands in returns EINTR.
class SignalStorm {
public:
    SignalStorm()
    {
        struct sigaction action { };
        action.sa_handler = [](int) {};
        sigaction(SIGUSR1, &action, &FOld);
        FSender = std::thread([this, target = pthread_self()] {
            for (; !FStop; ++Sent, usleep(200))
                pthread_kill(target, SIGUSR1);
        });
    }
    ~SignalStorm()
    {
        FStop = true;
        FSender.join();
        sigaction(SIGUSR1, &FOld, nullptr);
    }
    // Returns once this many more signals have been sent.
    static void AwaitMore(int count)
    {
        for (const int until = Sent + count; Sent < until;)
            usleep(100);
    }

    static inline std::atomic<int> Sent { 0 };

private:
    struct sigaction FOld { };
    std::atomic<bool> FStop { false };
    std::thread FSender;
};

TEST(DescriptorHygiene, aChildStartedAfterEveryKindOfReadInheritsNothing)
{
    const std::set<std::string> before = DescriptorsOfAChild();

    ConfigHome home;
    LinuxSnapshotService service;
    const DesktopData desktop;
    DesktopShellInfo shell;
    // The window reads settings, every list of the first process, types and icons.
    TSDIAppForm window(service, shell);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TRegIniFile("Software\\Quorvane").WriteText("Hygiene", "Value", "kept");
    ChildProcess heapOwner("/bin/sleep", { "60" });
    const auto heaps
        = service.CreateToolhelp32Snapshot(TH32CS_SNAPHEAPLIST, uint32_t(heapOwner.Pid()));
    HEAPLIST32 heap;
    if (heaps && heaps->Heap32ListFirst(heap)) {
        HEAPENTRY32 block;
        service.CreateHeapWalk()->Heap32First(block, heap.th32ProcessID, heap.th32HeapID);
    }

    // Every descriptor still open (the kept /proc/PID/stat ones among them) closes on exec.
    EXPECT_EQ(DescriptorsOfAChild(), before);
}

// What a signal may interrupt: a read that waits for its data (a /proc file is read with the
// same loop as this FIFO), and a settings write that waits for another writer's lock.
TEST(SignalHygiene, aFileArrivingInPiecesIsReadWholeAndASettingWaitingForTheLockIsKept)
{
    ConfigHome home;
    const QString folder = QFileInfo(home.UserHive()).path();
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string fifo = (folder + "/stat").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opened for writing first (read-write does not wait for a reader), so the reader's open
    // returns at once and its reads wait for the pieces.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ChildProcess holder("/usr/bin/flock", { folder.toStdString(), "sh", "-c", "echo locked; cat" });
    ASSERT_EQ(holder.ReadLine(), "locked");
    std::thread feeder([writer, &holder] {
        for (const std::string_view piece : { "1234 (name) S ", "1 1 1" }) {
            SignalStorm::AwaitMore(20);
            EXPECT_EQ(::write(writer, piece.data(), piece.size()), ssize_t(piece.size()));
        }
        ::close(writer);
        SignalStorm::AwaitMore(40);
        holder.CloseInput();
    });
    std::optional<std::string> text;
    {
        const SignalStorm storm;
        text = ReadProcFile(AT_FDCWD, fifo.c_str());
        EXPECT_NO_THROW(TRegIniFile("Software\\Quorvane").WriteText("Hygiene", "Value", "kept"));
        feeder.join();
    }
    EXPECT_EQ(text, "1234 (name) S 1 1 1");
    EXPECT_EQ(TRegIniFile("Software\\Quorvane").ReadText("Hygiene", "Value", ""), "kept");
}

} // namespace
