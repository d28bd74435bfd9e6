#include "workbook/calc/CalcReport.h"

#include "workbook/calc/CalcDocument.h"
#include "workbook/calc/CalcUno.h"
#include "workbook/calc/CalcWriterDocument.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/DispatchResultState.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XDispatchResultListener.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XNotifyingDispatch.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/URLTransformer.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

#include <QFileInfo>

namespace {

using namespace dravik_uno;

class CalcShownWorkbook : public wb::ShownWorkbook {
public:
    CalcShownWorkbook(std::shared_ptr<OfficeConnection> office, Reference<css::frame::XModel> model,
                      bool closeOnRelease)
        : office_(std::move(office)), model_(std::move(model)), closeOnRelease_(closeOnRelease) {
        const Reference<css::sheet::XSpreadsheetDocument> spreadsheet(model_, UNO_QUERY);
        if (!spreadsheet.is()) {
            throw wb::AutomationError(wb::kErrUndefinedName, "the workbook is no spreadsheet");
        }
        sheets_.set(spreadsheet->getSheets(), UNO_QUERY_THROW);
        Reference<css::beans::XPropertySet>(model_, UNO_QUERY_THROW)
            ->getPropertyValue("NamedRanges") >>= names_;
        if (!names_.is()) {
            throw wb::AutomationError(wb::kErrUndefinedName, "the workbook has no range names");
        }
    }

    QString SheetOf(const QString& name) override {
        return OnMainThread(office_, [&]() -> QString {
            if (!names_->hasByName(ToOU(name))) {
                return QString();
            }
            const Reference<css::sheet::XNamedRange> named(names_->getByName(ToOU(name)),
                                                           UNO_QUERY_THROW);
            // A deleted sheet leaves its names behind, leading to #REF! (and to cells of
            // another sheet).
            if (named->getContent().indexOf("#REF!") >= 0) {
                return QString();
            }
            const Reference<css::table::XCellRange> cells =
                Reference<css::sheet::XCellRangeReferrer>(named, UNO_QUERY_THROW)
                    ->getReferredCells();
            if (!cells.is()) {
                return QString();
            }
            const sal_Int16 sheet =
                Reference<css::sheet::XCellRangeAddressable>(cells, UNO_QUERY_THROW)
                    ->getRangeAddress()
                    .Sheet;
            return ToQ(Reference<css::container::XNamed>(
                           Reference<css::container::XIndexAccess>(sheets_, UNO_QUERY_THROW)
                               ->getByIndex(sheet),
                           UNO_QUERY_THROW)
                           ->getName());
        });
    }

    wb::ShownTable ShownRange(const QString& name) override {
        return OnMainThread(office_, [&] {
            const Reference<css::table::XCellRange> cells =
                Reference<css::sheet::XCellRangeReferrer>(names_->getByName(ToOU(name)),
                                                          UNO_QUERY_THROW)
                    ->getReferredCells();
            if (!cells.is()) {
                throw wb::AutomationError(wb::kErrUndefinedName,
                                          name.toStdString() + " names no cells");
            }
            const css::table::CellRangeAddress where =
                Reference<css::sheet::XCellRangeAddressable>(cells, UNO_QUERY_THROW)
                    ->getRangeAddress();
            const int rows = where.EndRow - where.StartRow + 1;
            const int columns = where.EndColumn - where.StartColumn + 1;

            // The numbers in one call. A formula whose result is an error gives nothing there (or
            // the office refuses the whole call), and its cell shows the error as text.
            Sequence<Sequence<Any>> values;
            try {
                values =
                    Reference<css::sheet::XCellRangeData>(cells, UNO_QUERY_THROW)->getDataArray();
            } catch (const css::uno::RuntimeException&) {
                if (!office_->Alive()) {
                    throw;
                }
            }
            wb::ShownTable table(rows, std::vector<wb::ShownCell>(columns));
            for (int r = 0; r < rows; ++r) {
                for (int c = 0; c < columns; ++c) {
                    wb::ShownCell& cell = table[r][c];
                    const Reference<css::table::XCell> shown = cells->getCellByPosition(c, r);
                    // The text the cell shows, in its own number format.
                    cell.text =
                        ToQ(Reference<css::text::XTextRange>(shown, UNO_QUERY_THROW)->getString());
                    const bool known = r < values.getLength() && c < values[r].getLength();
                    double number = 0;
                    if (known && (values[r][c] >>= number)) {
                        cell.number = number;
                    } else if (!known || !values[r][c].hasValue()) {
                        cell.error = shown->getError() != 0;
                    }
                }
            }
            return table;
        });
    }

    void TurnTo(const QString& sheet) override {
        OnMainThread(office_, [&] {
            const Reference<css::sheet::XSpreadsheet> wanted(sheets_->getByName(ToOU(sheet)),
                                                             UNO_QUERY_THROW);
            const Reference<css::sheet::XSpreadsheetView> view(model_->getCurrentController(),
                                                               UNO_QUERY);
            if (view.is()) {
                view->setActiveSheet(wanted);
            }
        });
    }

    void Release() override {
        if (closeOnRelease_ && office_->Alive()) {
            CloseOnMainThread(office_, model_);
        }
        closeOnRelease_ = false;
    }

private:
    std::shared_ptr<OfficeConnection> office_;
    Reference<css::frame::XModel> model_;
    bool closeOnRelease_;
    Reference<css::container::XNameAccess> sheets_;
    Reference<css::sheet::XNamedRanges> names_;
};

// How the button's copy went, as its handler tells whoever dispatched it.
class CopyOutcome : public cppu::WeakImplHelper1<css::frame::XDispatchResultListener> {
public:
    void SAL_CALL dispatchFinished(const css::frame::DispatchResultEvent& event) override {
        made = event.State == css::frame::DispatchResultState::SUCCESS;
        event.Result >>= message;
    }
    void SAL_CALL disposing(const css::lang::EventObject&) override {}

    bool made = false;
    rtl::OUString message;
};

class CalcWorkbookCopy : public wb::WorkbookCopy {
public:
    CalcWorkbookCopy(std::shared_ptr<OfficeConnection> office, Reference<css::frame::XModel> model)
        : office_(office),
          model_(model),
          shown_(office, model, true),
          document_(std::make_shared<CalcDocument>(office, model)) {}

    QString SheetOf(const QString& name) override { return shown_.SheetOf(name); }
    wb::ShownTable ShownRange(const QString& name) override { return shown_.ShownRange(name); }
    void TurnTo(const QString& sheet) override { shown_.TurnTo(sheet); }
    void Release() override { shown_.Release(); }

    void WriteOut(const std::function<void(wb::Document&)>& work) override {
        OnMainThread(office_, [&] {
            document_->BeginWriteOut();
            try {
                work(*document_);
            } catch (...) {
                document_->EndWriteOut();
                throw;
            }
            document_->EndWriteOut();
        });
    }

    // The workbook's button is a URL the office dispatches to the extension's handler of the
    // document's window; a hidden window has one too. Dispatched from here it would run on a
    // thread of the bridge, which the office's chart code does not bear.
    void CopySummaryToReport() override {
        OnMainThread(office_, [&] {
            css::util::URL url;
            url.Complete = "vnd.dravik.lumo:CopySummaryToReport";
            css::util::URLTransformer::create(office_->Context())->parseStrict(url);
            const Reference<css::frame::XDispatchProvider> window(
                model_->getCurrentController()->getFrame(), UNO_QUERY_THROW);
            const Reference<css::frame::XNotifyingDispatch> button(
                window->queryDispatch(url, "_self", 0), UNO_QUERY);
            if (!button.is()) {
                throw wb::AutomationError(wb::kErrGeneral,
                                          "the report button's office extension is missing");
            }
            const rtl::Reference<CopyOutcome> outcome(new CopyOutcome);
            // Nobody undoes in this workbook: the copy need not be undoable, which is quicker.
            const css::beans::PropertyValue undoable = Property("Undoable", Any(false));
            button->dispatchWithNotification(
                url, Sequence<css::beans::PropertyValue>(&undoable, 1),
                Reference<css::frame::XDispatchResultListener>(outcome.get()));
            if (!outcome->made) {
                throw wb::AutomationError(wb::kErrGeneral, outcome->message.isEmpty()
                                                               ? "the button made no copy"
                                                               : Utf8(outcome->message));
            }
        });
    }

private:
    std::shared_ptr<OfficeConnection> office_;
    Reference<css::frame::XModel> model_;
    CalcShownWorkbook shown_;
    std::shared_ptr<CalcDocument> document_;
};

class CalcReportOffice : public wb::ReportOffice {
public:
    explicit CalcReportOffice(CalcOptions options) : options_(std::move(options)) {}

    std::shared_ptr<wb::ShownWorkbook> TakeWorkbook(const QString& path, bool hidden) override {
        const std::shared_ptr<OfficeConnection> office = Office();
        // An empty Report sends the user to the workbook's button, which needs the extension.
        EnsureExtension(*office, options_.extension);
        return OnMainThread(office, [&]() -> std::shared_ptr<wb::ShownWorkbook> {
            if (const Reference<css::frame::XModel> open = FindOpen(*office, path); open.is()) {
                return std::make_shared<CalcShownWorkbook>(office, open, false);
            }
            RequireFile(path);
            // Read only when hidden: no lock file, and no question when someone else has the
            // workbook open for editing. Shown, it is opened for editing; a lock file beside it
            // is answered as in the program, except that someone else's opens it read only: the
            // report only reads it.
            const Reference<css::frame::XModel> model = LoadWorkbook(*office, path, hidden, hidden);
            if (!model.is()) {
                throw wb::AutomationError(wb::kErrGeneral, path.toStdString() + " did not open");
            }
            shownAnything_ = shownAnything_ || !hidden;
            try {
                return std::make_shared<CalcShownWorkbook>(office, model, hidden);
            } catch (...) {
                if (hidden) {
                    CloseQuietly(model);
                }
                throw;
            }
        });
    }

    std::shared_ptr<wb::TextDocument> NewFromTemplate(const QString& path, bool hidden) override {
        const std::shared_ptr<OfficeConnection> office = Office();
        return OnMainThread(office, [&]() -> std::shared_ptr<wb::TextDocument> {
            RequireFile(path);
            const Reference<css::frame::XModel> model(
                office->Desktop()->loadComponentFromURL(
                    FileUrl(path), "_blank", 0,
                    QuietLoad(
                        {Property("AsTemplate", Any(true)), Property("Hidden", Any(hidden))})),
                UNO_QUERY);
            if (!model.is()) {
                throw wb::AutomationError(wb::kErrGeneral, path.toStdString() + " did not open");
            }
            shownAnything_ = shownAnything_ || !hidden;
            // A shown document is not redrawn while it is filled.
            if (!hidden) {
                model->lockControllers();
            }
            return MakeWriterDocument(office, model, !hidden);
        });
    }

    std::shared_ptr<wb::WorkbookCopy> LoadWorkbookCopy(const QString& path) override {
        const std::shared_ptr<OfficeConnection> office = Office();
        // The copy is made by the button's extension.
        EnsureExtension(*office, options_.extension);
        return OnMainThread(office, [&]() -> std::shared_ptr<wb::WorkbookCopy> {
            RequireFile(path);
            // Not among the user's recent documents: it is no document of theirs.
            const Reference<css::frame::XModel> model(
                office->Desktop()->loadComponentFromURL(
                    FileUrl(path), "_blank", 0,
                    QuietLoad({Property("FilterName", Any(rtl::OUString("calc8"))),
                               Property("Hidden", Any(true)),
                               Property("PickListEntry", Any(false))})),
                UNO_QUERY);
            if (!model.is()) {
                throw wb::AutomationError(wb::kErrGeneral, path.toStdString() + " did not open");
            }
            try {
                return std::make_shared<CalcWorkbookCopy>(office, model);
            } catch (...) {
                CloseQuietly(model);
                throw;
            }
        });
    }

    // The connection stays (when the office was not ended) for the next report, or until the
    // process ends: letting go of the bridge waits up to 2 s for its idle threads.
    void Release() override {
        if (!shownAnything_) {
            EndIfUnused(office_, launcherPid_);
        }
    }

private:
    // The office on the options' pipe; started when nothing answers there.
    std::shared_ptr<OfficeConnection> Office() {
        if (office_ && office_->Alive()) {
            return office_;
        }
        office_.reset();
        // launcherPid_ is set only when an office is started here.
        return office_ = ReachOffice(options_, launcherPid_);
    }

    // The workbook loaded, or null when the load was refused (the office's question aborted).
    static Reference<css::frame::XModel> LoadWorkbook(const OfficeConnection& office,
                                                      const QString& path, bool hidden,
                                                      bool readOnly) {
        try {
            return Reference<css::frame::XModel>(
                office.Desktop()->loadComponentFromURL(
                    FileUrl(path), "_blank", 0,
                    QuietLoad(
                        {Property("FilterName", Any(rtl::OUString("calc8"))),
                         Property("Hidden", Any(hidden)), Property("ReadOnly", Any(readOnly))},
                        OthersLock::OpenReadOnly)),
                UNO_QUERY);
        } catch (const css::lang::DisposedException&) {
            throw;
        } catch (const css::uno::Exception&) {
            if (!office.Alive()) {
                throw;
            }
            return nullptr;
        }
    }

    static void RequireFile(const QString& path) {
        const QFileInfo file(path);
        if (!file.isFile() || !file.isReadable()) {
            throw wb::AutomationError(wb::kErrFileNotFound, path.toStdString() + " not found");
        }
    }

    CalcOptions options_;
    std::shared_ptr<OfficeConnection> office_;
    qint64 launcherPid_ = 0;  // of the office started here, if any
    bool shownAnything_ = false;
};

}  // namespace

std::unique_ptr<wb::ReportOffice> MakeCalcReportOffice(const CalcOptions& options) {
    return std::make_unique<CalcReportOffice>(options);
}
