#pragma once

#include "toolkit/TComponent.h"

#include <QDialog>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;

namespace quorvane {

// Chooses the priority class of a process. The box for a single thread's priority is shown but
// can never be used: only the class of the whole process can be changed.
class TThreadPriorityDlg : public QDialog, public TComponent {
    Q_OBJECT
public:
    explicit TThreadPriorityDlg(QWidget* owner);

    // The caption as designed; the caller appends the process's name.
    static QString DesignedCaption() { return QStringLiteral("Thread Priority of "); }

    // A priority class value of the platform (IDLE/NORMAL/HIGH/REALTIME_PRIORITY_CLASS). Any
    // value other than those four selects Normal; no selection reads as Normal.
    uint32_t SelectedClass() const;
    void SetSelectedClass(uint32_t value);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cbClass = nullptr;
    QComboBox* cbPriority = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateDesign();
    QComboBox* DropDownList(const QString& name, int top, const QStringList& items);
    QPushButton* Button(const QString& name, int top, const QString& text);
};

} // namespace quorvane
