#pragma once

#include "TTrackOverlay.h"
#include "ToxQuadSplit.h"
#include "ToxScrollPane.h"

#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace quorvane::test {

// A shown window whose only content is a splitter of the main window's size, each pane holding a
// list of its own.
class SplitFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        split = new ToxQuadSplit(window.get());
        split->SetBarWidth(4);
        split->setGeometry(0, 0, 830, 381);
        split->BarPosition().SetPoint(562, 161);
        const char* names[] = { "ProcessList", "ThreadList", "HeapListList", "ModuleList" };
        for (int i = 0; i < 4; ++i) {
            auto* list = new QTreeWidget;
            list->setObjectName(names[i]);
            list->setFrameStyle(QFrame::NoFrame);
            split->Panes(i)->SetClientControl(list);
            lists[i] = list;
        }
        split->OnResize = [this](QObject*) { ++resizes; };
        window->resize(830, 381);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        resizes = 0;
    }

    QRect PaneRect(int i) const { return split->Panes(i)->geometry(); }
    const QList<QRect>& Lines() const { return split->findChild<TTrackOverlay*>()->Shown(); }

    void Press(QPoint p) { QTest::mousePress(split, Qt::LeftButton, {}, p); }
    void Move(QPoint p) { QTest::mouseMove(split, p); }
    void Release(QPoint p) { QTest::mouseRelease(split, Qt::LeftButton, {}, p); }

    std::unique_ptr<QWidget> window;
    ToxQuadSplit* split = nullptr;
    QTreeWidget* lists[4] = {};
    int resizes = 0;
};

} // namespace quorvane::test
