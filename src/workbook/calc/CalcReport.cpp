#include "workbook/calc/CalcReport.h"

#include "workbook/calc/CalcDocument.h"
#include "workbook/calc/CalcPrivateOffice.h"
#include "workbook/calc/CalcUno.h"
#include "workbook/calc/CalcWriterDocument.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/DispatchResultState.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XDispatchResultListener.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XNotifyingDispatch.hpp>
#include <com/sun/star/frame/XStorable.hpp>
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

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>
#include <utility>

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

// The cells of a sheet as it shows them, all at once: the office writes the sheet as CSV with the
// cell contents as shown, which are the texts each cell's own number format gives (the same as
// a cell's text read one by one), into a file in folder, read here. Rows and columns from A1.
std::vector<std::vector<QString>> ShownSheet(const Reference<css::frame::XModel>& model,
                                             sal_Int16 sheet, const QString& folder) {
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder)) {
        throw wb::AutomationError(wb::kErrGeneral, folder.toStdString() + " cannot be made");
    }
    // Separator, quote, UTF-8, from line 1, -, language, no quotes around every text, -, as
    // shown, no formulas, -, the sheet (counted from 1: the office adds its name to the file's).
    const css::beans::PropertyValue args[] = {
        Property("FilterName", Any(rtl::OUString("Text - txt - csv (StarCalc)"))),
        Property(
            "FilterOptions",
            Any(ToOU(
                QStringLiteral("44,34,76,1,,0,false,false,true,false,false,%1").arg(sheet + 1))))};
    Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)
        ->storeToURL(FileUrl(QDir(folder).filePath(QStringLiteral("shown.csv"))),
                     Sequence<css::beans::PropertyValue>(args, 2));
    const QStringList written = QDir(folder).entryList({QStringLiteral("*.csv")}, QDir::Files);
    QFile file(written.size() == 1 ? QDir(folder).filePath(written.front()) : QString());
    if (!file.open(QIODevice::ReadOnly)) {
        throw wb::AutomationError(wb::kErrGeneral, "the office wrote no sheet");
    }
    const QString text = QString::fromUtf8(file.readAll());
    // Quoted fields may hold separators, doubled quotes and line breaks.
    std::vector<std::vector<QString>> rows(1);
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            rows.back().push_back(std::exchange(field, QString()));
        } else if (c == u'\n') {
            rows.back().push_back(std::exchange(field, QString()));
            rows.emplace_back();
        } else if (c != u'\r') {
            field += c;
        }
    }
    rows.back().push_back(field);
    return rows;
}

class CalcWorkbookCopy : public wb::WorkbookCopy {
public:
    CalcWorkbookCopy(std::shared_ptr<OfficeConnection> office, Reference<css::frame::XModel> model,
                     const QString& path)
        : office_(office),
          model_(model),
          shown_(office, model, true),
          document_(std::make_shared<CalcDocument>(office, model)),
          shownFolder_(path + QStringLiteral(".shown")) {
        // Nobody undoes in this workbook: no record's writes are kept for it.
        Reference<css::document::XUndoManagerSupplier>(model_, UNO_QUERY_THROW)
            ->getUndoManager()
            ->lock();
    }

    QString SheetOf(const QString& name) override { return shown_.SheetOf(name); }
    wb::ShownTable ShownRange(const QString& name) override { return shown_.ShownRange(name); }
    void TurnTo(const QString& sheet) override { shown_.TurnTo(sheet); }
    void Release() override {
        shown_.Release();
        QDir(shownFolder_).removeRecursively();
    }

    // Each sheet's texts in one export and its values in one call, instead of some calls a cell.
    // Nobody else writes into this copy, so where its names lead is looked up once.
    std::vector<wb::ShownTable> ShownRanges(const std::vector<QString>& names) override {
        return OnMainThread(office_, [&] {
            std::map<sal_Int16, std::vector<std::vector<QString>>> texts;
            std::vector<wb::ShownTable> tables;
            for (const QString& name : names) {
                const Place& place = PlaceOf(name);
                if (!texts.count(place.where.Sheet)) {
                    texts[place.where.Sheet] = ShownSheet(model_, place.where.Sheet, shownFolder_);
                }
                tables.push_back(Shown(place, texts[place.where.Sheet]));
            }
            return tables;
        });
    }

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
    // thread of the bridge, which the office's chart code does not bear. The handler found for
    // the window is kept for the next copy.
    void CopySummaryToReport() override {
        OnMainThread(office_, [&] {
            if (!button_.is()) {
                url_.Complete = "vnd.dravik.lumo:CopySummaryToReport";
                css::util::URLTransformer::create(office_->Context())->parseStrict(url_);
                const Reference<css::frame::XDispatchProvider> window(
                    model_->getCurrentController()->getFrame(), UNO_QUERY_THROW);
                button_.set(window->queryDispatch(url_, "_self", 0), UNO_QUERY);
            }
            if (!button_.is()) {
                throw wb::AutomationError(wb::kErrGeneral,
                                          "the report button's office extension is missing");
            }
            const rtl::Reference<CopyOutcome> outcome(new CopyOutcome);
            // Nobody undoes in this workbook: the copy need not be undoable, which is quicker.
            const css::beans::PropertyValue undoable = Property("Undoable", Any(false));
            button_->dispatchWithNotification(
                url_, Sequence<css::beans::PropertyValue>(&undoable, 1),
                Reference<css::frame::XDispatchResultListener>(outcome.get()));
            if (!outcome->made) {
                throw wb::AutomationError(wb::kErrGeneral, outcome->message.isEmpty()
                                                               ? "the button made no copy"
                                                               : Utf8(outcome->message));
            }
        });
    }

private:
    // Where a name leads, and its cells.
    struct Place {
        css::table::CellRangeAddress where;
        Reference<css::table::XCellRange> cells;
    };

    const Place& PlaceOf(const QString& name) {
        if (const auto known = places_.find(name); known != places_.end()) {
            return known->second;
        }
        Reference<css::sheet::XNamedRanges> names;
        Reference<css::beans::XPropertySet>(model_, UNO_QUERY_THROW)
            ->getPropertyValue("NamedRanges") >>= names;
        Place place;
        place.cells =
            Reference<css::sheet::XCellRangeReferrer>(names->getByName(ToOU(name)), UNO_QUERY_THROW)
                ->getReferredCells();
        if (!place.cells.is()) {
            throw wb::AutomationError(wb::kErrUndefinedName,
                                      name.toStdString() + " names no cells");
        }
        place.where = Reference<css::sheet::XCellRangeAddressable>(place.cells, UNO_QUERY_THROW)
                          ->getRangeAddress();
        return places_[name] = place;
    }

    // The numbers in one call, as the cell-by-cell reading takes them; a formula whose result is
    // an error gives none (or the office refuses the whole call), and its cell tells its error.
    static wb::ShownTable Shown(const Place& place,
                                const std::vector<std::vector<QString>>& texts) {
        const css::table::CellRangeAddress& at = place.where;
        Sequence<Sequence<Any>> values;
        try {
            values =
                Reference<css::sheet::XCellRangeData>(place.cells, UNO_QUERY_THROW)->getDataArray();
        } catch (const css::uno::RuntimeException&) {
        }
        const int rows = at.EndRow - at.StartRow + 1;
        const int columns = at.EndColumn - at.StartColumn + 1;
        wb::ShownTable table(rows, std::vector<wb::ShownCell>(columns));
        for (int r = 0; r < rows; ++r) {
            const size_t row = static_cast<size_t>(at.StartRow + r);
            for (int c = 0; c < columns; ++c) {
                wb::ShownCell& cell = table[r][c];
                const size_t column = static_cast<size_t>(at.StartColumn + c);
                if (row < texts.size() && column < texts[row].size()) {
                    cell.text = texts[row][column];
                }
                const bool known = r < values.getLength() && c < values[r].getLength();
                double number = 0;
                if (known && (values[r][c] >>= number)) {
                    cell.number = number;
                } else if (!known || !values[r][c].hasValue()) {
                    cell.error = place.cells->getCellByPosition(c, r)->getError() != 0;
                }
            }
        }
        return table;
    }

    std::shared_ptr<OfficeConnection> office_;
    Reference<css::frame::XModel> model_;
    CalcShownWorkbook shown_;
    std::shared_ptr<CalcDocument> document_;
    QString shownFolder_;
    std::map<QString, Place> places_;
    css::util::URL url_;
    Reference<css::frame::XNotifyingDispatch> button_;
};

class CalcReportOffice : public wb::ReportOffice {
public:
    // The user's office on the options' pipe, or with own an office of the program's own.
    explicit CalcReportOffice(CalcOptions options, std::shared_ptr<PrivateOffice> own = nullptr)
        : options_(std::move(options)), own_(std::move(own)) {}

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
                return std::make_shared<CalcWorkbookCopy>(office, model, path);
            } catch (...) {
                CloseQuietly(model);
                throw;
            }
        });
    }

    // The connection stays (when the office was not ended) for the next report, or until the
    // process ends: letting go of the bridge waits up to 2 s for its idle threads.
    void Release() override {
        if (own_) {
            own_->End();
        } else if (!shownAnything_) {
            EndIfUnused(office_, launcherPid_);
        }
    }

    void EndNow() override {
        if (own_) {
            own_->EndNow();
        }
    }

private:
    // The office on the options' pipe; started when nothing answers there.
    std::shared_ptr<OfficeConnection> Office() {
        if (office_ && office_->Alive()) {
            return office_;
        }
        office_.reset();
        if (own_) {
            return office_ = own_->Connection();
        }
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
    std::shared_ptr<PrivateOffice> own_;
    std::shared_ptr<OfficeConnection> office_;
    qint64 launcherPid_ = 0;  // of the office started here, if any
    bool shownAnything_ = false;
};

}  // namespace

std::unique_ptr<wb::ReportOffice> MakeCalcReportOffice(const CalcOptions& options) {
    return std::make_unique<CalcReportOffice>(options);
}

std::unique_ptr<wb::ReportOffice> MakePrivateReportOffice(const CalcOptions& options,
                                                          const QString& folder) {
    return std::make_unique<CalcReportOffice>(
        options,
        std::make_shared<PrivateOffice>(options.sofficePath, folder,
                                        std::chrono::milliseconds(options.startTimeoutMs)));
}
