#include "app/Main.h"
#include "app/CommandLine.h"
#include "app/DesktopShellInfo.h"
#include "app/StartUp.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "toolkit/TApplication.h"

#include <iostream>

int main(int argc, char** argv)
{
    // Answered before the application object exists, so they need no display.
    if (const std::optional<int> status
        = quorvane::AnswerCommandLine(argc, argv, std::cout, std::cerr))
        return *status;

    // The first process snapshot is read while the application connects to the display and the
    // window is built; the window's creation fills its list from it, before it shows.
    quorvane::LinuxSnapshotService snapshots;
    snapshots.PrefetchProcesses();

    quorvane::TApplication application(argc, argv);
    quorvane::SetUpApplication(application);

    quorvane::DesktopShellInfo shell;
    quorvane::TSDIAppForm window(snapshots, shell);
    window.show();
    return application.exec();
}
