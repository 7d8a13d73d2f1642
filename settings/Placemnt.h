#pragma once

#include "toolkit/TComponent.h"

#include <QObject>
#include <QString>

namespace quorvane {

// Keeps the placement of its owner's window in the settings store: ten numbers in Section of the
// key IniFileName, written by SavePlacement and put back by RestorePlacement.
class TPlacement : public QObject, public TComponent {
    Q_OBJECT
public:
    // An empty Section takes the owner's name.
    explicit TPlacement(QObject* owner, const QString& section = {});

    QString IniFileName() const { return FIniFileName; }
    void SetIniFileName(const QString& value) { FIniFileName = value; }
    QString Section() const { return FSection; }
    void SetSection(const QString& value) { FSection = value; }

    // Throws EAbort, before touching the store, when the owner has no window to read.
    virtual void SavePlacement();
    // Applies the stored placement only when its right edge lies right of its left edge.
    virtual void RestorePlacement();

private:
    QString FIniFileName;
    QString FSection;
};

} // namespace quorvane
