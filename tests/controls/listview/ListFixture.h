#pragma once

#include "controls/listview/ExtListView.h"
#include "tests/support/HeaderGestures.h"

#include <QHeaderView>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace quorvane::testing {

// A shown extended list of four rows and one small image, with helpers that act through real
// mouse events and read the rows back. The rows' data: beta 1, alpha 2, Gamma 3, delta 4.
// Public, so that table cases can act through it.
class ListFixture : public ::testing::Test {
public:
    ListFixture()
    {
        QPixmap red(16, 16);
        red.fill(Qt::red);
        Images.Add(QIcon(red));
        List->SetSmallImages(&Images);
    }

    void SetUp() override
    {
        addColumns({ "Name", "Size", "Path" });
        addRow({ "beta", "10", "/b" }, 1);
        addRow({ "alpha", "9", "/a" }, 2);
        addRow({ "Gamma", "100", "/c" }, 3);
        addRow({ "delta", "-1.5", "/d" }, 4);
        show();
    }

    void addColumns(const QStringList& captions)
    {
        for (const QString& caption : captions)
            List->AddColumn({ caption, 100, Qt::AlignLeft, false });
    }

    void addRow(const QStringList& cells, quint64 data = 0)
    {
        const int row = List->AddItem();
        List->SetCaption(row, cells.first());
        for (qsizetype i = 1; i < cells.size(); ++i)
            List->AddSubItem(row, cells[i]);
        List->SetData(row, data);
    }

    void show()
    {
        List->resize(600, 300);
        List->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(List.get()));
    }

    void clickHeader(int column) { ClickHeader(*List->header(), column); }

    QRect cellRect(int row, int column = 0) const
    {
        return List->visualRect(List->model()->index(row, column));
    }

    QVariant cell(int row, int column, int role = Qt::DisplayRole) const
    {
        return List->model()->index(row, column).data(role);
    }

    QStringList captions() const
    {
        QStringList texts;
        for (int row = 0; row < List->ItemCount(); ++row)
            texts << List->Caption(row);
        return texts;
    }

    // The rows' data top to bottom, as digits.
    std::string order() const
    {
        std::string digits;
        for (int row = 0; row < List->ItemCount(); ++row)
            digits += char('0' + List->Data(row));
        return digits;
    }

    TImageList Images; // outlives the list
    std::unique_ptr<TExtListView> List = std::make_unique<TExtListView>();
};

} // namespace quorvane::testing
