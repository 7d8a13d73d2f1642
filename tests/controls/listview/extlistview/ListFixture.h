#pragma once

#include "ExtListView.h"
#include "HeaderGestures.h"

#include <QHeaderView>
#include <QTest>
#include <memory>

namespace quorvane::testing {

// A shown extended list with helpers that act through real mouse events and read the rows back.
class ListFixture {
public:
    explicit ListFixture(int width = 600, int height = 300)
    {
        List = std::make_unique<TExtListView>();
        List->resize(width, height);
    }

    void addColumns(const QStringList& captions, int width = 100)
    {
        for (const QString& caption : captions)
            List->AddColumn({ caption, width, Qt::AlignLeft, false });
    }

    int addRow(const QStringList& cells, quint64 data = 0)
    {
        const int row = List->AddItem();
        if (!cells.isEmpty())
            List->SetCaption(row, cells.first());
        for (qsizetype i = 1; i < cells.size(); ++i)
            List->AddSubItem(row, cells[i]);
        List->SetData(row, data);
        return row;
    }

    bool show()
    {
        List->show();
        return QTest::qWaitForWindowExposed(List.get());
    }

    void clickHeader(int column) { ClickHeader(*List->header(), column); }
    void dragHeaderToFront(int column) { DragHeaderToFront(*List->header(), column); }

    QPoint cellCenter(int row, int column = 0) const
    {
        return List->visualRect(List->model()->index(row, column)).center();
    }

    void clickRow(int row, int column = 0)
    {
        QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, cellCenter(row, column));
    }

    // The texts of one column, top to bottom, as the view shows them.
    QStringList column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < List->model()->rowCount(); ++row)
            texts << List->model()->index(row, column).data().toString();
        return texts;
    }

    std::vector<int> order() const
    {
        std::vector<int> result(size_t(List->ColumnCount()));
        List->GetColumnOrder(result);
        return result;
    }

    std::unique_ptr<TExtListView> List;
};

} // namespace quorvane::testing
