#include "CalcOffice.h"

#include "workbook/UserOffice.h"

#include "shell/AppIdentity.h"
#include "workbook/calc/CalcDocument.h"
#include "workbook/calc/CalcUno.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XActionLockable.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XCalculatable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/URLTransformer.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>
#include <QUrl>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <vector>

extern char** environ;

using namespace dravik_uno;

namespace {

constexpr auto kStartDeadline = std::chrono::seconds(120);
constexpr auto kTerminateGrace = std::chrono::seconds(10);

Reference<css::frame::XModel> FindDocument(const OfficeConnection& office, const QString& path) {
    if (const Reference<css::frame::XModel> model = FindOpen(office, path); model.is()) {
        return model;
    }
    throw std::runtime_error("the office has no document " + path.toStdString());
}

// Connects, with UNO failures turned into exceptions that a test reports with their message.
std::shared_ptr<OfficeConnection> ConnectOrNull(const QString& pipe) {
    try {
        return OfficeConnection::Connect(pipe);
    } catch (const css::uno::Exception& e) {
        throw std::runtime_error("UNO: " + ToQ(e.Message).toStdString());
    }
}

// Runs a probe with UNO failures turned into exceptions that a test reports with their message.
template <class Probe>
auto Reported(Probe&& probe) -> decltype(probe()) {
    try {
        return probe();
    } catch (const css::uno::Exception& e) {
        throw std::runtime_error("UNO: " + ToQ(e.Message).toStdString());
    }
}

}  // namespace

CalcOffice::CalcOffice(const QString& display, const QString& pipeName) : pipeName_(pipeName) {
    static int started = 0;
    if (pipeName_.isEmpty()) {
        pipeName_ = QStringLiteral("dravik_test_%1_%2").arg(getpid()).arg(++started);
    }
    if (!profile_.isValid() || !files_.isValid()) {
        throw std::runtime_error("no temporary folder for the office");
    }

    std::vector<std::string> args = {
        DRAVIK_OFFICE_PROGRAM_DIR "/soffice",
        "--norestore",
        "--nologo",
        "--nodefault",
        "--nolockcheck",
        "--accept=pipe,name=" + pipeName_.toStdString() + ";urp;StarOffice.ComponentContext",
        "-env:UserInstallation=" +
            QUrl::fromLocalFile(profile_.path()).toString(QUrl::FullyEncoded).toStdString()};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0) {
            env.emplace_back(*e);
        }
    }
    if (display.isEmpty()) {
        args.insert(args.begin() + 1, {"--headless", "--invisible"});
    } else {
        env.push_back("DISPLAY=" + display.toStdString());
    }
    const auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> p;
        for (std::string& t : texts) {
            p.push_back(t.data());
        }
        p.push_back(nullptr);
        return p;
    };
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);

    // A process group of its own, so that Kill reaches the launcher and the office it starts.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid_, argv[0], &files, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start the office");
    }

    // A constructor that throws gets no destructor: the office is stopped here.
    try {
        const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
        while (!(connection_ = ConnectOrNull(pipeName_))) {
            if (!Running() || std::chrono::steady_clock::now() > deadline) {
                throw std::runtime_error("the office did not answer on " + pipeName_.toStdString());
            }
            QThread::msleep(100);
        }
    } catch (const std::runtime_error&) {
        Kill();
        throw;
    }
}

CalcOffice::~CalcOffice() {
    if (Running()) {
        try {
            if (connection_ && connection_->Alive()) {
                connection_->Desktop()->terminate();
            }
        } catch (const css::uno::Exception&) {
            // The bridge closes as the office ends; the wait below decides.
        }
        const auto deadline = std::chrono::steady_clock::now() + kTerminateGrace;
        while (Running() && std::chrono::steady_clock::now() < deadline) {
            QThread::msleep(50);
        }
    }
    connection_.reset();
    Kill();
}

CalcOptions CalcOffice::Options() const {
    CalcOptions options;
    options.sofficePath = QStringLiteral(DRAVIK_OFFICE_PROGRAM_DIR "/soffice");
    options.pipeName = pipeName_;
    options.profileUrl = QUrl::fromLocalFile(profile_.path()).toString(QUrl::FullyEncoded);
    options.headless = true;
    return options;
}

std::unique_ptr<wb::System> CalcOffice::System() const {
    return MakeCalcSystem(Options());
}

void CalcOffice::Pause(bool stopped) {
    if (pid_ > 0) {
        ::kill(-pid_, stopped ? SIGSTOP : SIGCONT);
    }
}

void CalcOffice::Kill() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(-pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

bool CalcOffice::Running() const {
    // The launcher stays until the office itself has ended.
    return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
}

std::shared_ptr<OfficeConnection> CalcOffice::Connection() {
    if (!connection_ || !connection_->Alive()) {
        connection_ = ConnectOrNull(pipeName_);
    }
    if (!connection_) {
        throw std::runtime_error("the office does not answer");
    }
    return connection_;
}

namespace {

// The test workbook as flat OpenDocument XML. It is written as a file rather than built through
// the API because the office refuses to define names such as "DL" and "DLQ1" (they read as cell
// addresses to it) but loads them from a file, as it does the shipped workbook's.
QString TestWorkbookXml(bool withDL) {
    QString names;
    const auto name = [&](const QString& range, const QString& cell) {
        names += QStringLiteral(
                     "<table:named-range table:name=\"%1\" table:base-cell-address=\"%2\" "
                     "table:cell-range-address=\"%2\"/>\n")
                     .arg(range, cell);
    };
    if (withDL) {
        name(QStringLiteral("DL"), QStringLiteral("$Data.$B$1"));
    }
    for (int q = 0; q <= 11; ++q) {
        name(QStringLiteral("DLQ%1").arg(q), QStringLiteral("$Data.$B$%1").arg(q + 2));
    }
    const char* const defaults[][2] = {
        {"DL_DEF_SP", "table:formula=\"of:=[.B3]/8\""},
        {"DL_DEF_RC", "table:formula=\"of:=[$Y.F8]/100\""},
        {"DL_DEF_R1", "table:formula=\"of:=[.B7]/2\""},
        {"DL_DEF_GR", "office:value-type=\"float\" office:value=\"0.1\""},
        {"DL_DEF_OPER", "table:formula=\"of:=IF([$Y.E8]=1;1;0)\""},
        {"DL_DEF_OUTCOST", "table:formula=\"of:=[.B13]*2\""},
    };
    QString dataRows;
    for (int row = 1; row <= 13; ++row) {
        dataRows += QStringLiteral(
            "<table:table-row><table:table-cell table:number-columns-"
            "repeated=\"3\"/>");
        if (row <= 6) {
            dataRows += QStringLiteral("<table:table-cell %1/>")
                            .arg(QString::fromLatin1(defaults[row - 1][1]));
            name(QString::fromLatin1(defaults[row - 1][0]), QStringLiteral("$Data.$D$%1").arg(row));
        }
        dataRows += QStringLiteral("</table:table-row>\n");
    }
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<office:document "
               "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
               "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
               "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.3\" "
               "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n"
               "<office:body><office:spreadsheet>\n"
               "<table:table table:name=\"Data\">\n%1</table:table>\n"
               "<table:table table:name=\"Y\"><table:table-row table:number-rows-repeated=\"8\">"
               "<table:table-cell table:number-columns-repeated=\"10\"/></table:table-row>"
               "</table:table>\n"
               "<table:table table:name=\"TOC Overview\"><table:table-row><table:table-cell/>"
               "</table:table-row></table:table>\n"
               "<table:named-expressions>\n%2</table:named-expressions>\n"
               "</office:spreadsheet></office:body></office:document>\n")
        .arg(dataRows, names);
}

}  // namespace

void CalcOffice::MakeWorkbook(const QString& path, bool withDL) {
    static int made = 0;
    const QString source =
        QDir(files_.path()).filePath(QStringLiteral("source%1.fods").arg(++made));
    QFile xml(source);
    if (!xml.open(QIODevice::WriteOnly) || xml.write(TestWorkbookXml(withDL).toUtf8()) < 0) {
        throw std::runtime_error("cannot write " + source.toStdString());
    }
    xml.close();

    return Reported([&] {
        const css::beans::PropertyValue hidden = Property("Hidden", Any(true));
        const Reference<css::frame::XModel> model(
            Connection()->Desktop()->loadComponentFromURL(
                FileUrl(source), "_blank", 0, Sequence<css::beans::PropertyValue>(&hidden, 1)),
            UNO_QUERY_THROW);
        const css::beans::PropertyValue filter =
            Property("FilterName", Any(rtl::OUString("calc8")));
        Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)
            ->storeToURL(FileUrl(path), Sequence<css::beans::PropertyValue>(&filter, 1));
        Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    });
}

std::shared_ptr<wb::Document> CalcOffice::OpenHidden(const QString& path) {
    const std::shared_ptr<OfficeConnection> office = Connection();
    return Reported([&] {
        const Reference<css::frame::XModel> model(
            office->Desktop()->loadComponentFromURL(FileUrl(path), "_blank", 0,
                                                    QuietLoad({Property("Hidden", Any(true))})),
            UNO_QUERY_THROW);
        return std::make_shared<CalcDocument>(office, model);
    });
}

QString CalcOffice::ActiveSheet(const QString& path) {
    return Reported([&] {
        const Reference<css::frame::XModel> model = FindDocument(*Connection(), path);
        const Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(),
                                                           UNO_QUERY_THROW);
        return ToQ(
            Reference<css::container::XNamed>(view->getActiveSheet(), UNO_QUERY_THROW)->getName());
    });
}

namespace {

// The cells of a range name or a "Sheet.A1" address in a document the office has open.
Reference<css::table::XCellRange> CellsOf(const Reference<css::frame::XModel>& model,
                                          const QString& cell) {
    if (const qsizetype dot = cell.indexOf(u'.'); dot >= 0) {
        const Reference<css::table::XCellRange> sheet(
            Reference<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY_THROW)
                ->getSheets()
                ->getByName(ToOU(cell.left(dot))),
            UNO_QUERY_THROW);
        return sheet->getCellRangeByName(ToOU(cell.mid(dot + 1)));
    }
    Reference<css::sheet::XNamedRanges> names;
    Reference<css::beans::XPropertySet>(model, UNO_QUERY_THROW)->getPropertyValue("NamedRanges") >>=
        names;
    return Reference<css::sheet::XCellRangeReferrer>(names->getByName(ToOU(cell)), UNO_QUERY_THROW)
        ->getReferredCells();
}

}  // namespace

QString CalcOffice::ShownText(const QString& path, const QString& cell) {
    return Reported([&] {
        const Reference<css::frame::XModel> model = FindDocument(*Connection(), path);
        return ToQ(Reference<css::text::XTextRange>(CellsOf(model, cell)->getCellByPosition(0, 0),
                                                    UNO_QUERY_THROW)
                       ->getString());
    });
}

void CalcOffice::CopyOverviewToReport(const QString& path) {
    return Reported([&] {
        const Reference<css::frame::XModel> model = FindDocument(*Connection(), path);
        const Reference<css::table::XCellRange> overview(
            Reference<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY_THROW)
                ->getSheets()
                ->getByName("TOC Overview"),
            UNO_QUERY_THROW);
        for (const char* name : {"RPT_CUSTOMER", "RPT_INDUSTRY", "RPT_BUSINESS", "RPT_SERVER",
                                 "RPT_ANSWERS", "RPT_CAPACITY", "RPT_COSTS", "RPT_TOTAL"}) {
            const Reference<css::table::XCellRange> target =
                CellsOf(model, QString::fromLatin1(name));
            const css::table::CellRangeAddress at =
                Reference<css::sheet::XCellRangeAddressable>(target, UNO_QUERY_THROW)
                    ->getRangeAddress();
            const Reference<css::table::XCellRange> source = overview->getCellRangeByPosition(
                at.StartColumn, at.StartRow, at.EndColumn, at.EndRow);
            Reference<css::sheet::XCellRangeData>(target, UNO_QUERY_THROW)
                ->setDataArray(
                    Reference<css::sheet::XCellRangeData>(source, UNO_QUERY_THROW)->getDataArray());
            for (sal_Int32 c = 0; c <= at.EndColumn - at.StartColumn; ++c) {
                for (sal_Int32 r = 0; r <= at.EndRow - at.StartRow; ++r) {
                    Reference<css::beans::XPropertySet>(target->getCellByPosition(c, r),
                                                        UNO_QUERY_THROW)
                        ->setPropertyValue("NumberFormat",
                                           Reference<css::beans::XPropertySet>(
                                               source->getCellByPosition(c, r), UNO_QUERY_THROW)
                                               ->getPropertyValue("NumberFormat"));
                }
            }
        }
        // 8 December 2026, 14:30 as the office counts days.
        CellsOf(model, QStringLiteral("RPT_COPIED"))->getCellByPosition(0, 0)->setValue(46364.6042);
    });
}

void CalcOffice::Enter(const QString& path, const QString& cell, const QString& input) {
    Reported([&] {
        CellsOf(FindDocument(*Connection(), path), cell)
            ->getCellByPosition(0, 0)
            ->setFormula(ToOU(input));
    });
}

void CalcOffice::PressReportButton(const QString& path) {
    return Reported([&] {
        const Reference<css::frame::XModel> model = FindDocument(*Connection(), path);
        css::util::URL url;
        url.Complete = "vnd.dravik.lumo:CopySummaryToReport";
        css::util::URLTransformer::create(Connection()->Context())->parseStrict(url);
        const Reference<css::frame::XDispatchProvider> frame(
            model->getCurrentController()->getFrame(), UNO_QUERY_THROW);
        const Reference<css::frame::XDispatch> dispatch = frame->queryDispatch(url, "_self", 0);
        if (!dispatch.is()) {
            throw std::runtime_error("nothing handles the report button's URL");
        }
        dispatch->dispatch(url, {});
    });
}

QString CalcOffice::CellKind(const QString& path, const QString& cell) {
    return Reported([&] {
        const Reference<css::frame::XModel> model = FindDocument(*Connection(), path);
        const Reference<css::table::XCellRange> range = CellsOf(model, cell);
        switch (range->getCellByPosition(0, 0)->getType()) {
            case css::table::CellContentType_EMPTY:
                return QStringLiteral("EMPTY");
            case css::table::CellContentType_VALUE:
                return QStringLiteral("VALUE");
            case css::table::CellContentType_TEXT:
                return QStringLiteral("TEXT");
            default:
                return QStringLiteral("FORMULA");
        }
    });
}

int CalcOffice::DocumentCount() {
    return Reported([&] {
        int count = 0;
        const Reference<css::container::XEnumeration> all =
            Connection()->Desktop()->getComponents()->createEnumeration();
        while (all->hasMoreElements()) {
            all->nextElement();
            ++count;
        }
        return count;
    });
}

int CalcOffice::FrameCount() {
    return Reported([&] { return Connection()->Desktop()->getFrames()->getCount(); });
}

void CalcOffice::CloseDocument(const QString& path) {
    return Reported([&] {
        Reference<css::util::XCloseable>(FindDocument(*Connection(), path), UNO_QUERY_THROW)
            ->close(true);
    });
}

bool CalcOffice::Frozen(const QString& path) {
    return Reported([&] {
        const Reference<css::frame::XModel> model = FindDocument(*Connection(), path);
        return model->hasControllersLocked() ||
               Reference<css::document::XActionLockable>(model, UNO_QUERY_THROW)
                   ->isActionLocked() ||
               !Reference<css::sheet::XCalculatable>(model, UNO_QUERY_THROW)
                    ->isAutomaticCalculationEnabled();
    });
}

void CalcOffice::InsertRow(const QString& path, const QString& sheet, int before) {
    Reported([&] {
        const Reference<css::table::XColumnRowRange> rows(
            Reference<css::sheet::XSpreadsheetDocument>(FindDocument(*Connection(), path),
                                                        UNO_QUERY_THROW)
                ->getSheets()
                ->getByName(ToOU(sheet)),
            UNO_QUERY_THROW);
        rows->getRows()->insertByIndex(before - 1, 1);
    });
}

void CalcOffice::DefineName(const QString& path, const QString& name, const QString& content) {
    Reported([&] {
        Reference<css::sheet::XNamedRanges> names;
        Reference<css::beans::XPropertySet>(FindDocument(*Connection(), path), UNO_QUERY_THROW)
            ->getPropertyValue("NamedRanges") >>= names;
        if (names->hasByName(ToOU(name))) {
            names->removeByName(ToOU(name));
        }
        if (!content.isEmpty()) {
            names->addNewByName(ToOU(name), ToOU(content), css::table::CellAddress(), 0);
        }
    });
}

bool OfficeAnswers(const QString& pipeName) {
    try {
        return ConnectOrNull(pipeName) != nullptr;
    } catch (const std::runtime_error&) {
        return false;  // an office ending (or starting) drops the bridge while it is made
    }
}

void TerminateOffice(const QString& pipeName) {
    std::shared_ptr<OfficeConnection> office = ConnectOrNull(pipeName);
    if (!office) {
        return;
    }
    try {
        office->Desktop()->terminate();
    } catch (const css::uno::Exception&) {
        // The bridge closes as the office ends.
    }
    office.reset();
    const auto deadline = std::chrono::steady_clock::now() + kTerminateGrace;
    while (OfficeAnswers(pipeName) && std::chrono::steady_clock::now() < deadline) {
        QThread::msleep(100);
    }
}

QString UsersOfficePipe(const QString& runtimeFolder, const QString& user) {
    const QString folder = QDir(runtimeFolder).filePath(QStringLiteral("dravik-lumo"));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile stored(QDir(folder).filePath(QStringLiteral("office-pipe")));
    if (!stored.exists() && stored.open(QIODevice::WriteOnly)) {
        stored.write(QByteArray::number(QRandomGenerator::global()->generate64(), 16)
                         .rightJustified(32, '0') +
                     '\n');
        stored.close();
    }
    stored.open(QIODevice::ReadOnly);
    return QStringLiteral("dravik_lumo_calc_%1_%2")
        .arg(UserNameForPipes(user), QString::fromLatin1(stored.readAll()).trimmed());
}

QString BuiltWorkbookPath() {
    const QString bin = qEnvironmentVariable("DRAVIK_BIN_DIR");
    if (bin.isEmpty()) {
        return QString();
    }
    const QString path = QDir(bin).filePath(WorkbookFileName());
    return QFileInfo::exists(path) ? path : QString();
}
