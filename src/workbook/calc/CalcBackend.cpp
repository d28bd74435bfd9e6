// The office's lifecycle as the program sees it: reached or started (in the background while the
// splash shows), its window, the workbook opened into it, and its end when the program started it
// and left it unused.

#include "workbook/calc/CalcBackend.h"

#include "workbook/UserOffice.h"
#include "workbook/calc/CalcDocument.h"

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XFrames.hpp>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <signal.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <thread>

namespace dravik_uno {

namespace {

const QString kCalcClassName = QStringLiteral("CorlaTabb.Workbook");

class CalcWindow : public wb::Window {
public:
    CalcWindow(Liveness live, Reference<css::frame::XFrame> frame)
        : live_(std::move(live)), frame_(std::move(frame)) {}

    void Invoke(const QString& member) override {
        Guarded(live_, [&] {
            const Reference<css::awt::XWindow> window = frame_->getContainerWindow();
            const Reference<css::awt::XTopWindow2> top(window, UNO_QUERY);
            if (!top.is()) {
                throw wb::AutomationError(wb::kErrOfficeGone, "the office window has gone");
            }
            if (member == u"Activate") {
                top->toFront();
                frame_->activate();
            } else if (member == u"Restore") {
                top->setIsMinimized(false);
                top->setIsMaximized(false);
            } else if (member == u"Maximize") {
                top->setIsMaximized(true);
            } else {
                throw wb::AutomationError(wb::kErrGeneral,
                                          "no window member " + member.toStdString());
            }
        });
    }

private:
    Liveness live_;
    Reference<css::frame::XFrame> frame_;
};

// The office as the program sees it: its window is the window of the document it was reached

class CalcApplication : public wb::Application {
public:
    explicit CalcApplication(std::shared_ptr<CalcDocument> document)
        : document_(std::move(document)) {}

    void SetVisible(bool visible) override {
        const Reference<css::frame::XFrame> frame = document_->Frame();
        Guarded(document_->Live(), [&] { frame->getContainerWindow()->setVisible(visible); });
    }

    std::shared_ptr<wb::Window> MainWindow() override {
        return std::make_shared<CalcWindow>(document_->Live(), document_->Frame());
    }

    std::shared_ptr<wb::Document> OpenDocument(const QString& fileName, const QString& folder,
                                               const std::optional<wb::CellValue>&,
                                               const std::optional<wb::CellValue>&, bool) override {
        const QString path = QDir(folder).absoluteFilePath(fileName);
        const QFileInfo file(path);
        if (!file.isFile() || !file.isReadable()) {
            throw wb::AutomationError(wb::kErrGeneral, path.toStdString() + " cannot be read");
        }
        const std::shared_ptr<OfficeConnection> office = document_->Live().office;
        const Reference<css::frame::XFrame> frame = document_->Frame();
        return Guarded(document_->Live(), [&]() -> std::shared_ptr<wb::Document> {
            // Still open from an earlier run: taken as it is; loading it a second time would
            // ask whether to open a copy.
            if (const Reference<css::frame::XModel> open = FindOpen(*office, path); open.is()) {
                auto workbook = std::make_shared<CalcDocument>(office, open);
                CloseQuietly(document_->Model());
                ShowInFront(workbook->Frame());
                document_ = workbook;
                return workbook;
            }
            // Into the empty document's window, which it replaces: no second window lingers,
            // and the window keeps the size and place it was given.
            const Sequence<css::beans::PropertyValue> args =
                QuietLoad({Property("FilterName", Any(rtl::OUString("calc8"))),
                           Property("Hidden", Any(false))});
            const Reference<css::lang::XComponent> loaded =
                Reference<css::frame::XComponentLoader>(frame, UNO_QUERY_THROW)
                    ->loadComponentFromURL(FileUrl(path), "_self", 0, args);
            const Reference<css::frame::XModel> model(loaded, UNO_QUERY);
            if (!model.is()) {
                throw wb::AutomationError(wb::kErrGeneral,
                                          path.toStdString() + " is not a spreadsheet");
            }
            auto workbook = std::make_shared<CalcDocument>(office, model);
            document_ = workbook;
            return workbook;
        });
    }

private:
    static void ShowInFront(const Reference<css::frame::XFrame>& frame) {
        const Reference<css::awt::XWindow> window = frame->getContainerWindow();
        window->setVisible(true);
        const Reference<css::awt::XTopWindow2> top(window, UNO_QUERY);
        if (top.is()) {
            top->setIsMaximized(true);
            top->toFront();
        }
    }

    std::shared_ptr<CalcDocument> document_;
};

}  // namespace

std::shared_ptr<wb::Application> MakeCalcApplication(std::shared_ptr<CalcDocument> document) {
    return std::make_shared<CalcApplication>(std::move(document));
}

namespace {

// The office process of the user's that listens on pipeName headless, or 0.
pid_t HeadlessOfficeOn(const QString& pipeName) {
    const QByteArray accept = "--accept=pipe,name=" + pipeName.toUtf8() + ';';
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!number || QFileInfo(command.fileName()).ownerId() != getuid() ||
            !command.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QList<QByteArray> args = command.readAll().split('\0');
        const bool listening = std::any_of(
            args.begin(), args.end(), [&](const QByteArray& a) { return a.startsWith(accept); });
        if (!args.isEmpty() && args.front().endsWith("soffice.bin") && listening &&
            args.contains("--headless")) {
            return pid;
        }
    }
    return 0;
}

// A headless office on the user's pipe (a report's, left behind when the report was killed)
// shows nothing: the workbook would open in a window nobody sees. One that holds nothing is
// ended, so that a visible one starts; one that holds documents is no office for the pages.
void EndHeadlessOffice(const QString& pipeName) {
    const pid_t pid = HeadlessOfficeOn(pipeName);
    if (pid == 0) {
        return;
    }
    bool holds = true;
    try {
        if (const std::shared_ptr<OfficeConnection> office = OfficeConnection::Connect(pipeName)) {
            holds = office->Desktop()->getFrames()->getCount() != 0 ||
                    office->Desktop()->getComponents()->createEnumeration()->hasMoreElements();
        }
    } catch (const css::uno::Exception&) {
        // Ending or gone already: it is ended below in any case.
        holds = false;
    }
    if (holds) {
        throw wb::AutomationError(wb::kErrNoApplication,
                                  "a headless office with documents answers on the pipe");
    }
    ::kill(pid, SIGTERM);
    for (int waited = 0; waited < 100 && ::kill(pid, 0) == 0; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(pid, SIGKILL);
}

class CalcSystem : public wb::System {
public:
    explicit CalcSystem(CalcOptions options) : options_(std::move(options)) {}
    ~CalcSystem() override { FinishStart(); }
    CalcSystem(const CalcSystem&) = delete;
    CalcSystem& operator=(const CalcSystem&) = delete;

    // On a thread of its own, so that the window that asked stays responsive; everything else
    // first waits for that thread, so the connection is never used by two threads at once.
    void StartInBackground(const QString& workbookPath) override {
        if (starter_.joinable()) {
            return;
        }
        starter_ = std::thread([this, workbookPath] {
            try {
                // An office that answers already is used as it is.
                const qint64 startedBefore = launcher_;
                if (!options_.headless) {
                    EndHeadlessOffice(options_.pipeName);
                }
                office_ = ConnectOrStart(options_, launcher_, calledOff_);
                connected_ = true;
                if (launcher_ != startedBefore && !calledOff_) {
                    WarmUp(*office_, workbookPath);
                }
                if (!calledOff_) {
                    Prepare(office_);
                }
            } catch (const std::exception&) {
                // NewDocument tries again and reports what fails.
            } catch (const css::uno::Exception&) {
                // The same.
            }
            startEnded_ = true;
        });
    }

    void EndIfUnused() override {
        // What the start has still to do (warming up, the extension) is left undone. An office
        // still starting, which cannot hold anything yet, is ended by its pid, not waited for.
        calledOff_ = true;
        if (starter_.joinable() && !connected_) {
            // A launch under way is let finish (a moment): the pid it gives is what ends the
            // office, and the program may end right after this.
            for (int waited = 0; waited < 100 && launcher_ == 0 && !connected_ && !startEnded_;
                 ++waited) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (!connected_) {
                EndStartingOffice(launcher_);
                return;
            }
        }
        FinishStart();
        dravik_uno::EndIfUnused(office_, launcher_);
    }

    std::shared_ptr<wb::Document> NewDocument(const QString& className) override {
        if (className != kCalcClassName) {
            throw wb::AutomationError(wb::kErrGeneral,
                                      "no application registered as " + className.toStdString());
        }
        const std::shared_ptr<OfficeConnection> office = Office();
        const Liveness live{office, nullptr};
        return Guarded(live, [&] {
            const Sequence<css::beans::PropertyValue> args =
                QuietLoad({Property("Hidden", Any(false))});
            const Reference<css::frame::XModel> model(
                office->Desktop()->loadComponentFromURL("private:factory/scalc", "_blank", 0, args),
                UNO_QUERY);
            if (!model.is()) {
                throw wb::AutomationError(wb::kErrGeneral, "no spreadsheet document");
            }
            return std::make_shared<CalcDocument>(office, model);
        });
    }

private:
    // A fresh office spends most on its first load of the workbook: its filter, its styles, its
    // chart and its button. The workbook loaded hidden (read only, so that no lock file is made)
    // and closed again while the splash shows leaves Continue far less to do; without a workbook,
    // an empty spreadsheet does part of that. The office holds no document afterwards.
    static void WarmUp(const OfficeConnection& office, const QString& workbookPath) {
        const bool book = QFileInfo(workbookPath).isFile();
        const Reference<css::lang::XComponent> loaded = office.Desktop()->loadComponentFromURL(
            book ? FileUrl(workbookPath) : rtl::OUString("private:factory/scalc"), "_blank", 0,
            QuietLoad({Property("Hidden", Any(true)), Property("ReadOnly", Any(true)),
                       Property("PickListEntry", Any(false))}));
        // Closed whatever happens: an office left holding it would not count as unused.
        CloseQuietly(Reference<css::frame::XModel>(loaded, UNO_QUERY));
    }

    // What the opening needs of an office besides the workbook, once per connection: the report
    // button's extension.
    void Prepare(const std::shared_ptr<OfficeConnection>& office) {
        if (office && office != prepared_.lock()) {
            EnsureExtension(*office, options_.extension);
            prepared_ = office;
        }
    }

    void FinishStart() {
        if (starter_.joinable()) {
            starter_.join();
        }
    }

    // The office on the user's pipe; started when nothing answers there.
    std::shared_ptr<OfficeConnection> Office() {
        FinishStart();
        if (!office_ || !office_->Alive()) {
            office_.reset();
            if (!options_.headless) {
                EndHeadlessOffice(options_.pipeName);
            }
            qint64 launcher = launcher_;
            office_ = ReachOffice(options_, launcher);
            launcher_ = launcher;
        }
        Prepare(office_);
        return office_;
    }

    CalcOptions options_;
    std::shared_ptr<OfficeConnection> office_;
    std::weak_ptr<OfficeConnection> prepared_;
    std::thread starter_;
    std::atomic<qint64> launcher_{0};  // the launcher of the office this system started
    std::atomic<bool> calledOff_{false};
    std::atomic<bool> connected_{false};
    std::atomic<bool> startEnded_{false};
};

}  // namespace

}  // namespace dravik_uno

CalcOptions CalcOptions::ForUser() {
    CalcOptions options;
    const QString installed = QStringLiteral(DRAVIK_OFFICE_PROGRAM_DIR "/soffice");
    options.sofficePath = QFileInfo(installed).isExecutable()
                              ? installed
                              : QStandardPaths::findExecutable(QStringLiteral("soffice"));
    // One pipe per user: a second start of the program finds the office the first one left open.
    options.pipeName = UserOfficePipeName();
    options.usersPipe = true;
    options.extension = {QCoreApplication::applicationDirPath() +
                             QStringLiteral("/" DRAVIK_REPORT_EXTENSION_FILE_NAME),
                         QStringLiteral(DRAVIK_REPORT_EXTENSION_ID),
                         QStringLiteral(DRAVIK_REPORT_EXTENSION_VERSION)};
    return options;
}

std::unique_ptr<wb::System> MakeCalcSystem(const CalcOptions& options) {
    return std::make_unique<dravik_uno::CalcSystem>(options);
}
