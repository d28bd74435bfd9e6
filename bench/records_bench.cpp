// The record store at two table sizes, 1 000 and 100 000 records in Details, on a real SQLite
// file and (the *_Server rows) on a private PostgreSQL server over loopback TCP: the database
// part of Save Data, one step of the browser ("Next >>" or "<< Previous", display included), the
// browser's LoadForm, an erase, and on the server the sending of 100 unsent records. Wall time
// per operation; the median row is the figure to read, and the two sizes side by side show
// whether a figure grows.

#include "Controls.h"
#include "Entries.h"
#include "FakeWorkbook.h"
#include "PostgresServer.h"
#include "TestPlatform.h"
#include "app/ProgramPages.h"
#include "records/DaoEngine.h"
#include "records/Details.h"
#include "records/SaveData.h"
#include "records/frm03data.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

// The user answers Yes to "Erase current record?" and sees the save's "Dravik Database
// Updated"; any other box voids the measurement.
class YesToErase : public MessageBoxes {
protected:
    MsgResult Present(const QString& text, MsgStyle style, const QString&) override {
        if (style == kStyleYesNoInformation || text == QLatin1String("Dravik Database Updated")) {
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

// A program folder with a dravik.mdb of the given number of records, or with an empty one as
// the outbox of a server database of that many, and a browser on it.
struct World {
    World(int records, bool onServer) {
        CreateDetailsDatabase(Path());
        if (onServer) {
            Fill(records, ServerStore());
        } else {
            Fill(records, {});
        }
        shared.sAppName = QStringLiteral("Dravik Lumo");
    }
    QString Path() const { return DatabasePath(folder.path()); }

    // Each of the server's worlds has a database of its own.
    RecordStore ServerStore() {
        PostgresServer& server = PostgresServer::Shared();
        const QString name = QStringLiteral("bench_%1").arg(reinterpret_cast<quintptr>(this));
        if (store.server.isEmpty() && server.Exec(QStringLiteral("CREATE DATABASE ") + name)) {
            store = {Path(), server.LoopbackConninfo(name)};
            dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
            workspace.OpenDatabase(store.Name(), store.server, dao::ServerFormat(),
                                   CreateDetailsTable);
        }
        return store;
    }
    void Fill(int records, const RecordStore& server) {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database database =
            server.OnServer()
                ? workspace.OpenDatabase(server.Name(), server.server, dao::ServerFormat())
                : workspace.OpenDatabase(Path());
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
    }
    // The user's setting names this world's store.
    void Use() const {
        QString why;
        store.OnServer() ? WriteSetting(store.server, why) : RemoveSetting(why);
    }

    QTemporaryDir folder;
    RecordStore store;
    YesToErase msg;
    TestProgramEnd end;
    FakeAutomation automation{FakeWorkbook::Standard()};
    SystemClock clock;
    LocaleNumberFormat numbers;
    Platform platform{msg, end, automation, clock, numbers, folder.path()};
    SharedValues shared;
    ProgramPages pages{platform, shared};
};

// Let go of before the end of main: the engine's connections need Qt's to be there.
std::map<std::pair<int, bool>, std::unique_ptr<World>> gWorlds;

World& WorldOf(const benchmark::State& state, bool onServer) {
    const int records = static_cast<int>(state.range(0));
    auto& world = gWorlds[{records, onServer}];
    if (!world) {
        world = std::make_unique<World>(records, onServer);
    }
    world->Use();
    return *world;
}

void SaveDatabasePart(benchmark::State& state, bool onServer) {
    World& world = WorldOf(state, onServer);
    const entry::Entry record = Entry(-1);
    for (auto _ : state) {
        if (onServer) {
            SaveData(world.platform, record);  // into the outbox, and sent
        } else {
            AppendDetailsRecord(world.Path(), record);
        }
    }
}

void BrowserStep(benchmark::State& state, bool onServer) {
    frm03data& browser = WorldOf(state, onServer).pages.frm03data();
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

void LoadForm(benchmark::State& state, bool onServer) {
    frm03data& browser = WorldOf(state, onServer).pages.frm03data();
    for (auto _ : state) {
        browser.LoadForm();
    }
}

void Erase(benchmark::State& state, bool onServer) {
    frm03data& browser = WorldOf(state, onServer).pages.frm03data();
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

// 100 records saved while the server was away, sent at the next operation that reaches it.
void BM_Send100Unsent_Server(benchmark::State& state) {
    World& world = WorldOf(state, true);
    for (auto _ : state) {
        state.PauseTiming();
        for (int n = 0; n < 100; ++n) {
            AppendDetailsRecord(world.Path(), Entry(n), {}, true);
        }
        state.ResumeTiming();
        OpenDetails(world.store).Close();
    }
}

void BM_SaveDatabasePart(benchmark::State& state) {
    SaveDatabasePart(state, false);
}
void BM_BrowserStep(benchmark::State& state) {
    BrowserStep(state, false);
}
void BM_LoadForm(benchmark::State& state) {
    LoadForm(state, false);
}
void BM_Erase(benchmark::State& state) {
    Erase(state, false);
}
void BM_SaveDatabasePart_Server(benchmark::State& state) {
    SaveDatabasePart(state, true);
}
void BM_BrowserStep_Server(benchmark::State& state) {
    BrowserStep(state, true);
}
void BM_LoadForm_Server(benchmark::State& state) {
    LoadForm(state, true);
}
void BM_Erase_Server(benchmark::State& state) {
    Erase(state, true);
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
BENCHMARK(BM_SaveDatabasePart_Server)->Apply(Sizes);
BENCHMARK(BM_BrowserStep_Server)->Apply(Sizes);
BENCHMARK(BM_LoadForm_Server)->Apply(Sizes);
BENCHMARK(BM_Erase_Server)->Apply(Sizes);
BENCHMARK(BM_Send100Unsent_Server)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The benchmark's own setting of where the records are, not the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gWorlds.clear();
    return 0;
}
