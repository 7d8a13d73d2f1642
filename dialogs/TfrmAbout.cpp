#include "dialogs/TfrmAbout.h"

#include "dialogs/DialogDesign.h"
#include "platform/proc/MemoryStatus.h"
#include "toolkit/TMessageBox.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace quorvane {

TfrmAbout::TfrmAbout(QWidget* parent, SystemResources resources)
    : QDialog(parent)
    , FResources(std::move(resources))
{
    TDesignLoader loader(this);
    CreateDesign();
    loader.Finish();
}

void TfrmAbout::CreateDesign()
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Application"));
    SetFixedDialogBorder(*this, 320, 258);

    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setGeometry(10, 10, 32, 32);
    lblApp = DesignLabel(this, QStringLiteral("lblApp"), 56, 17, QStringLiteral("Application"));
    lblVendor
        = DesignLabel(this, QStringLiteral("lblVendor"), 56, 34, QStringLiteral("Vendor Company"));
    lblCopyright
        = DesignLabel(this, QStringLiteral("lblCopyright"), 56, 51, QStringLiteral("Copyright"));
    lblReg = DesignLabel(
        this, QStringLiteral("lblReg"), 56, 99, QStringLiteral("This product is licensed to:"));
    lblReg->setAutoFillBackground(true);
    lblUserName = DesignLabel(this, QStringLiteral("lblUserName"), 66, 115, QString());
    lblCompanyName = DesignLabel(this, QStringLiteral("lblCompanyName"), 66, 132, QString());

    bev1 = new QFrame(this);
    bev1->setObjectName(QStringLiteral("bev1"));
    bev1->setFrameShape(QFrame::HLine);
    bev1->setFrameShadow(QFrame::Sunken);
    bev1->setGeometry(56, 158, 250, 2);

    lblPhys = DesignLabel(this, QStringLiteral("lblPhys"), 56, 169,
        QStringLiteral("Physical Memory Available to Windows:"));
    lblPhysical = DesignLabel(this, QStringLiteral("lblPhysical"), 251, 169, QString());
    lblSysRes = DesignLabel(
        this, QStringLiteral("lblSysRes"), 56, 190, QStringLiteral("System Resources:"));
    lblSysRes->setAutoFillBackground(true);
    lblResFree = DesignLabel(this, QStringLiteral("lblResFree"), 251, 190, QString());

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(233, 224, 75, 23);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    cmdOK->setFocus();
}

QString TfrmAbout::MemoryText(uint64_t totalBytes)
{
    QString digits = QString::number(totalBytes / 1024);
    if (digits.size() > 3)
        digits.insert(digits.size() - 3, QLatin1Char(','));
    return digits + QStringLiteral(" KB");
}

// A figure stands right of its caption. The platform's font is wider than the design's: where
// caption and figure do not fit, the figure moves right and the box grows to hold it.
void TfrmAbout::PlaceFigure(QLabel& figure, const QLabel& caption)
{
    figure.adjustSize();
    figure.move(std::max(figure.x(), caption.geometry().right() + 8), figure.y());
    if (figure.geometry().right() + 12 > width())
        setFixedWidth(figure.geometry().right() + 12);
}

void TfrmAbout::FormShow(QObject* /*Sender*/)
{
    MEMORYSTATUS status;
    status.dwLength = sizeof(MEMORYSTATUS);
    GlobalMemoryStatus(status);
    lblPhysical->setText(MemoryText(status.dwTotalPhys));
    PlaceFigure(*lblPhysical, *lblPhys);

    const std::optional<int> free = FResources.FreePercent();
    if (!free) {
        TMessageBox::ShowMessage(QStringLiteral("GetProcAddress16 failure"), this);
        lblResFree->clear();
    } else {
        lblResFree->setText(QString::number(*free) + QStringLiteral("% Free"));
    }
    PlaceFigure(*lblResFree, *lblSysRes);
}

int TfrmAbout::ShowModal()
{
    FormShow(this);
    return exec();
}

void TfrmAbout::showEvent(QShowEvent* event)
{
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

} // namespace quorvane
