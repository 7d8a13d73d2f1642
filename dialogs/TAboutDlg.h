#pragma once

#include "platform/proc/SystemResources.h"
#include "toolkit/TComponent.h"

#include <QObject>
#include <QString>

namespace quorvane {

// The about box as a component of the main window: it keeps the texts of the box and the
// machine's registered owner and organisation, and shows a new TfrmAbout at each Execute.
class TAboutDlg : public QObject, public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString AppName READ AppName WRITE SetAppName)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Copyright READ Copyright WRITE SetCopyright)
    Q_PROPERTY(QString Vendor READ Vendor WRITE SetVendor)
public:
    explicit TAboutDlg(QObject* owner);

    QString AppName() const { return FAppName; }
    void SetAppName(const QString& value) { FAppName = value; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }
    QString Copyright() const { return FCopyright; }
    void SetCopyright(const QString& value) { FCopyright = value; }
    QString Vendor() const { return FVendor; }
    void SetVendor(const QString& value) { FVendor = value; }

    // Where the free resources are read from; the system's own unless a test says otherwise.
    void SetResources(SystemResources resources) { FResources = std::move(resources); }

    // Fills in what is missing, shows the box modally and returns once it is closed.
    void Execute();

private:
    void ReadRegistration();

    QString FAppName;
    QString FUserName;
    QString FCompanyName;
    QString FCaption;
    QString FCopyright;
    QString FVendor;
    SystemResources FResources;
};

} // namespace quorvane
