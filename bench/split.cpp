// A live drag of the four-pane splitter over four lists of 1,000 rows each: 100 pointer moves of
// the vertical bar, with the event loop running between moves as it would for a user.
#include "controls/split/ToxQuadSplit.h"
#include "controls/split/ToxScrollPane.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <memory>

using namespace quorvane;

namespace {

constexpr int kRows = 1000;
constexpr int kMoves = 100;

// Counts the paint events of the lists' viewports.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

struct Window {
    std::unique_ptr<ToxQuadSplit> split = std::make_unique<ToxQuadSplit>();
    QStandardItemModel models[4];
    PaintCounter counter;
    int layouts = 0;

    Window()
    {
        split->SetBarWidth(4);
        split->resize(830, 381);
        split->BarPosition().SetPoint(562, 161);
        for (int p = 0; p < 4; ++p) {
            QStandardItemModel& model = models[p];
            model.setColumnCount(5);
            for (int r = 0; r < kRows; ++r) {
                QList<QStandardItem*> row;
                for (int c = 0; c < 5; ++c)
                    row.append(new QStandardItem(QStringLiteral("row %1 col %2").arg(r).arg(c)));
                model.appendRow(row);
            }
            auto* view = new QTreeView;
            view->setModel(&model);
            view->setUniformRowHeights(true);
            view->setRootIsDecorated(false);
            view->viewport()->installEventFilter(&counter);
            split->Panes(p)->SetClientControl(view);
        }
        split->OnResize = [this](QObject*) { ++layouts; };
        split->show();
        (void)QTest::qWaitForWindowExposed(split.get());
        QApplication::processEvents();
    }

    void Send(QEvent::Type type, QPoint p, Qt::MouseButtons buttons)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, p, split->mapToGlobal(p), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(split.get(), &event);
        QApplication::processEvents();
    }

    // Drags the vertical bar 200 pixels over 100 moves, leftwards and rightwards in turn.
    void Drag()
    {
        const int grabX = split->Margin() + split->BarPosition().X() + 1;
        const int step = leftwards ? -2 : 2;
        Send(QEvent::MouseButtonPress, { grabX, 60 }, Qt::LeftButton);
        for (int i = 1; i <= kMoves; ++i)
            Send(QEvent::MouseMove, { grabX + i * step, 60 }, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, { grabX + kMoves * step, 60 }, Qt::NoButton);
        leftwards = !leftwards;
    }
    bool leftwards = true;
};

void Run(benchmark::State& state, bool autoUpdate)
{
    Window window;
    window.split->SetAutoUpdate(autoUpdate);
    window.Drag(); // warm caches and fonts
    window.layouts = 0;
    window.counter.paints = 0;
    int drags = 0;
    for (auto _ : state) {
        window.Drag();
        ++drags;
    }
    state.counters["layouts_per_drag"] = double(window.layouts) / drags;
    state.counters["list_paints_per_drag"] = double(window.counter.paints) / drags;
    state.counters["s_per_move"] = benchmark::Counter(
        double(drags) * kMoves, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_DragTrackedLines(benchmark::State& state)
{
    Run(state, false);
}
void BM_DragAutoUpdate(benchmark::State& state)
{
    Run(state, true);
}

} // namespace

BENCHMARK(BM_DragTrackedLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragAutoUpdate)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
