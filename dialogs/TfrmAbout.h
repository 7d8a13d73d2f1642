#pragma once

#include "platform/proc/SystemResources.h"
#include "toolkit/TComponent.h"

#include <QDialog>
#include <cstdint>

class QFrame;
class QLabel;
class QPushButton;

namespace quorvane {

// The about box's form: made, filled and shown by TAboutDlg. It measures the memory and the free
// resources each time it is shown.
class TfrmAbout : public QDialog, public TComponent {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent, SystemResources resources = SystemResources());

    // Fills the memory and resources figures; a resources figure that cannot be had is said in
    // a box of its own first.
    void FormShow(QObject* Sender);
    // FormShow, then the form modally; its result.
    int ShowModal();

    // The total physical memory in KB, one "," before the last three digits: "1048,576 KB".
    static QString MemoryText(uint64_t totalBytes);

    QLabel* imgIcon = nullptr;
    QLabel* lblApp = nullptr;
    QLabel* lblVendor = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblReg = nullptr;
    QLabel* lblUserName = nullptr;
    QLabel* lblCompanyName = nullptr;
    QFrame* bev1 = nullptr;
    QLabel* lblPhys = nullptr;
    QLabel* lblPhysical = nullptr;
    QLabel* lblSysRes = nullptr;
    QLabel* lblResFree = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateDesign();
    void PlaceFigure(QLabel& figure, const QLabel& caption);

    SystemResources FResources;
};

} // namespace quorvane
