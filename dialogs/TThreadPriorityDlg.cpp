#include "dialogs/TThreadPriorityDlg.h"

#include "dialogs/DialogDesign.h"
#include "platform/proc/Priority.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quorvane {

namespace {
    // Item of cbClass by index, and back.
    constexpr uint32_t ClassOfItem[] = { IDLE_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS,
        HIGH_PRIORITY_CLASS, REALTIME_PRIORITY_CLASS };
    constexpr int NormalItem = 1;

    const char* const Note
        = "As near as I can tell, it is impossible to modify individual thread priorities without "
          "a terrible gnashing of the teeth.  If anyone can offer insights into how to do it, I'd "
          "love to hear it.  For now, only the process priority class can be changed.";
}

TThreadPriorityDlg::TThreadPriorityDlg(QWidget* owner)
    : QDialog(owner)
{
    TDesignLoader loader(this);
    CreateDesign();
    loader.Finish();
}

void TThreadPriorityDlg::CreateDesign()
{
    setObjectName(QStringLiteral("ThreadPriorityDlg"));
    setWindowTitle(DesignedCaption());
    SetFixedDialogBorder(*this, 298, 137);

    Label1 = DesignLabel(this, QStringLiteral("Label1"), 8, 12, QStringLiteral("Class:"));
    Label2 = DesignLabel(this, QStringLiteral("Label2"), 8, 44, QStringLiteral("Priority:"));
    cbClass = DropDownList(QStringLiteral("cbClass"), 8,
        { QStringLiteral("Idle"), QStringLiteral("Normal"), QStringLiteral("High"),
            QStringLiteral("Real-Time") });
    cbPriority = DropDownList(QStringLiteral("cbPriority"), 40,
        { QStringLiteral("Idle"), QStringLiteral("Lowest"), QStringLiteral("Below Normal"),
            QStringLiteral("Normal"), QStringLiteral("Above Normal"), QStringLiteral("Highest"),
            QStringLiteral("Time Critical") });
    cbClass->setAccessibleName(QStringLiteral("Class"));
    cbPriority->setAccessibleName(QStringLiteral("Priority"));
    cbPriority->setEnabled(false);
    cbPriority->setFocusPolicy(Qt::NoFocus);

    Label3 = new QLabel(QString::fromUtf8(Note), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    // Down to the bottom edge: the platform's font is taller than the design's.
    Label3->setGeometry(8, 72, 281, 65);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setStyleSheet(QStringLiteral("color: red"));

    Button1 = Button(QStringLiteral("Button1"), 8, QStringLiteral("OK"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Button2 = Button(QStringLiteral("Button2"), 40, QStringLiteral("Cancel"));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(cbClass, Button1);
    setTabOrder(Button1, Button2);
    cbClass->setFocus();
}

QComboBox* TThreadPriorityDlg::DropDownList(const QString& name, int top, const QStringList& items)
{
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    box->setGeometry(48, top, 145, 21);
    box->addItems(items);
    box->setCurrentIndex(-1);
    return box;
}

QPushButton* TThreadPriorityDlg::Button(const QString& name, int top, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setGeometry(216, top, 75, 25);
    return button;
}

void TThreadPriorityDlg::showEvent(QShowEvent* event)
{
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

uint32_t TThreadPriorityDlg::SelectedClass() const
{
    const int item = cbClass->currentIndex();
    return item >= 0 && item < int(std::size(ClassOfItem)) ? ClassOfItem[item]
                                                           : NORMAL_PRIORITY_CLASS;
}

void TThreadPriorityDlg::SetSelectedClass(uint32_t value)
{
    int item = NormalItem;
    for (int i = 0; i < int(std::size(ClassOfItem)); ++i)
        if (ClassOfItem[i] == value)
            item = i;
    cbClass->setCurrentIndex(item);
}

} // namespace quorvane
