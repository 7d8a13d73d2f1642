// Sorting and filling the extended list at the sizes the issue names: 100,000 rows.
#include "controls/listview/ExtListView.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <random>
#include <set>

using namespace quorvane;

namespace {

constexpr int Rows = 100'000;

// The texts of the rows, made before the list is timed. Columns: name (text), size (number),
// key (a random text that scrambles the order), date, path, type.
std::vector<QStringList> makeTexts(int rows)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> number(0, 10'000'000);
    static const char* const words[]
        = { "kworker", "systemd", "bash", "Xorg", "pipewire", "sshd", "python3", "gnome-shell" };
    std::vector<QStringList> texts;
    texts.reserve(size_t(rows));
    for (int i = 0; i < rows; ++i)
        texts.push_back({ QString("%1-%2").arg(words[i % 8]).arg(number(random)),
            QString::number(number(random) / 7.0, 'f', 2),
            QString("k%1").arg(number(random), 8, 10, QLatin1Char('0')),
            QString("%1/%2/20%3").arg(1 + i % 12).arg(1 + i % 28).arg(10 + i % 15),
            QString("/usr/bin/program%1").arg(i), QStringLiteral("64-Bit") });
    return texts;
}

void fill(TExtListView& list, const std::vector<QStringList>& texts)
{
    TListUpdate update(list);
    list.Clear();
    for (size_t i = 0; i < texts.size(); ++i) {
        const QStringList& cells = texts[i];
        const int row = list.AddItem();
        list.SetCaption(row, cells[0]);
        for (qsizetype k = 1; k < cells.size(); ++k)
            list.AddSubItem(row, cells[k]);
        list.SetImageIndex(row, int(i % 4));
        list.SetData(row, quint64(i));
    }
}

void makeColumns(TExtListView& list)
{
    for (const char* caption : { "Process", "Size", "Key", "Date", "Path", "Type" })
        list.AddColumn({ caption, 80, Qt::AlignLeft, false });
}

// Adjacent rows that the comparison puts in the wrong order after a sort: must be 0.
int misordered(const TExtListView& list, int column)
{
    int wrong = 0;
    for (int row = 1; row < list.ItemCount(); ++row)
        wrong += list.CompareListItems(row - 1, row, column - 1) > 0;
    return wrong;
}

void sortBy(benchmark::State& state, int column)
{
    TExtListView list;
    makeColumns(list);
    fill(list, makeTexts(Rows));
    for (auto _ : state) {
        state.PauseTiming();
        list.SortColumn(2, true); // scramble by the random key
        state.ResumeTiming();
        list.SortColumn(column, true);
    }
    state.counters["misordered"] = misordered(list, column);
    state.counters["rows"] = Rows;
}

void BM_SortNumbers(benchmark::State& state)
{
    sortBy(state, 1);
}
void BM_SortTexts(benchmark::State& state)
{
    sortBy(state, 0);
}
void BM_SortDates(benchmark::State& state)
{
    sortBy(state, 3);
}

void BM_FillInOneUpdate(benchmark::State& state)
{
    TExtListView list;
    makeColumns(list);
    size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        list.Clear();
        malloc_trim(0);
        const size_t before = mallinfo2().uordblks;
        std::vector<QStringList> texts = makeTexts(Rows);
        state.ResumeTiming();
        fill(list, texts);
        state.PauseTiming();
        // The list now shares the texts: what it holds is everything allocated since before,
        // less the vector of the texts' lists.
        bytes = mallinfo2().uordblks - before - texts.capacity() * sizeof(QStringList);
        texts = {};
        state.ResumeTiming();
    }
    state.counters["bytes_per_row"] = double(bytes) / Rows;
    state.counters["row_record_bytes"] = double(sizeof(TListRowModel::Row));
}

// One paint of a virtual list of Rows rows: the owner should be asked once per painted cell.
void BM_VirtualPaint(benchmark::State& state)
{
    TExtListView list;
    makeColumns(list);
    list.SetVirtualMode(true);
    std::set<std::pair<int, int>> cells;
    long requests = 0;
    list.OnODGetItemInfo = [&](QObject*, int item, int subItem, TLVODMaskItems, int&, qint32&, int&,
                               int&, QString& text) {
        cells.insert({ item, subItem });
        ++requests;
        text = QString::number(item);
    };
    list.SetVirtualItemCount(Rows);
    list.resize(800, 600);
    list.show();
    for (auto _ : state) {
        cells.clear();
        requests = 0;
        benchmark::DoNotOptimize(list.viewport()->grab());
    }
    state.counters["requests_per_cell"] = cells.empty() ? 0.0 : double(requests) / cells.size();
    state.counters["cells"] = double(cells.size());
}

BENCHMARK(BM_SortNumbers)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SortTexts)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SortDates)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FillInOneUpdate)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_VirtualPaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A real user's locale: dates month first, collation by the locale's rules.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
