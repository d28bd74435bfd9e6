// The record store at two table sizes, 1 000 and 100 000 records in Details, on a real SQLite
// file: the database part of Save Data, one step of the browser ("Next >>" or "<< Previous",
// display included), the browser's LoadForm, and an erase. Wall time per operation; the median
// row is the figure to read, and the two sizes side by side show whether a figure grows.

#include "Controls.h"
#include "Entries.h"
#include "FakeWorkbook.h"
#include "TestPlatform.h"
#include "app/ProgramPages.h"
#include "records/DaoEngine.h"
#include "records/Details.h"
#include "records/SaveData.h"
#include "records/frm03data.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

// The user answers Yes to "Erase current record?"; any other box voids the measurement.
class YesToErase : public MessageBoxes {
protected:
    MsgResult Present(const QString& text, MsgStyle style, const QString&) override {
        if (style == kStyleYesNoInformation) {
            return MsgResult::Yes;
        }
        std::fprintf(stderr, "unexpected message box: %s\n", qPrintable(text));
        std::exit(1);
    }
};

entry::Entry Entry(int n) {
    entry::Entry record = TypicalEntry(QStringLiteral("Company %1").arg(n));
    record.date = QDateTime(QDate(2026, 12, 8), QTime(14, 30, 5));
    return record;
}

// A program folder with a dravik.mdb of the given number of records, and a browser on it.
struct World {
    explicit World(int records) {
        const QString path = DatabasePath(folder.path());
        CreateDetailsDatabase(path);
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database database = workspace.OpenDatabase(path);
        dao::Recordset details = database.OpenRecordset(kDetailsTable);
        dao::Transaction transaction(database);
        const auto& columns = DetailsColumns();
        for (int n = 0; n < records; ++n) {
            const entry::Entry record = Entry(n);
            details.AddNew();
            for (std::size_t i = 0; i < record.texts.size(); ++i) {
                details.Collect(QString::fromLatin1(columns[i].name), record.texts[i]);
            }
            details.Collect(QStringLiteral("Date"), record.date);
            details.Update();
        }
        transaction.Commit();
        shared.sAppName = QStringLiteral("Dravik Lumo");
    }
    QString Path() const { return DatabasePath(folder.path()); }

    QTemporaryDir folder;
    YesToErase msg;
    TestProgramEnd end;
    FakeAutomation automation{FakeWorkbook::Standard()};
    SystemClock clock;
    LocaleNumberFormat numbers;
    Platform platform{msg, end, automation, clock, numbers, folder.path()};
    SharedValues shared;
    ProgramPages pages{platform, shared};
};

World& WorldOf(int records) {
    static std::map<int, std::unique_ptr<World>> worlds;
    auto& world = worlds[records];
    if (!world) {
        world = std::make_unique<World>(records);
    }
    return *world;
}

void BM_SaveDatabasePart(benchmark::State& state) {
    World& world = WorldOf(static_cast<int>(state.range(0)));
    const entry::Entry record = Entry(-1);
    for (auto _ : state) {
        AppendDetailsRecord(world.Path(), record);
    }
}

void BM_BrowserStep(benchmark::State& state) {
    frm03data& browser = WorldOf(static_cast<int>(state.range(0))).pages.frm03data();
    browser.LoadForm();
    bool forward = true;
    for (auto _ : state) {
        if (forward) {
            browser.cmdNext_Click();
        } else {
            browser.cmdPrevious_Click();
        }
        forward = !forward;
    }
    benchmark::DoNotOptimize(Edit(browser, "txtDLQ0")->text());
}

void BM_LoadForm(benchmark::State& state) {
    frm03data& browser = WorldOf(static_cast<int>(state.range(0))).pages.frm03data();
    for (auto _ : state) {
        browser.LoadForm();
    }
}

void BM_Erase(benchmark::State& state) {
    frm03data& browser = WorldOf(static_cast<int>(state.range(0))).pages.frm03data();
    browser.LoadForm();
    // Erase from the middle of the table, as far from either end as the file allows.
    for (int i = 0; i < state.range(0) / 2; i += 100) {
        for (int step = 0; step < 100; ++step) {
            browser.cmdNext_Click();
        }
    }
    for (auto _ : state) {
        browser.cmdErase_Click();
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)
        ->Arg(100000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(20)
        ->Repetitions(10)
        ->ReportAggregatesOnly(true);
}

BENCHMARK(BM_SaveDatabasePart)->Apply(Sizes);
BENCHMARK(BM_BrowserStep)->Apply(Sizes);
BENCHMARK(BM_LoadForm)->Apply(Sizes);
BENCHMARK(BM_Erase)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
