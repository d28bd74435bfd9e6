// The kill test's child (workbook_calc_test.cpp): opens the workbook in FOLDER as the program
// does, on the office that answers on PIPE, says "ready", then writes out until it is killed,
// with a message box inside some of its write-outs.
//
//   writeout_child PIPE FOLDER

#include "shell/Platform.h"
#include "workbook/RangeExchange.h"
#include "workbook/WorkbookConnection.h"
#include "workbook/calc/CalcBackend.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

class NoBoxes : public MessageBoxes {
protected:
    MsgResult Present(const QString&, MsgStyle, const QString&) override { return MsgResult::Ok; }
};

class ExitEnd : public ProgramEnd {
protected:
    void Terminate(int status) override { std::exit(status); }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: writeout_child PIPE FOLDER\n");
        return 2;
    }
    NoBoxes msg;
    ExitEnd end;
    CalcOptions options;
    options.pipeName = QString::fromLocal8Bit(argv[1]);
    // The test's office is headless, which the program would refuse for the user's workbook.
    options.headless = true;
    const auto system = MakeCalcSystem(options);
    const WorkbookHandles h =
        OpenWorkbookConnection(*system, QStringLiteral("Dravik-Lumo_V117a.tabb"),
                               QString::fromLocal8Bit(argv[2]), msg, end);
    std::printf("ready\n");
    std::fflush(stdout);
    wb::Document& doc = *h.CTabbDoc;
    for (int round = 0;; ++round) {
        const WriteOutScope writeOut(doc, msg);
        PutRange(doc, QStringLiteral("DLQ0"), QStringLiteral("Round %1").arg(round));
        PutRange(doc, QStringLiteral("DLQ1"), QString::number(round % 7 + 1));
        if (round % 3 == 0) {
            msg.MsgBox(QStringLiteral("Please make a selection"), kStyleExclamation);
        }
        PutRange(doc, QStringLiteral("DLQ11"), double(round));
        GetRangeValue(doc, QStringLiteral("DL_DEF_OUTCOST"));
        PutRange(doc, QStringLiteral("Y:E8"), QString::number(round % 2));
    }
}
