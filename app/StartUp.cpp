#include "app/StartUp.h"

#include "app/AppIdentity.h"
#include "app/AppResources.h"
#include "platform/hive/HiveFile.h"
#include "toolkit/TApplication.h"

#include <QIcon>

namespace quorvane {

void SetUpApplication(TApplication& application)
{
    application.SetTitle(QString::fromLatin1(AppName));
    HiveFile::SetProgramFolder(AppConfigFolder);
    application.setApplicationVersion(QString::fromLatin1(AppVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(AppId));
    InitAppResources();
    application.setWindowIcon(QIcon(QStringLiteral(":/quorvane/quorvane.svg")));
}

} // namespace quorvane
