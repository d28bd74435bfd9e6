// The cell-entry rules: how a value reaches a cell as a user typing it would enter it, and how a
// cell's value comes back.

#include "workbook/calc/CalcDocument.h"

#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/table/CellContentType.hpp>

namespace dravik_uno {

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

// Each remote call costs a round trip to the office, so the common cases take the fewest.
// A cell that already holds what would be entered is left alone: every change makes the
// office recalculate and redraw what depends on the cell, which costs far more than the
// one read that finds the change unneeded.
void CalcRange::SetContents(const wb::CellValue& value) {
    Guarded(live_, [&] {
        if (const QString* text = std::get_if<QString>(&value); text && !LooksLikeFormula(*text)) {
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

void CalcRange::SetText(const QString& text) {
    Guarded(live_, [&] {
        const rtl::OUString wanted = ToOU(text);
        if (FirstCell()->getType() == css::table::CellContentType_TEXT &&
            Text()->getString() == wanted) {
            return;
        }
        hold_->BeforeChange();
        Text()->setString(wanted);
    });
}

wb::CellValue CalcRange::CellValueOf() {
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

const Reference<css::table::XCell>& CalcRange::FirstCell() {
    if (!cell_.is()) {
        cell_.set(cells_, UNO_QUERY);
        if (!cell_.is()) {
            cell_ = cells_->getCellByPosition(0, 0);
        }
    }
    return cell_;
}

const Reference<css::text::XTextRange>& CalcRange::Text() {
    if (!text_.is()) {
        text_.set(FirstCell(), UNO_QUERY_THROW);
    }
    return text_;
}

void CalcRange::Write(const wb::CellValue& value) {
    const Reference<css::table::XCell>& cell = FirstCell();
    if (const double* number = std::get_if<double>(&value)) {
        if (cell->getType() != css::table::CellContentType_VALUE || cell->getValue() != *number) {
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

}  // namespace dravik_uno
