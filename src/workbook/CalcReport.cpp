#include "workbook/CalcReport.h"

#include "workbook/CalcUno.h"

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/chart/XChartDataArray.hpp>
#include <com/sun/star/chart/XChartDocument.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/document/XEmbeddedObjectSupplier.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextEmbeddedObjectsSupplier.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>

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

    wb::ShownTable ShownRange(const QString& name) override {
        return Guarded(office_, [&] {
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

            // The numbers in one call; the office refuses it when a formula's result is an
            // error, and the cells then show that error as text.
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
                    // The text the cell shows, in its own number format.
                    cell.text = ToQ(Reference<css::text::XTextRange>(cells->getCellByPosition(c, r),
                                                                     UNO_QUERY_THROW)
                                        ->getString());
                    double number = 0;
                    if (r < values.getLength() && c < values[r].getLength() &&
                        (values[r][c] >>= number)) {
                        cell.number = number;
                    }
                }
            }
            return table;
        });
    }

    void TurnTo(const QString& sheet) override {
        Guarded(office_, [&] {
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
            CloseQuietly(model_);
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

class WriterDocument : public wb::TextDocument {
public:
    WriterDocument(std::shared_ptr<OfficeConnection> office, Reference<css::frame::XModel> model,
                   bool locked)
        : office_(std::move(office)), model_(std::move(model)), locked_(locked) {}

    ~WriterDocument() override {
        if (locked_ && office_->Alive()) {
            try {
                model_->unlockControllers();
            } catch (const css::uno::Exception&) {
                // Closed meanwhile.
            }
        }
    }

    void SetTitle(const QString& title) override {
        Guarded(office_, [&] {
            Reference<css::document::XDocumentPropertiesSupplier>(model_, UNO_QUERY_THROW)
                ->getDocumentProperties()
                ->setTitle(ToOU(title));
            // The caption of an untitled document's window is fixed when it is made.
            if (const Reference<css::frame::XTitle> caption(model_, UNO_QUERY); caption.is()) {
                caption->setTitle(ToOU(title));
            }
        });
    }

    void SetBookmarkText(const QString& bookmark, const QString& text) override {
        Guarded(office_, [&] {
            const Reference<css::text::XTextContent> mark(
                Reference<css::text::XBookmarksSupplier>(model_, UNO_QUERY_THROW)
                    ->getBookmarks()
                    ->getByName(ToOU(bookmark)),
                UNO_QUERY_THROW);
            mark->getAnchor()->setString(ToOU(text));
        });
    }

    void FillTable(const QString& table, int firstRow, int firstColumn,
                   const std::vector<std::vector<QString>>& rows) override {
        if (rows.empty()) {
            return;
        }
        size_t columns = 0;
        for (const std::vector<QString>& row : rows) {
            columns = std::max(columns, row.size());
        }
        if (columns == 0) {
            return;
        }
        Guarded(office_, [&] {
            const Reference<css::table::XCellRange> cells(
                Reference<css::text::XTextTablesSupplier>(model_, UNO_QUERY_THROW)
                    ->getTextTables()
                    ->getByName(ToOU(table)),
                UNO_QUERY_THROW);
            const Reference<css::table::XCellRange> target = cells->getCellRangeByPosition(
                firstColumn, firstRow, firstColumn + static_cast<int>(columns) - 1,
                firstRow + static_cast<int>(rows.size()) - 1);
            // All cells in one call; every value goes in as text, so the table shows exactly
            // what the workbook showed.
            Sequence<Sequence<Any>> data(static_cast<sal_Int32>(rows.size()));
            for (size_t r = 0; r < rows.size(); ++r) {
                Sequence<Any> line(static_cast<sal_Int32>(columns));
                for (size_t c = 0; c < columns; ++c) {
                    line.getArray()[c] <<= ToOU(c < rows[r].size() ? rows[r][c] : QString());
                }
                data.getArray()[r] = line;
            }
            Reference<css::sheet::XCellRangeData>(target, UNO_QUERY_THROW)->setDataArray(data);
        });
    }

    void SetChartData(const QString& chart, const std::vector<QString>& categories,
                      const std::vector<QString>& series,
                      const std::vector<std::vector<double>>& values) override {
        Guarded(office_, [&] {
            const Reference<css::chart::XChartDataArray> data(Chart(chart)->getData(),
                                                              UNO_QUERY_THROW);
            Sequence<Sequence<double>> numbers(static_cast<sal_Int32>(values.size()));
            for (size_t r = 0; r < values.size(); ++r) {
                numbers.getArray()[r] =
                    Sequence<double>(values[r].data(), static_cast<sal_Int32>(values[r].size()));
            }
            data->setData(numbers);
            data->setRowDescriptions(Texts(categories));
            data->setColumnDescriptions(Texts(series));
        });
    }

    void Show() override {
        Guarded(office_, [&] {
            if (locked_) {
                locked_ = false;
                model_->unlockControllers();
            }
            const Reference<css::frame::XController> controller = model_->getCurrentController();
            const Reference<css::frame::XFrame> frame =
                controller.is() ? controller->getFrame() : nullptr;
            if (!frame.is()) {
                throw wb::AutomationError(wb::kErrOfficeGone, "the report has no window");
            }
            const Reference<css::awt::XWindow> window = frame->getContainerWindow();
            window->setVisible(true);
            if (const Reference<css::awt::XTopWindow2> top(window, UNO_QUERY); top.is()) {
                top->toFront();
            }
            frame->activate();
        });
    }

    void ExportPdf(const QString& path) override {
        Guarded(office_, [&] {
            const css::beans::PropertyValue filter =
                Property("FilterName", Any(rtl::OUString("writer_pdf_Export")));
            Reference<css::frame::XStorable>(model_, UNO_QUERY_THROW)
                ->storeToURL(FileUrl(path), Sequence<css::beans::PropertyValue>(&filter, 1));
        });
    }

    void Close() override {
        if (office_->Alive()) {
            locked_ = false;
            CloseQuietly(model_);
        }
    }

private:
    Reference<css::chart::XChartDocument> Chart(const QString& name) {
        const Reference<css::document::XEmbeddedObjectSupplier> object(
            Reference<css::text::XTextEmbeddedObjectsSupplier>(model_, UNO_QUERY_THROW)
                ->getEmbeddedObjects()
                ->getByName(ToOU(name)),
            UNO_QUERY_THROW);
        const Reference<css::chart::XChartDocument> chart(object->getEmbeddedObject(), UNO_QUERY);
        if (!chart.is()) {
            throw wb::AutomationError(wb::kErrUndefinedName, name.toStdString() + " is no chart");
        }
        return chart;
    }

    static Sequence<rtl::OUString> Texts(const std::vector<QString>& texts) {
        Sequence<rtl::OUString> out(static_cast<sal_Int32>(texts.size()));
        for (size_t i = 0; i < texts.size(); ++i) {
            out.getArray()[i] = ToOU(texts[i]);
        }
        return out;
    }

    std::shared_ptr<OfficeConnection> office_;
    Reference<css::frame::XModel> model_;
    bool locked_;
};

class CalcReportOffice : public wb::ReportOffice {
public:
    explicit CalcReportOffice(CalcOptions options) : options_(std::move(options)) {}

    std::shared_ptr<wb::ShownWorkbook> TakeWorkbook(const QString& path, bool hidden) override {
        const std::shared_ptr<OfficeConnection> office = Office();
        return Guarded(office, [&]() -> std::shared_ptr<wb::ShownWorkbook> {
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
        return Guarded(office, [&]() -> std::shared_ptr<wb::TextDocument> {
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
            return std::make_shared<WriterDocument>(office, model, !hidden);
        });
    }

    void Release() override {
        if (!shownAnything_) {
            EndIfUnused(office_, launcherPid_);
        }
        office_.reset();
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
