#include "TComponent.h"
#include "ToxQuadSplit.h"
#include "ToxScrollPane.h"

#include <QMainWindow>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace quorvane::test {
namespace {

    // A window read from its design the way the main window is: splitter properties first (its
    // events included), then the panes of the design in place of the constructor's, each holding
    // a named list.
    struct DesignedWindow {
        std::unique_ptr<QMainWindow> form = std::make_unique<QMainWindow>();
        ToxQuadSplit* split = nullptr;
        QList<QObject*> downSenders;
        int dblClicks = 0;
        QList<QPointer<QWidget>> constructorPanes;

        explicit DesignedWindow(ToxsStyle style = oxsAuto)
        {
            TDesignLoader loader(form.get());
            split = new ToxQuadSplit(form.get());
            for (QWidget* pane : split->ChildControls())
                constructorPanes.append(pane);
            split->setObjectName("QuadSplit");
            split->SetStyle(style);
            split->SetBarWidth(4);
            split->resize(830, 381);
            split->BarPosition().SetX(562);
            split->BarPosition().SetY(161);
            split->SetColor(Qt::cyan);
            split->OnMouseDown = [this](QObject* sender, Qt::MouseButton, Qt::KeyboardModifiers,
                                     int, int) { downSenders.append(sender); };
            split->OnDblClick = [this](QObject*) { ++dblClicks; };
            states.styleWhileLoading = split->EffectiveStyle();
            states.marginWhileLoading = split->Margin();
            split->ReadState([this] {
                const char* names[] = { "ProcessList", "ThreadList", "HeapListList", "" };
                const int tabOrders[] = { 0, 1, 3, 2 };
                for (int i = 0; i < 4; ++i) {
                    auto* pane = new ToxScrollPane(split);
                    pane->SetBorderStyle(bsNone);
                    pane->SetTabOrder(tabOrders[i]);
                    if (*names[i]) { // the last pane stays empty so a press can reach it
                        auto* list = new QTreeWidget;
                        list->setObjectName(names[i]);
                        pane->SetClientControl(list);
                    }
                }
            });
            form->setCentralWidget(split);
            loader.Finish();
        }
        struct {
            ToxsStyle styleWhileLoading;
            int marginWhileLoading;
        } states;
    };

    TEST(SplitterLoading, theDesignsPanesReplaceTheConstructors)
    {
        DesignedWindow w;
        for (const QPointer<QWidget>& pane : w.constructorPanes)
            EXPECT_TRUE(pane.isNull());
        EXPECT_EQ(w.split->PaneCount(), 4);
        EXPECT_EQ(w.split->ChildControls().size(), 4);
        // The form reaches the lists by their names; the panes have none.
        EXPECT_NE(w.form->findChild<QTreeWidget*>("ThreadList"), nullptr);
        EXPECT_EQ(w.form->findChild<QTreeWidget*>("ThreadList")->window(), w.form.get());
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(w.split->Panes(i)->objectName().isEmpty());
        EXPECT_EQ(w.split->Panes(2)->TabOrder(), 3);
        EXPECT_EQ(w.split->Panes(3)->TabOrder(), 2);
    }

    TEST(SplitterLoading, effectsWaitForTheLoadedStep)
    {
        DesignedWindow w(oxsWin31);
        EXPECT_EQ(w.states.styleWhileLoading, oxsAuto);
        EXPECT_EQ(w.states.marginWhileLoading, 0);
        EXPECT_EQ(w.split->EffectiveStyle(), oxsWin31);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(w.split->Panes(i)->BorderStyle(), bsSingle);
            EXPECT_EQ(w.split->Panes(i)->Color(), QColor(Qt::cyan));
        }
        // The position was limited by the size read before it, without the margin.
        EXPECT_EQ(w.split->BarPosition().X(), 562);
        EXPECT_EQ(w.split->BarPosition().Y(), 161);
    }

    TEST(SplitterLoading, panesTakeTheSplittersInputHandlers)
    {
        DesignedWindow w;
        w.form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
        ToxScrollPane* empty = w.split->Panes(3);
        QTest::mouseClick(empty->viewport(), Qt::LeftButton, {}, { 20, 20 });
        ASSERT_EQ(w.downSenders.size(), 1);
        EXPECT_EQ(w.downSenders[0], empty); // the pane itself, not the splitter
        QTest::mouseDClick(empty->viewport(), Qt::LeftButton, {}, { 20, 20 });
        EXPECT_EQ(w.dblClicks, 0); // not copied

        // Copied once: a handler given to the splitter later does not reach the panes.
        bool late = false;
        w.split->OnMouseUp
            = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { late = true; };
        QTest::mouseClick(empty->viewport(), Qt::LeftButton, {}, { 20, 20 });
        EXPECT_FALSE(late);
    }

    TEST(SplitterLoading, panesMadeInCodeKeepTheirOwnHandlers)
    {
        ToxQuadSplit split;
        int downs = 0;
        split.OnMouseDown
            = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++downs; };
        split.resize(400, 300);
        split.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
        EXPECT_EQ(split.PaneCount(), 4);
        QTest::mouseClick(split.Panes(0)->viewport(), Qt::LeftButton, {}, { 5, 5 });
        EXPECT_EQ(downs, 0);
    }

    TEST(SplitterLoading, aPaneOutsideASplitterFailsItsLoadedStep)
    {
        QWidget form;
        ToxScrollPane* pane = nullptr;
        {
            TDesignLoader loader(&form);
            pane = new ToxScrollPane(&form);
            EXPECT_THROW(loader.Finish(), std::bad_cast);
        }
        EXPECT_NE(pane, nullptr);
    }

} // namespace
} // namespace quorvane::test
