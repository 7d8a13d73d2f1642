#include "SplitFixture.h"

#include <QApplication>

namespace quorvane::test {
namespace {

    using TabOrder = SplitFixture;

    // Pane indices: 0 top left, 1 top right, 2 bottom right, 3 bottom left.
    struct TabCase {
        ToxsPaneTabOrder order;
        std::array<int, 4> panes;
    };

    TEST_F(TabOrder, tabVisitsThePanesInEachOrder)
    {
        ASSERT_EQ(split->PaneCount(), 4);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        const TabCase cases[] = {
            { oxsAcross, { 0, 1, 3, 2 } },
            { oxsDown, { 0, 3, 1, 2 } },
            { oxsClockwise, { 0, 1, 2, 3 } },
            { oxsCounterClockwise, { 0, 3, 2, 1 } },
        };
        for (const TabCase& c : cases) {
            split->SetPaneTabOrder(c.order);
            lists[0]->setFocus();
            ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == lists[0]; }));
            for (int step = 1; step < 4; ++step) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                EXPECT_EQ(QApplication::focusWidget(), lists[c.panes[step]])
                    << "order " << int(c.order) << " step " << step;
            }
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(split->Panes(c.panes[i])->TabOrder(), i);
        }
    }

    TEST_F(TabOrder, storedPaneOrdersApplyAndARewriteRenumbers)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // The main window's panes store 0, 1, 3, 2.
        split->SetPaneTabOrder(oxsClockwise);
        split->Panes(2)->SetTabOrder(3);
        split->Panes(3)->SetTabOrder(2);
        lists[0]->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == lists[0]; }));
        QTest::keyClick(lists[0], Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), lists[3]);

        // Writing the current value again renumbers the panes all the same.
        split->Panes(1)->SetTabOrder(3);
        split->SetPaneTabOrder(oxsAcross);
        EXPECT_EQ(split->Panes(1)->TabOrder(), 1);
        EXPECT_EQ(split->Panes(3)->TabOrder(), 2);
    }

} // namespace
} // namespace quorvane::test
