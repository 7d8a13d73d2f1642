#include "dialogs/TAboutDlg.h"

#include "dialogs/TfrmAbout.h"
#include "settings/TRegIniFile.h"
#include "toolkit/TApplication.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <memory>

namespace quorvane {

namespace {
    QString ApplicationTitle()
    {
        const TApplication* application = TApplication::Instance();
        return application ? application->Title() : QCoreApplication::applicationName();
    }
}

TAboutDlg::TAboutDlg(QObject* owner)
    : QObject(owner)
{
}

// Owner and organisation come from the machine's read-only settings; a text once found is kept,
// one still empty is looked for again next time.
void TAboutDlg::ReadRegistration()
{
    TRegIniFile store(QString {});
    store.SelectRoot(HKEY_LOCAL_MACHINE);
    store.OpenPath(QStringLiteral("Software\\Microsoft\\Windows\\"), true);
    const QString section = QStringLiteral("CurrentVersion");
    if (FUserName.isEmpty())
        FUserName = store.ReadText(section, QStringLiteral("RegisteredOwner"), QString());
    if (FCompanyName.isEmpty())
        FCompanyName = store.ReadText(section, QStringLiteral("RegisteredOrganization"), QString());
}

void TAboutDlg::Execute()
{
    if (FUserName.isEmpty() || FCompanyName.isEmpty())
        ReadRegistration();
    if (FAppName.isEmpty())
        FAppName = ApplicationTitle();
    if (FCaption.isEmpty())
        FCaption = QStringLiteral("About ") + ApplicationTitle();

    auto* window = qobject_cast<QWidget*>(parent());
    const auto form = std::make_unique<TfrmAbout>(window, FResources);
    form->imgIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    const std::pair<QLabel*, QString> texts[] = { { form->lblApp, FAppName },
        { form->lblVendor, FVendor }, { form->lblCopyright, FCopyright },
        { form->lblUserName, FUserName }, { form->lblCompanyName, FCompanyName } };
    for (const auto& [label, text] : texts) {
        label->setText(text);
        label->adjustSize();
    }
    form->setWindowTitle(FCaption);
    form->ShowModal();
}

} // namespace quorvane
