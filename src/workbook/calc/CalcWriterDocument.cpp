#include "workbook/calc/CalcWriterDocument.h"

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/chart/XAxisYSupplier.hpp>
#include <com/sun/star/chart/XChartDataArray.hpp>
#include <com/sun/star/chart/XChartDocument.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/document/XEmbeddedObjectSupplier.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/io/XOutputStream.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/TableColumnSeparator.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextEmbeddedObjectsSupplier.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace dravik_uno {

namespace {

// What the office writes into it, kept in this process.
class BytesStream : public cppu::WeakImplHelper1<css::io::XOutputStream> {
public:
    void SAL_CALL writeBytes(const Sequence<sal_Int8>& data) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        bytes_.append(reinterpret_cast<const char*>(data.getConstArray()), data.getLength());
    }
    void SAL_CALL flush() override {}
    void SAL_CALL closeOutput() override {}

    QByteArray Bytes() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return bytes_;
    }

private:
    std::mutex mutex_;
    QByteArray bytes_;
};

// The width of a number's text in ems of the template's font (Liberation Sans): digits and
// currency signs half an em and a little more, separators a quarter.
double EmWidth(const QString& text) {
    double em = 0;
    for (const QChar c : text) {
        if (c == u',' || c == u'.' || c == u' ') {
            em += 0.278;
        } else if (c == u'%') {
            em += 0.889;
        } else if (c.isUpper()) {
            em += 0.722;
        } else {
            em += 0.556;
        }
    }
    return em;
}

// A number's text, as a table cell shows it: digits, without a space.
bool IsNumberText(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }) &&
           std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

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
        OnMainThread(office_, [&] {
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
        OnMainThread(office_, [&] {
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
        OnMainThread(office_, [&] {
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
            FitNumbers(cells, firstRow, firstColumn, rows);
        });
    }

    void SetChartData(const QString& chart, const std::vector<QString>& categories,
                      const std::vector<QString>& series,
                      const std::vector<std::vector<double>>& values, double tickUnit) override {
        OnMainThread(office_, [&] {
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
            // For values of a few units the office's own scale marks fractions of a unit, which
            // the axis's whole-number format shows as "0, 1, 1": the marks are set whole here.
            double top = 0;
            for (const std::vector<double>& row : values) {
                for (const double value : row) {
                    top = std::max(top, value);
                }
            }
            if (top / tickUnit <= 10) {
                const Reference<css::beans::XPropertySet> axis(
                    Reference<css::chart::XAxisYSupplier>(Chart(chart)->getDiagram(),
                                                          UNO_QUERY_THROW)
                        ->getYAxis(),
                    UNO_QUERY_THROW);
                axis->setPropertyValue("AutoMin", Any(false));
                axis->setPropertyValue("Min", Any(0.0));
                axis->setPropertyValue("AutoMax", Any(false));
                axis->setPropertyValue("Max",
                                       Any(tickUnit * std::max(1.0, std::ceil(top / tickUnit))));
                axis->setPropertyValue("AutoStepMain", Any(false));
                axis->setPropertyValue("StepMain", Any(tickUnit));
            }
        });
    }

    void Show() override {
        OnMainThread(office_, [&] {
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

    QByteArray ExportPdf() override {
        return OnMainThread(office_, [&] {
            // Through a stream into this process: an office that stops halfway leaves no file.
            const rtl::Reference<BytesStream> stream(new BytesStream);
            const css::beans::PropertyValue args[] = {
                Property("FilterName", Any(rtl::OUString("writer_pdf_Export"))),
                Property("OutputStream", Any(Reference<css::io::XOutputStream>(stream.get())))};
            Reference<css::frame::XStorable>(model_, UNO_QUERY_THROW)
                ->storeToURL("private:stream", Sequence<css::beans::PropertyValue>(args, 2));
            return stream->Bytes();
        });
    }

    void Close() override {
        if (office_->Alive()) {
            locked_ = false;
            CloseOnMainThread(office_, model_);
        }
    }

private:
    // A text without a space that is wider than its cell is broken inside it, in the middle of a
    // number's digits; such a number is set smaller, to fit on one line. Its width is reckoned,
    // and only for texts long enough to come near a cell's width, so that a usual report costs no
    // round trip here.
    void FitNumbers(const Reference<css::table::XCellRange>& cells, int firstRow, int firstColumn,
                    const std::vector<std::vector<QString>>& rows) {
        constexpr double kPointsPerHmm = 72.0 / 2540.0;  // 1/100 mm in points
        constexpr double kShortest = 6.0;                // ems that fit any column of the template
        std::vector<std::pair<size_t, size_t>> candidates;
        for (size_t r = 0; r < rows.size(); ++r) {
            for (size_t c = 0; c < rows[r].size(); ++c) {
                if (IsNumberText(rows[r][c]) && EmWidth(rows[r][c]) > kShortest) {
                    candidates.emplace_back(r, c);
                }
            }
        }
        if (candidates.empty()) {
            return;
        }
        const Reference<css::beans::XPropertySet> table(cells, UNO_QUERY_THROW);
        Sequence<css::text::TableColumnSeparator> separators;
        table->getPropertyValue("TableColumnSeparators") >>= separators;
        const double relativeSum =
            table->getPropertyValue("TableColumnRelativeSum").get<sal_Int16>();
        const double tableWidth = table->getPropertyValue("Width").get<sal_Int32>();
        for (const auto& [r, c] : candidates) {
            const sal_Int32 column = firstColumn + static_cast<sal_Int32>(c);
            if (column > separators.getLength()) {
                continue;
            }
            const double left = column == 0 ? 0 : separators[column - 1].Position;
            const double right =
                column == separators.getLength() ? relativeSum : separators[column].Position;
            const Reference<css::beans::XPropertySet> cell(
                cells->getCellByPosition(column, firstRow + static_cast<sal_Int32>(r)),
                UNO_QUERY_THROW);
            const double padding = cell->getPropertyValue("LeftBorderDistance").get<sal_Int32>() +
                                   cell->getPropertyValue("RightBorderDistance").get<sal_Int32>();
            const double room =
                ((right - left) / relativeSum * tableWidth - padding) * kPointsPerHmm * 0.95;
            const Reference<css::text::XText> text(cell, UNO_QUERY_THROW);
            const Reference<css::beans::XPropertySet> characters(
                text->createTextCursorByRange(text->getStart()), UNO_QUERY_THROW);
            Reference<css::text::XTextCursor>(characters, UNO_QUERY_THROW)->gotoEnd(true);
            const float size = characters->getPropertyValue("CharHeight").get<float>();
            const double needed = EmWidth(rows[r][c]) * size;
            if (needed > room && room > 0) {
                // Whole half points, as small as it takes: a number broken over two lines reads
                // as two numbers.
                const Any fitted(
                    static_cast<float>(std::max(1.0, std::floor(size * room / needed * 2) / 2)));
                for (const char* property :
                     {"CharHeight", "CharHeightAsian", "CharHeightComplex"}) {
                    characters->setPropertyValue(rtl::OUString::createFromAscii(property), fitted);
                }
            }
        }
    }

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

}  // namespace

std::shared_ptr<wb::TextDocument> MakeWriterDocument(std::shared_ptr<OfficeConnection> office,
                                                     Reference<css::frame::XModel> model,
                                                     bool locked) {
    return std::make_shared<WriterDocument>(std::move(office), std::move(model), locked);
}

}  // namespace dravik_uno
