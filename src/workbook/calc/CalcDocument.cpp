#include "workbook/calc/CalcDocument.h"

#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/util/XModifiable.hpp>

namespace dravik_uno {

void Undefined(const QString& what) {
    throw wb::AutomationError(wb::kErrUndefinedName, what.toStdString() + " is not defined");
}

DocumentWatch::DocumentWatch(Reference<css::lang::XComponent> model)
    : model_(std::move(model)), listener_(DisposeFlagListener(closed_)) {
    model_->addEventListener(listener_);
}

DocumentWatch::~DocumentWatch() {
    if (!closed_->load()) {
        try {
            model_->removeEventListener(listener_);
        } catch (const css::uno::Exception&) {
            // The office went away meanwhile; nothing to unregister from.
        }
    }
}

void WriteOutHold::Begin() {
    if (depth_++ == 0) {
        ++serial_;
    }
}

void WriteOutHold::End() noexcept {
    if (depth_ > 0 && --depth_ == 0) {
        Release();
    }
}

void WriteOutHold::BeforeChange() {
    if (depth_ > 0 && !held_) {
        model_->lockControllers();
        held_ = true;
    }
}

void WriteOutHold::Release() noexcept {
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

void WriteOutHold::Repair(const Reference<css::frame::XModel>& model) {
    for (int n = 0; n < 1000 && model->hasControllersLocked(); ++n) {
        model->unlockControllers();
    }
}

namespace {

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

}  // namespace

CalcDocument::CalcDocument(std::shared_ptr<OfficeConnection> office,
                           Reference<css::frame::XModel> model)
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

std::shared_ptr<wb::Application> CalcDocument::ParentApplication() {
    return MakeCalcApplication(shared_from_this());
}

// Marks the empty document unmodified, so that loading the workbook into its window replaces it
// without asking whether to save it.
void CalcDocument::FirstPreparatoryCall() {
    Guarded(live_, [&] {
        Reference<css::util::XModifiable>(model_, UNO_QUERY_THROW)->setModified(false);
    });
}

// Makes sure the document still has its window: one closed during the start-up is reported there,
// not later as a missing workbook.
void CalcDocument::SecondPreparatoryCall() {
    Frame();
}

// A range name is looked up once and kept. Before its first use in a write-out (and before every
// use outside one) one round trip checks that the name is still defined as it was; a renamed or
// redefined range is looked up afresh. A sheet is kept likewise, checked by its name, and the cell
// of an address, checked by its place on the sheet.
std::shared_ptr<wb::Range> CalcDocument::GetRange(const QString& name) {
    return Guarded(live_, [&]() -> std::shared_ptr<wb::Range> {
        // "Y:E8": sheet Y, cell E8.
        const qsizetype colon = name.indexOf(u':');
        return colon >= 0 ? CellAt(name.left(colon), name.mid(colon + 1)) : Named(name);
    });
}

std::shared_ptr<wb::Range> CalcDocument::CellAt(const QString& sheetName, const QString& address) {
    const unsigned serial = hold_->Serial();
    KnownSheet& sheet = CheckedSheet(sheetName);
    if (const auto known = sheet.cells.find(address); known != sheet.cells.end()) {
        KnownCell& cell = known->second;
        if (serial != 0 && cell.checkedIn == serial) {
            return cell.range;
        }
        // A cell moves with rows and columns put in or taken out before it; the address then
        // means another cell.
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
        Undefined(sheetName + u':' + address);  // not a cell address
    }
    const auto range = std::make_shared<CalcRange>(live_, hold_, cells);
    // A single cell is kept; a larger range is looked up at each use.
    if (Reference<css::sheet::XCellAddressable> at(cells, UNO_QUERY); at.is()) {
        sheet.cells[address] = KnownCell{range, at, at->getCellAddress(), serial};
    }
    return range;
}

std::shared_ptr<wb::Range> CalcDocument::Named(const QString& name) {
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
        Reference<css::sheet::XCellRangeReferrer>(fresh.name, UNO_QUERY_THROW)->getReferredCells();
    if (!cells.is()) {
        Undefined(name);  // a name for a constant or formula, not for cells
    }
    fresh.range = std::make_shared<CalcRange>(live_, hold_, cells);
    fresh.checkedIn = serial;
    const std::shared_ptr<CalcRange> range = fresh.range;
    named_[name] = std::move(fresh);
    return range;
}

std::shared_ptr<wb::Sheet> CalcDocument::GetSheet(const QString& name) {
    return Guarded(live_,
                   [&] { return std::make_shared<CalcSheet>(live_, model_, SheetByName(name)); });
}

Reference<css::frame::XFrame> CalcDocument::Frame() {
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

// The sheet of a "Y:E8" address, checked by its current name once per write-out.
CalcDocument::KnownSheet& CalcDocument::CheckedSheet(const QString& name) {
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
Reference<css::sheet::XSpreadsheet> CalcDocument::SheetByName(const QString& name) {
    Reference<css::sheet::XSpreadsheet> sheet;
    sheets_->getByName(ToOU(name)) >>= sheet;
    if (!sheet.is()) {
        Undefined(QStringLiteral("sheet ") + name);
    }
    return sheet;
}

}  // namespace dravik_uno
