// The two write-outs against a real headless office and the built workbook: UpdFrm01 with the
// defaults copied (cManual set), and UpdFrm02 with every field passing. Wall time per call; the
// median row is the figure to read.

#include "CalcOffice.h"
#include "TestApp.h"
#include "app/ProgramPages.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/RangeExchange.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// No box is expected in a passing write-out: one shown means the measurement is void.
class NoMessageBoxes : public MessageBoxes {
protected:
    MsgResult Present(const QString& text, MsgStyle, const QString&) override {
        std::fprintf(stderr, "unexpected message box: %s\n", qPrintable(text));
        std::exit(1);
    }
};

class ExitProgramEnd : public ProgramEnd {
protected:
    void Terminate(int) override {
        std::fprintf(stderr, "the program ended during the benchmark\n");
        std::exit(1);
    }
};

struct Program {
    CalcOffice office;
    std::unique_ptr<wb::System> system = office.System();
    NoMessageBoxes msg;
    ExitProgramEnd end;
    SystemClock clock;
    LocaleNumberFormat numbers{QLocale(QLocale::English, QLocale::UnitedStates)};
    std::unique_ptr<Platform> platform;
    SharedValues shared;
    std::unique_ptr<ProgramPages> pages;

    Program() {
        const QString built = BuiltWorkbookPath();
        if (built.isEmpty()) {
            std::fprintf(stderr, "the workbook was not built (make workbook)\n");
            std::exit(1);
        }
        const QString folder = office.TempDir() + QStringLiteral("/program");
        QDir().mkpath(folder);
        QFile::copy(built, folder + QLatin1Char('/') + QFileInfo(built).fileName());
        platform = std::make_unique<Platform>(Platform{msg, end, *system, clock, numbers, folder});
        pages = std::make_unique<ProgramPages>(*platform, shared);
        shared.sAppName = QStringLiteral("Dravik Lumo");

        entry::Entry answers = TypicalAnswers();
        answers[entry::kCompany] = QStringLiteral("Acme Storage");
        FillPages(*pages, answers);
    }
    ~Program() { pages.reset(); }
};

Program* program = nullptr;

void BM_UpdFrm01_Manual(benchmark::State& state) {
    frm01& page1 = program->pages->frm01();
    for (auto _ : state) {
        program->shared.cManual = true;  // the defaults are copied and written too
        page1.UpdFrm01();
    }
    if (!page1.TuttoOK) {
        state.SkipWithError("UpdFrm01 did not pass");
    }
}

// Without a change on page 1: the answers written and the six boxes refreshed, nothing copied.
void BM_UpdFrm01_Unchanged(benchmark::State& state) {
    frm01& page1 = program->pages->frm01();
    for (auto _ : state) {
        program->shared.cManual = false;
        page1.UpdFrm01();
    }
    if (!page1.TuttoOK) {
        state.SkipWithError("UpdFrm01 did not pass");
    }
}

void BM_UpdFrm02(benchmark::State& state) {
    frm02& page2 = program->pages->frm02();
    // Page 1's copies would overwrite the answers; they are set again after it.
    Edit(page2, "txtDLQ5")->setText(QStringLiteral("25"));
    List(page2, "cmbDLQ10")->setEditText(QStringLiteral("1 - Required"));
    for (auto _ : state) {
        page2.UpdFrm02();
    }
    if (!page2.TuttoOK) {
        state.SkipWithError("UpdFrm02 did not pass");
    }
}

// The single calls the write-outs are made of, to tell the office's share from the pages'.
void BM_PutRange(benchmark::State& state) {
    wb::Document& doc = *program->shared.CTabbDoc;
    for (auto _ : state) {
        PutRange(doc, QStringLiteral("DLQ3"), QStringLiteral("1500"));
    }
}

void BM_GetRangeValue(benchmark::State& state) {
    wb::Document& doc = *program->shared.CTabbDoc;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetRangeValue(doc, QStringLiteral("DL_DEF_SP")));
    }
}

BENCHMARK(BM_UpdFrm01_Manual)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_UpdFrm01_Unchanged)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_UpdFrm02)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PutRange)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(50)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_GetRangeValue)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(50)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    program = new Program;
    benchmark::RunSpecifiedBenchmarks();
    delete program;
    benchmark::Shutdown();
    return 0;
}
