#include "Main.h"
#include "AppResources.h"
#include "DesktopShellInfo.h"
#include "LinuxSnapshotService.h"
#include "TApplication.h"

int main(int argc, char** argv)
{
    quorvane::TApplication application(argc, argv);
    application.SetTitle(QStringLiteral("Quorvane"));
    quorvane::InitAppResources();
    application.setWindowIcon(QIcon(QStringLiteral(":/quorvane/quorvane.svg")));

    quorvane::LinuxSnapshotService snapshots;
    quorvane::DesktopShellInfo shell;
    quorvane::TSDIAppForm window(snapshots, shell);
    window.show();
    return application.exec();
}
