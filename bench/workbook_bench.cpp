// The cost of the workbook exchange against a real headless Calc: one write, one read, and the
// calls of one page 1 write-out (14 writes, 12 reads, in one write-out scope as the page makes
// them), once as the benchmark repeats it (only the industry changes) and once with every value
// changing. Figures are medians over repetitions.
// Uses the built workbook when DRAVIK_BIN_DIR holds it, otherwise a small test workbook.

#include "CalcOffice.h"
#include "TestPlatform.h"
#include "workbook/RangeExchange.h"
#include "workbook/WorkbookConnection.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

struct OpenWorkbook {
    CalcOffice office;
    std::unique_ptr<wb::System> system;
    WorkbookHandles handles;
    ScriptedMessageBoxes msg;
    TestProgramEnd end;

    OpenWorkbook() {
        const QString name = QStringLiteral("Dravik-Lumo_V117a.tabb");
        const QString path = QDir(office.TempDir()).filePath(name);
        const QString built = BuiltWorkbookPath();
        if (!built.isEmpty() && QFile::copy(built, path)) {
            std::printf("workbook: the built one (%s)\n", qPrintable(built));
        } else {
            office.MakeWorkbook(path);
            std::printf("workbook: the small test workbook\n");
        }
        system = office.System();
        handles = OpenWorkbookConnection(*system, name, office.TempDir(), msg, end);
    }
};

OpenWorkbook* workbook = nullptr;

void BM_PutRange(benchmark::State& state) {
    wb::Document& doc = *workbook->handles.CTabbDoc;
    for (auto _ : state) {
        PutRange(doc, QStringLiteral("DLQ0"), QStringLiteral("ACME Storage"));
    }
}

void BM_GetRangeValue(benchmark::State& state) {
    wb::Document& doc = *workbook->handles.CTabbDoc;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetRangeValue(doc, QStringLiteral("DL_DEF_SP")));
    }
}

// One sheet lookup in the office: about the cost of a single round trip.
void BM_GetSheet(benchmark::State& state) {
    wb::Document& doc = *workbook->handles.CTabbDoc;
    for (auto _ : state) {
        benchmark::DoNotOptimize(doc.GetSheet(QStringLiteral("Y")));
    }
}

// Page 1's write-out with the defaults copied: the answers, the six business types, the six
// defaults read for the green boxes and again for the fields, and the six fields written back.
void BM_Page1Sequence(benchmark::State& state) {
    wb::Document& doc = *workbook->handles.CTabbDoc;
    const QString defaults[] = {"DL_DEF_SP", "DL_DEF_RC",   "DL_DEF_R1",
                                "DL_DEF_GR", "DL_DEF_OPER", "DL_DEF_OUTCOST"};
    const QString fields[] = {"DLQ5", "DLQ6", "DLQ7", "DLQ9", "DLQ10", "DLQ11"};
    int round = 0;
    for (auto _ : state) {
        // One write-out, as the pages make it.
        const WriteOutScope writeOut(doc, workbook->msg);
        PutRange(doc, QStringLiteral("DLQ0"), QStringLiteral("ACME Storage"));
        // Alternating answers, so that every round recalculates.
        PutRange(doc, QStringLiteral("DLQ1"),
                 round % 2 ? QStringLiteral("1") : QStringLiteral("3"));
        const char* cells[] = {"Y:E8", "Y:F8", "Y:G8", "Y:H8", "Y:I8", "Y:J8"};
        for (const char* cell : cells) {
            PutRange(doc, QString::fromLatin1(cell), QStringLiteral("0"));
        }
        for (int pass = 0; pass < 2; ++pass) {
            for (const QString& name : defaults) {
                benchmark::DoNotOptimize(GetRangeValue(doc, name));
            }
        }
        for (const QString& name : fields) {
            PutRange(
                doc, name,
                name == u"DLQ10" || name == u"DLQ11" ? wb::CellValue(1.0) : QStringLiteral("25%"));
        }
        ++round;
    }
}

// The same calls with every written value changing from round to round, so that no write
// finds its cell already holding the value.
void BM_Page1SequenceAllChanged(benchmark::State& state) {
    wb::Document& doc = *workbook->handles.CTabbDoc;
    const QString defaults[] = {"DL_DEF_SP", "DL_DEF_RC",   "DL_DEF_R1",
                                "DL_DEF_GR", "DL_DEF_OPER", "DL_DEF_OUTCOST"};
    const QString fields[] = {"DLQ5", "DLQ6", "DLQ7", "DLQ9", "DLQ10", "DLQ11"};
    int round = 0;
    for (auto _ : state) {
        // One write-out, as the pages make it.
        const WriteOutScope writeOut(doc, workbook->msg);
        const bool odd = round % 2 != 0;
        PutRange(doc, QStringLiteral("DLQ0"),
                 odd ? QStringLiteral("ACME Storage") : QStringLiteral("Acme Storage"));
        PutRange(doc, QStringLiteral("DLQ1"), odd ? QStringLiteral("1") : QStringLiteral("3"));
        const char* cells[] = {"Y:E8", "Y:F8", "Y:G8", "Y:H8", "Y:I8", "Y:J8"};
        for (const char* cell : cells) {
            PutRange(doc, QString::fromLatin1(cell),
                     odd ? QStringLiteral("0") : QStringLiteral("1"));
        }
        for (int pass = 0; pass < 2; ++pass) {
            for (const QString& name : defaults) {
                benchmark::DoNotOptimize(GetRangeValue(doc, name));
            }
        }
        for (const QString& name : fields) {
            PutRange(doc, name,
                     name == u"DLQ10" || name == u"DLQ11"
                         ? wb::CellValue(odd ? 1.0 : 2.0)
                         : wb::CellValue(odd ? QStringLiteral("25%") : QStringLiteral("30%")));
        }
        ++round;
    }
}

void Configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_GetSheet)->Apply(Configure)->Iterations(200);
BENCHMARK(BM_PutRange)->Apply(Configure)->Iterations(200);
BENCHMARK(BM_GetRangeValue)->Apply(Configure)->Iterations(200);
BENCHMARK(BM_Page1Sequence)->Apply(Configure)->Iterations(20);
BENCHMARK(BM_Page1SequenceAllChanged)->Apply(Configure)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    workbook = new OpenWorkbook;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete workbook;
    return 0;
}
