#pragma once
// The Calc backend's workbook: the document with the names it has looked up, its ranges and the
// hold a write-out keeps on the office. Included by the backend's own .cpp files only.

#include "workbook/calc/CalcUno.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <map>

namespace dravik_uno {

[[noreturn]] void Undefined(const QString& what);

// Watches a document for being closed (by the user or otherwise) for as long as it is held.
class DocumentWatch {
public:
    explicit DocumentWatch(Reference<css::lang::XComponent> model);
    ~DocumentWatch();
    DocumentWatch(const DocumentWatch&) = delete;
    DocumentWatch& operator=(const DocumentWatch&) = delete;

    const std::shared_ptr<std::atomic<bool>>& Closed() const { return closed_; }

private:
    std::shared_ptr<std::atomic<bool>> closed_ = std::make_shared<std::atomic<bool>>(false);
    Reference<css::lang::XComponent> model_;
    Reference<css::lang::XEventListener> listener_;
};

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

    void Begin();
    void End() noexcept;
    // Before a write that changes a cell.
    void BeforeChange();
    // The office shows every write so far; a later change in the same write-out locks again.
    void Release() noexcept;

    // A lock a write-out cut short left behind (the program was killed inside one). Calc counts
    // the locks; every one is taken off.
    static void Repair(const Reference<css::frame::XModel>& model);

private:
    Reference<css::frame::XModel> model_;
    int depth_ = 0;
    unsigned serial_ = 0;
    bool held_ = false;
};

// Text that Calc's input would take as a formula (the cell-entry rules).
bool LooksLikeFormula(const QString& text);

// A range as the name or address gave it. The office hands a single cell out as a cell object,
// which is what the program's ranges are; of a larger range only the top-left cell takes part.
// The interfaces of the cell are asked for once, as each costs a round trip.
class CalcRange : public wb::Range {
public:
    CalcRange(Liveness live, std::shared_ptr<WriteOutHold> hold,
              Reference<css::table::XCellRange> cells)
        : live_(std::move(live)), hold_(std::move(hold)), cells_(std::move(cells)) {}

    void SetContents(const wb::CellValue& value) override;
    void SetText(const QString& text) override;
    wb::CellValue CellValueOf() override;

private:
    const Reference<css::table::XCell>& FirstCell();
    const Reference<css::text::XTextRange>& Text();
    // A formula whose result is an error reads as the text the cell shows ("#VALUE!",
    // "Err:502"), which no caller takes for a number.
    QString ErrorText() { return ToQ(Text()->getString()); }
    void Write(const wb::CellValue& value);

    Liveness live_;
    std::shared_ptr<WriteOutHold> hold_;
    Reference<css::table::XCellRange> cells_;
    Reference<css::beans::XPropertySet> props_;
    Reference<css::sheet::XCellRangeData> data_;
    Reference<css::table::XCell> cell_;
    Reference<css::text::XTextRange> text_;
};

class CalcDocument : public wb::Document, public std::enable_shared_from_this<CalcDocument> {
public:
    CalcDocument(std::shared_ptr<OfficeConnection> office, Reference<css::frame::XModel> model);

    std::shared_ptr<wb::Application> ParentApplication() override;
    void FirstPreparatoryCall() override;
    void SecondPreparatoryCall() override;
    std::shared_ptr<wb::Range> GetRange(const QString& name) override;
    std::shared_ptr<wb::Sheet> GetSheet(const QString& name) override;

    void BeginWriteOut() override { hold_->Begin(); }
    void ShowWrites() noexcept override { hold_->Release(); }
    void EndWriteOut() noexcept override { hold_->End(); }

    // The window the document shows in; 462 when it has none.
    Reference<css::frame::XFrame> Frame();
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

    std::shared_ptr<wb::Range> CellAt(const QString& sheetName, const QString& address);
    std::shared_ptr<wb::Range> Named(const QString& name);
    KnownSheet& CheckedSheet(const QString& name);
    Reference<css::sheet::XSpreadsheet> SheetByName(const QString& name);

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

// The office as the program sees it, reached through the document: its window is the document's.
std::shared_ptr<wb::Application> MakeCalcApplication(std::shared_ptr<CalcDocument> document);

}  // namespace dravik_uno
