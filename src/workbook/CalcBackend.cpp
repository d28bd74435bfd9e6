#include "workbook/CalcBackend.h"

#include "workbook/CalcUno.h"

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/NoSuchElementException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <signal.h>
#include <unistd.h>
#include <map>
#include <thread>
#include <vector>

namespace {

using namespace dravik_uno;

const QString kCalcClassName = QStringLiteral("CorlaTabb.Workbook");

// Whether the connection and the document a call goes through are still there.
struct Liveness {
    std::shared_ptr<OfficeConnection> office;
    std::shared_ptr<std::atomic<bool>> documentClosed;  // null: not tied to a document

    bool Gone() const { return !office->Alive() || (documentClosed && documentClosed->load()); }
};

// Runs one step of UNO calls and turns every UNO failure into the automation error the program
// tells apart: the office or the document gone is 462, a name the document does not have is
// 6027 (where the step looks a name up), everything else 440.
template <class Step>
auto Guarded(const Liveness& live, Step&& step) -> decltype(step()) {
    if (live.Gone()) {
        throw wb::AutomationError(wb::kErrOfficeGone, "the office or the workbook has closed");
    }
    try {
        return step();
    } catch (const css::lang::DisposedException& e) {
        throw wb::AutomationError(wb::kErrOfficeGone, Utf8(e.Message));
    } catch (const css::container::NoSuchElementException& e) {
        throw wb::AutomationError(live.Gone() ? wb::kErrOfficeGone : wb::kErrUndefinedName,
                                  Utf8(e.Message));
    } catch (const css::uno::Exception& e) {
        // A dead bridge may answer with a plain RuntimeException, a closed document with
        // anything at all.
        throw wb::AutomationError(live.Gone() ? wb::kErrOfficeGone : wb::kErrGeneral,
                                  Utf8(e.Message));
    }
}

[[noreturn]] void Undefined(const QString& what) {
    throw wb::AutomationError(wb::kErrUndefinedName, what.toStdString() + " is not defined");
}

// Watches a document for being closed (by the user or otherwise) for as long as it is held.
class DocumentWatch {
public:
    explicit DocumentWatch(Reference<css::lang::XComponent> model)
        : model_(std::move(model)), listener_(DisposeFlagListener(closed_)) {
        model_->addEventListener(listener_);
    }
    ~DocumentWatch() {
        if (!closed_->load()) {
            try {
                model_->removeEventListener(listener_);
            } catch (const css::uno::Exception&) {
                // The office went away meanwhile; nothing to unregister from.
            }
        }
    }
    DocumentWatch(const DocumentWatch&) = delete;
    DocumentWatch& operator=(const DocumentWatch&) = delete;

    const std::shared_ptr<std::atomic<bool>>& Closed() const { return closed_; }

private:
    std::shared_ptr<std::atomic<bool>> closed_ = std::make_shared<std::atomic<bool>>(false);
    Reference<css::lang::XComponent> model_;
    Reference<css::lang::XEventListener> listener_;
};

// Text that Calc's input would take as a formula. A user typing it makes a formula; a value
// handed over from a text box must stay what was typed, so that a company name such as
// =WEBSERVICE("http://x") never runs. A sign before a plain number ("-5", "+1.5E3", "-25%")
// stays a number.
bool LooksLikeFormula(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    const QChar first = text.front();
    if (first == u'=' || first == u'@') {
        return true;
    }
    if (first != u'+' && first != u'-') {
        return false;
    }
    const QString rest = text.mid(1);
    if (rest.isEmpty() ||
        !(rest.front().isDigit() || rest.front() == u'.' || rest.front() == u',')) {
        return true;
    }
    for (const QChar c : rest) {
        const bool numberChar = c.isDigit() || c == u'.' || c == u',' || c == u'\'' || c == u' ' ||
                                c == u'e' || c == u'E' || c == u'+' || c == u'-' || c == u'%';
        if (!numberChar) {
            return true;
        }
    }
    return false;
}

// What a write-out holds back in the office. While a write-out has changed a cell, the
// document's controllers stay locked: the office neither repaints nor tells its views and
// listeners about each change, and does both once when the lock goes. Formulas still recalculate,
// so a read sees every write before it.
class WriteOutHold {
public:
    explicit WriteOutHold(Reference<css::frame::XModel> model) : model_(std::move(model)) {}

    bool InWriteOut() const { return depth_ > 0; }
    // Counts the write-outs begun, so that a lookup checked in this one is not checked again.
    unsigned Serial() const { return depth_ > 0 ? serial_ : 0; }

    void Begin() {
        if (depth_++ == 0) {
            ++serial_;
        }
    }
    void End() noexcept {
        if (depth_ > 0 && --depth_ == 0) {
            Release();
        }
    }

    // Before a write that changes a cell.
    void BeforeChange() {
        if (depth_ > 0 && !held_) {
            model_->lockControllers();
            held_ = true;
        }
    }

    // The office shows every write so far; a later change in the same write-out locks again.
    void Release() noexcept {
        if (!held_) {
            return;
        }
        held_ = false;
        try {
            model_->unlockControllers();
        } catch (const css::uno::Exception&) {
            // The office or the document has gone: nothing is left locked.
        }
    }

    // A lock a write-out cut short left behind (the program was killed inside one). Calc counts
    // the locks; every one is taken off.
    static void Repair(const Reference<css::frame::XModel>& model) {
        for (int n = 0; n < 1000 && model->hasControllersLocked(); ++n) {
            model->unlockControllers();
        }
    }

private:
    Reference<css::frame::XModel> model_;
    int depth_ = 0;
    unsigned serial_ = 0;
    bool held_ = false;
};

// A range as the name or address gave it. The office hands a single cell out as a cell object,
// which is what the program's ranges are; of a larger range only the top-left cell takes part.
// The interfaces of the cell are asked for once, as each costs a round trip.
class CalcRange : public wb::Range {
public:
    CalcRange(Liveness live, std::shared_ptr<WriteOutHold> hold,
              Reference<css::table::XCellRange> cells)
        : live_(std::move(live)), hold_(std::move(hold)), cells_(std::move(cells)) {}

    // Each remote call costs a round trip to the office, so the common cases take the fewest.
    // A cell that already holds what would be entered is left alone: every change makes the
    // office recalculate and redraw what depends on the cell, which costs far more than the
    // one read that finds the change unneeded.
    void SetContents(const wb::CellValue& value) override {
        Guarded(live_, [&] {
            if (const QString* text = std::get_if<QString>(&value);
                text && !LooksLikeFormula(*text)) {
                // As typed into the cell: numbers, percentages and dates in the document's
                // locale. The cell's own input text is what typing it again would enter.
                const rtl::OUString typed = ToOU(*text);
                if (!props_.is()) {
                    props_.set(cells_, UNO_QUERY_THROW);
                }
                rtl::OUString current;
                try {
                    props_->getPropertyValue("FormulaLocal") >>= current;
                } catch (const css::beans::UnknownPropertyException&) {
                    Write(value);  // a range of several cells
                    return;
                }
                if (current == typed) {
                    return;
                }
                hold_->BeforeChange();
                props_->setPropertyValue("FormulaLocal", Any(typed));
                // A sign followed only by digits and operators ("-5-3") passes the check and
                // would be left as a formula; it is kept as typed instead.
                if (text->startsWith(u'+') || text->startsWith(u'-')) {
                    if (FirstCell()->getType() == css::table::CellContentType_FORMULA) {
                        Text()->setString(typed);
                    }
                }
                return;
            }
            Write(value);
        });
    }

    wb::CellValue CellValueOf() override {
        return Guarded(live_, [&]() -> wb::CellValue {
            // One call brings the value, or a formula's result: a number, or text (empty text
            // for an empty cell).
            if (!data_.is()) {
                data_.set(cells_, UNO_QUERY_THROW);
            }
            Sequence<Sequence<Any>> data;
            try {
                data = data_->getDataArray();
            } catch (const css::uno::RuntimeException&) {
                if (live_.Gone()) {
                    throw;
                }
                // The office refuses the array when a formula's result is an error.
                return ErrorText();
            }
            if (data.getLength() == 0 || data[0].getLength() == 0) {
                return QString();
            }
            const Any& first = data[0][0];
            double number = 0;
            if (first >>= number) {
                return number;
            }
            rtl::OUString text;
            if (first >>= text) {
                return ToQ(text);
            }
            return ErrorText();
        });
    }

private:
    const Reference<css::table::XCell>& FirstCell() {
        if (!cell_.is()) {
            cell_.set(cells_, UNO_QUERY);
            if (!cell_.is()) {
                cell_ = cells_->getCellByPosition(0, 0);
            }
        }
        return cell_;
    }

    const Reference<css::text::XTextRange>& Text() {
        if (!text_.is()) {
            text_.set(FirstCell(), UNO_QUERY_THROW);
        }
        return text_;
    }

    // A formula whose result is an error reads as the text the cell shows ("#VALUE!",
    // "Err:502"), which no caller takes for a number.
    QString ErrorText() { return ToQ(Text()->getString()); }

    void Write(const wb::CellValue& value) {
        const Reference<css::table::XCell>& cell = FirstCell();
        if (const double* number = std::get_if<double>(&value)) {
            if (cell->getType() != css::table::CellContentType_VALUE ||
                cell->getValue() != *number) {
                hold_->BeforeChange();
                cell->setValue(*number);
            }
        } else if (const bool* flag = std::get_if<bool>(&value)) {
            // Entered as Calc's own Boolean: the value 1 or 0 shown as TRUE or FALSE. The
            // English keywords, since setFormula reads its input in English whatever the
            // office's language.
            hold_->BeforeChange();
            cell->setFormula(*flag ? rtl::OUString("TRUE") : rtl::OUString("FALSE"));
        } else if (const QString& text = std::get<QString>(value); LooksLikeFormula(text)) {
            hold_->BeforeChange();
            Text()->setString(ToOU(text));
        } else {
            hold_->BeforeChange();
            Reference<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)
                ->setPropertyValue("FormulaLocal", Any(ToOU(text)));
        }
    }

    Liveness live_;
    std::shared_ptr<WriteOutHold> hold_;
    Reference<css::table::XCellRange> cells_;
    Reference<css::beans::XPropertySet> props_;
    Reference<css::sheet::XCellRangeData> data_;
    Reference<css::table::XCell> cell_;
    Reference<css::text::XTextRange> text_;
};

class CalcSheet : public wb::Sheet {
public:
    CalcSheet(Liveness live, Reference<css::frame::XModel> model,
              Reference<css::sheet::XSpreadsheet> sheet)
        : live_(std::move(live)), model_(std::move(model)), sheet_(std::move(sheet)) {}

    void TurnTo() override {
        Guarded(live_, [&] {
            const Reference<css::sheet::XSpreadsheetView> view(model_->getCurrentController(),
                                                               UNO_QUERY);
            if (!view.is()) {
                // The workbook's window has been closed.
                throw wb::AutomationError(wb::kErrOfficeGone, "the workbook has no window");
            }
            view->setActiveSheet(sheet_);
        });
    }

private:
    Liveness live_;
    Reference<css::frame::XModel> model_;
    Reference<css::sheet::XSpreadsheet> sheet_;
};

class CalcApplication;

class CalcDocument : public wb::Document, public std::enable_shared_from_this<CalcDocument> {
public:
    CalcDocument(std::shared_ptr<OfficeConnection> office, Reference<css::frame::XModel> model)
        : office_(std::move(office)),
          model_(std::move(model)),
          watch_(Reference<css::lang::XComponent>(model_, UNO_QUERY_THROW)),
          live_{office_, watch_.Closed()} {
        const Reference<css::sheet::XSpreadsheetDocument> spreadsheet(model_, UNO_QUERY_THROW);
        sheets_ = spreadsheet->getSheets();
        Reference<css::beans::XPropertySet>(model_, UNO_QUERY_THROW)
            ->getPropertyValue("NamedRanges") >>= names_;
        if (!sheets_.is() || !names_.is()) {
            throw wb::AutomationError(wb::kErrGeneral, "not a spreadsheet");
        }
        WriteOutHold::Repair(model_);
    }

    std::shared_ptr<wb::Application> ParentApplication() override;

    // Marks the empty document unmodified, so that loading the workbook into its window
    // replaces it without asking whether to save it.
    void FirstPreparatoryCall() override {
        Guarded(live_, [&] {
            Reference<css::util::XModifiable>(model_, UNO_QUERY_THROW)->setModified(false);
        });
    }

    // Makes sure the document still has its window: one closed during the start-up is reported
    // there, not later as a missing workbook.
    void SecondPreparatoryCall() override { Frame(); }

    // A range name is looked up once and kept. Before its first use in a write-out (and before
    // every use outside one) one round trip checks that the name is still defined as it was; a
    // renamed or redefined range is looked up afresh. A sheet is kept likewise, checked by its
    // name, and the cell of an address, checked by its place on the sheet.
    std::shared_ptr<wb::Range> GetRange(const QString& name) override {
        return Guarded(live_, [&]() -> std::shared_ptr<wb::Range> {
            const qsizetype colon = name.indexOf(u':');
            if (colon >= 0) {
                // "Y:E8": sheet Y, cell E8.
                const unsigned serial = hold_->Serial();
                KnownSheet& sheet = CheckedSheet(name.left(colon));
                const QString address = name.mid(colon + 1);
                if (const auto known = sheet.cells.find(address); known != sheet.cells.end()) {
                    KnownCell& cell = known->second;
                    if (serial != 0 && cell.checkedIn == serial) {
                        return cell.range;
                    }
                    // A cell moves with rows and columns put in or taken out before it; the
                    // address then means another cell.
                    const css::table::CellAddress now = cell.at->getCellAddress();
                    if (now.Column == cell.where.Column && now.Row == cell.where.Row) {
                        cell.checkedIn = serial;
                        return cell.range;
                    }
                    sheet.cells.erase(known);
                }
                Reference<css::table::XCellRange> cells;
                try {
                    cells = sheet.sheet->getCellRangeByName(ToOU(address));
                } catch (const css::uno::RuntimeException&) {
                    if (live_.Gone()) {
                        throw;
                    }
                }
                if (!cells.is()) {
                    Undefined(name);  // not a cell address
                }
                const auto range = std::make_shared<CalcRange>(live_, hold_, cells);
                // A single cell is kept; a larger range is looked up at each use.
                if (Reference<css::sheet::XCellAddressable> at(cells, UNO_QUERY); at.is()) {
                    sheet.cells[address] = KnownCell{range, at, at->getCellAddress(), serial};
                }
                return range;
            }
            const unsigned serial = hold_->Serial();
            auto known = named_.find(name);
            if (known != named_.end() && serial != 0 && known->second.checkedIn == serial) {
                return known->second.range;
            }
            if (known != named_.end()) {
                const rtl::OUString content = known->second.name->getContent();
                if (!content.isEmpty() && content == known->second.content) {
                    known->second.checkedIn = serial;
                    return known->second.range;
                }
                named_.erase(known);
            }
            // An unknown name fails with NoSuchElementException, which is 6027.
            KnownName fresh;
            names_->getByName(ToOU(name)) >>= fresh.name;
            if (!fresh.name.is()) {
                Undefined(name);
            }
            fresh.content = fresh.name->getContent();
            const Reference<css::table::XCellRange> cells =
                Reference<css::sheet::XCellRangeReferrer>(fresh.name, UNO_QUERY_THROW)
                    ->getReferredCells();
            if (!cells.is()) {
                Undefined(name);  // a name for a constant or formula, not for cells
            }
            fresh.range = std::make_shared<CalcRange>(live_, hold_, cells);
            fresh.checkedIn = serial;
            const std::shared_ptr<CalcRange> range = fresh.range;
            named_[name] = std::move(fresh);
            return range;
        });
    }

    void BeginWriteOut() override { hold_->Begin(); }
    void ShowWrites() noexcept override { hold_->Release(); }
    void EndWriteOut() noexcept override { hold_->End(); }

    std::shared_ptr<wb::Sheet> GetSheet(const QString& name) override {
        return Guarded(
            live_, [&] { return std::make_shared<CalcSheet>(live_, model_, SheetByName(name)); });
    }

    Reference<css::frame::XFrame> Frame() {
        return Guarded(live_, [&] {
            const Reference<css::frame::XController> controller = model_->getCurrentController();
            const Reference<css::frame::XFrame> frame =
                controller.is() ? controller->getFrame() : nullptr;
            if (!frame.is()) {
                throw wb::AutomationError(wb::kErrOfficeGone, "the document has no window");
            }
            return frame;
        });
    }

    const Reference<css::frame::XModel>& Model() const { return model_; }
    const Liveness& Live() const { return live_; }

private:
    struct KnownName {
        Reference<css::sheet::XNamedRange> name;
        rtl::OUString content;  // the definition the cells were looked up by
        std::shared_ptr<CalcRange> range;
        unsigned checkedIn = 0;  // the write-out that last checked it
    };
    struct KnownCell {
        std::shared_ptr<CalcRange> range;
        Reference<css::sheet::XCellAddressable> at;
        css::table::CellAddress where;  // where the address led when it was looked up
        unsigned checkedIn = 0;
    };
    struct KnownSheet {
        Reference<css::sheet::XSpreadsheet> sheet;
        Reference<css::container::XNamed> named;
        std::map<QString, KnownCell> cells;  // by address
        unsigned checkedIn = 0;
    };

    // The sheet of a "Y:E8" address, checked by its current name once per write-out.
    KnownSheet& CheckedSheet(const QString& name) {
        const unsigned serial = hold_->Serial();
        auto known = sheetsKnown_.find(name);
        if (known != sheetsKnown_.end()) {
            if (serial != 0 && known->second.checkedIn == serial) {
                return known->second;
            }
            if (known->second.named->getName() == ToOU(name)) {
                known->second.checkedIn = serial;
                return known->second;
            }
            sheetsKnown_.erase(known);
        }
        KnownSheet fresh;
        fresh.sheet = SheetByName(name);
        fresh.named.set(fresh.sheet, UNO_QUERY_THROW);
        fresh.checkedIn = serial;
        return sheetsKnown_[name] = std::move(fresh);
    }

    // An unknown sheet fails with NoSuchElementException, which is 6027.
    Reference<css::sheet::XSpreadsheet> SheetByName(const QString& name) {
        Reference<css::sheet::XSpreadsheet> sheet;
        sheets_->getByName(ToOU(name)) >>= sheet;
        if (!sheet.is()) {
            Undefined(QStringLiteral("sheet ") + name);
        }
        return sheet;
    }

    std::shared_ptr<OfficeConnection> office_;
    Reference<css::frame::XModel> model_;
    DocumentWatch watch_;
    Liveness live_;
    // Looked up once per document.
    Reference<css::sheet::XSpreadsheets> sheets_;
    Reference<css::sheet::XNamedRanges> names_;
    std::shared_ptr<WriteOutHold> hold_ = std::make_shared<WriteOutHold>(model_);
    std::map<QString, KnownName> named_;
    std::map<QString, KnownSheet> sheetsKnown_;
};

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
// through, and the workbook opens into that same window.
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

    static void CloseQuietly(const Reference<css::frame::XModel>& model) {
        const Reference<css::util::XCloseable> closeable(model, UNO_QUERY);
        if (closeable.is()) {
            closeable->close(true);
        }
    }

    std::shared_ptr<CalcDocument> document_;
};

std::shared_ptr<wb::Application> CalcDocument::ParentApplication() {
    return std::make_shared<CalcApplication>(shared_from_this());
}

class CalcSystem : public wb::System {
public:
    explicit CalcSystem(CalcOptions options) : options_(std::move(options)) {}
    ~CalcSystem() override { FinishStart(); }
    CalcSystem(const CalcSystem&) = delete;
    CalcSystem& operator=(const CalcSystem&) = delete;

    // On a thread of its own, so that the window that asked stays responsive; everything else
    // first waits for that thread, so the connection is never used by two threads at once.
    void StartInBackground() override {
        if (starter_.joinable()) {
            return;
        }
        starter_ = std::thread([this] {
            try {
                // An office that answers already is used as it is.
                const qint64 startedBefore = startedPid_;
                office_ = ConnectOrStart(options_, startedPid_);
                if (startedPid_ != startedBefore) {
                    WarmUp(*office_);
                }
            } catch (const std::exception&) {
                // NewDocument tries again and reports what fails.
            } catch (const css::uno::Exception&) {
                // The same.
            }
        });
    }

    void EndIfUnused() override {
        FinishStart();
        // A launcher that handed its request to an office already running has ended by now; a
        // launcher still running is the one of the office it started.
        if (startedPid_ <= 0 || ::kill(static_cast<pid_t>(startedPid_), 0) != 0 || !office_ ||
            !office_->Alive()) {
            return;
        }
        try {
            const Reference<css::frame::XDesktop2>& desktop = office_->Desktop();
            if (desktop->getFrames()->getCount() == 0 &&
                !desktop->getComponents()->createEnumeration()->hasMoreElements() &&
                desktop->terminate()) {
                office_.reset();
                AwaitOfficeEnd(startedPid_, kOfficeEndWait);
            }
        } catch (const css::uno::Exception&) {
            // Gone already, or going.
        }
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
    // A fresh office spends most on its first spreadsheet and its first file: one spreadsheet,
    // hidden, saved and loaded back while the splash shows leaves Continue far less to do. The
    // office holds no document afterwards.
    static void WarmUp(const OfficeConnection& office) {
        const QTemporaryDir folder;
        if (!folder.isValid()) {
            return;
        }
        const rtl::OUString url = FileUrl(folder.filePath(QStringLiteral("warm-up.ods")));
        const css::beans::PropertyValue calc8 = Property("FilterName", Any(rtl::OUString("calc8")));
        // Closed whatever happens: an office left holding it would not count as unused.
        const auto closedAfter = [](const Reference<css::lang::XComponent>& document, auto use) {
            const Reference<css::util::XCloseable> closeable(document, UNO_QUERY_THROW);
            try {
                use(document);
            } catch (...) {
                closeable->close(true);
                throw;
            }
            closeable->close(true);
        };
        closedAfter(
            office.Desktop()->loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                                   QuietLoad({Property("Hidden", Any(true))})),
            [&](const Reference<css::lang::XComponent>& made) {
                Reference<css::frame::XStorable>(made, UNO_QUERY_THROW)
                    ->storeToURL(url, Sequence<css::beans::PropertyValue>(&calc8, 1));
            });
        // Kept out of the user's recent documents.
        closedAfter(office.Desktop()->loadComponentFromURL(
                        url, "_blank", 0,
                        QuietLoad({calc8, Property("Hidden", Any(true)),
                                   Property("PickListEntry", Any(false))})),
                    [](const Reference<css::lang::XComponent>&) {});
    }

    void FinishStart() {
        if (starter_.joinable()) {
            starter_.join();
        }
    }

    // The office on the user's pipe; started when nothing answers there.
    std::shared_ptr<OfficeConnection> Office() {
        FinishStart();
        if (office_ && office_->Alive()) {
            return office_;
        }
        office_.reset();
        try {
            return office_ = ConnectOrStart(options_, startedPid_);
        } catch (const OfficeUnreachable& e) {
            throw wb::AutomationError(wb::kErrGeneral, e.what());
        }
    }

    CalcOptions options_;
    std::shared_ptr<OfficeConnection> office_;
    std::thread starter_;
    qint64 startedPid_ = 0;  // the launcher of the office this system started
};

}  // namespace

CalcOptions CalcOptions::ForUser() {
    CalcOptions options;
    const QString installed = QStringLiteral(DRAVIK_OFFICE_PROGRAM_DIR "/soffice");
    options.sofficePath = QFileInfo(installed).isExecutable()
                              ? installed
                              : QStandardPaths::findExecutable(QStringLiteral("soffice"));
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) {
        user = QString::number(getuid());
    }
    for (QChar& c : user) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128)) {
            c = u'_';
        }
    }
    // One pipe per user: a second start of the program finds the office the first one left open.
    options.pipeName = QStringLiteral("dravik_lumo_calc_") + user;
    return options;
}

std::unique_ptr<wb::System> MakeCalcSystem(const CalcOptions& options) {
    return std::make_unique<CalcSystem>(options);
}
