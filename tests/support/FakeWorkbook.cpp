#include "FakeWorkbook.h"

#include "entry/Questions.h"

namespace {

class FakeRange : public wb::Range {
public:
    FakeRange(std::shared_ptr<FakeWorkbook> book, QString name)
        : book_(std::move(book)), name_(std::move(name)) {}
    void SetContents(const wb::CellValue& value) override {
        book_->Call(QStringLiteral("Contents %1 = %2").arg(name_, FakeWorkbook::Describe(value)));
        book_->cells[name_] = value;
        if (book_->writeOutDepth > 0) {
            ++book_->unshownWrites;
        }
    }
    void SetText(const QString& text) override {
        book_->Call(QStringLiteral("Text %1 = \"%2\"").arg(name_, text));
        book_->cells[name_] = text;
        if (book_->writeOutDepth > 0) {
            ++book_->unshownWrites;
        }
    }
    wb::CellValue CellValueOf() override {
        book_->Call(QStringLiteral("cellvalue ") + name_);
        return book_->Value(name_);
    }

private:
    std::shared_ptr<FakeWorkbook> book_;
    QString name_;
};

class FakeSheet : public wb::Sheet {
public:
    FakeSheet(std::shared_ptr<FakeWorkbook> book, QString name)
        : book_(std::move(book)), name_(std::move(name)) {}
    void TurnTo() override {
        book_->Call(QStringLiteral("TurnTo ") + name_);
        book_->activeSheet = name_;
    }

private:
    std::shared_ptr<FakeWorkbook> book_;
    QString name_;
};

class FakeWindow : public wb::Window {
public:
    explicit FakeWindow(std::shared_ptr<FakeWorkbook> book) : book_(std::move(book)) {}
    void Invoke(const QString& member) override { book_->Call(QStringLiteral("Invoke ") + member); }

private:
    std::shared_ptr<FakeWorkbook> book_;
};

class FakeDocument;

class FakeApplication : public wb::Application {
public:
    explicit FakeApplication(std::shared_ptr<FakeWorkbook> book) : book_(std::move(book)) {}
    void SetVisible(bool visible) override {
        book_->Call(QStringLiteral("Visible ") + (visible ? "True" : "False"));
    }
    std::shared_ptr<wb::Window> MainWindow() override {
        book_->Call(QStringLiteral("MainWindow"));
        return std::make_shared<FakeWindow>(book_);
    }
    std::shared_ptr<wb::Document> OpenDocument(const QString& fileName, const QString& folder,
                                               const std::optional<wb::CellValue>&,
                                               const std::optional<wb::CellValue>&,
                                               bool flag) override;

private:
    std::shared_ptr<FakeWorkbook> book_;
};

class FakeDocument : public wb::Document {
public:
    explicit FakeDocument(std::shared_ptr<FakeWorkbook> book) : book_(std::move(book)) {}
    std::shared_ptr<wb::Application> ParentApplication() override {
        book_->Call(QStringLiteral("ParentApplication"));
        return std::make_shared<FakeApplication>(book_);
    }
    void FirstPreparatoryCall() override { book_->Call(QStringLiteral("FirstPreparatoryCall")); }
    void SecondPreparatoryCall() override { book_->Call(QStringLiteral("SecondPreparatoryCall")); }
    std::shared_ptr<wb::Range> GetRange(const QString& name) override {
        book_->Call(QStringLiteral("GetRange ") + name);
        if (!book_->cells.count(name) && !book_->formulas.count(name)) {
            throw wb::AutomationError(wb::kErrUndefinedName, "no range " + name.toStdString());
        }
        return std::make_shared<FakeRange>(book_, name);
    }
    std::shared_ptr<wb::Sheet> GetSheet(const QString& name) override {
        book_->Call(QStringLiteral("GetSheet ") + name);
        if (!book_->sheets.count(name)) {
            throw wb::AutomationError(wb::kErrUndefinedName, "no sheet " + name.toStdString());
        }
        return std::make_shared<FakeSheet>(book_, name);
    }
    void BeginWriteOut() override { ++book_->writeOutDepth; }
    void ShowWrites() noexcept override { book_->unshownWrites = 0; }
    void EndWriteOut() noexcept override {
        --book_->writeOutDepth;
        book_->unshownWrites = 0;
    }

private:
    std::shared_ptr<FakeWorkbook> book_;
};

std::shared_ptr<wb::Document> FakeApplication::OpenDocument(const QString& fileName,
                                                            const QString& folder,
                                                            const std::optional<wb::CellValue>&,
                                                            const std::optional<wb::CellValue>&,
                                                            bool flag) {
    book_->Call(
        QStringLiteral("OpenDocument %1|%2|%3")
            .arg(fileName, folder, flag ? QStringLiteral("True") : QStringLiteral("False")));
    if (!book_->fileExists) {
        throw wb::AutomationError(wb::kErrGeneral, "no such file");
    }
    return std::make_shared<FakeDocument>(book_);
}

}  // namespace

std::shared_ptr<FakeWorkbook> FakeWorkbook::Standard() {
    auto book = std::make_shared<FakeWorkbook>();
    book->Define(QStringLiteral("DL"));
    // Each answer's range, and each default, as plausible as a workbook would compute it.
    const std::map<QString, double> defaults{{"DL_DEF_SP", 0.35},  {"DL_DEF_RC", 0.2},
                                             {"DL_DEF_R1", 0.4},   {"DL_DEF_GR", 0.3},
                                             {"DL_DEF_OPER", 1.0}, {"DL_DEF_OUTCOST", 25000.0}};
    for (const entry::Question& question : entry::Questions()) {
        book->Define(QString::fromLatin1(question.range));
        if (const char* range = question.defaultBox.range) {
            const auto value = defaults.find(QString::fromLatin1(range));
            book->Define(QString::fromLatin1(range), value == defaults.end() ? 0.5 : value->second);
        }
    }
    book->DefineSheet(QStringLiteral("Y"));
    book->DefineSheet(QStringLiteral("TOC Overview"));
    book->activeSheet = QStringLiteral("Y");
    return book;
}

void FakeWorkbook::Define(const QString& name, const wb::CellValue& value) {
    cells[name] = value;
}

void FakeWorkbook::DefineFormula(const QString& name, std::function<wb::CellValue()> formula) {
    formulas[name] = std::move(formula);
}

void FakeWorkbook::Undefine(const QString& name) {
    cells.erase(name);
    formulas.erase(name);
}

QStringList FakeWorkbook::Entries(const QString& prefix) const {
    QStringList out;
    for (const QString& entry : log) {
        if (entry.startsWith(prefix)) {
            out << entry;
        }
    }
    return out;
}

QStringList FakeWorkbook::Writes() const {
    QStringList out;
    for (const QString& entry : log) {
        if (entry.startsWith(QLatin1String("Contents ")) ||
            entry.startsWith(QLatin1String("Text "))) {
            out << entry;
        }
    }
    return out;
}

wb::CellValue FakeWorkbook::Value(const QString& name) const {
    if (auto f = formulas.find(name); f != formulas.end()) {
        return f->second();
    }
    auto c = cells.find(name);
    return c == cells.end() ? wb::CellValue(QString()) : c->second;
}

void FakeWorkbook::Call(const QString& entry) {
    log << entry;
    if (gone) {
        throw wb::AutomationError(wb::kErrOfficeGone, "office gone");
    }
    for (const auto& [prefix, number] : failures) {
        if (entry.startsWith(prefix)) {
            throw wb::AutomationError(number, "scripted failure at " + entry.toStdString());
        }
    }
}

QString FakeWorkbook::Describe(const wb::CellValue& value) {
    if (const double* number = std::get_if<double>(&value)) {
        return QString::number(*number, 'g', 15);
    }
    if (const bool* flag = std::get_if<bool>(&value)) {
        return *flag ? QStringLiteral("True") : QStringLiteral("False");
    }
    return QLatin1Char('"') + std::get<QString>(value) + QLatin1Char('"');
}

std::shared_ptr<wb::Document> OpenFake(std::shared_ptr<FakeWorkbook> book) {
    return std::make_shared<FakeDocument>(std::move(book));
}

std::shared_ptr<wb::Document> FakeAutomation::NewDocument(const QString& className) {
    book_->Call(QStringLiteral("NewDocument ") + className);
    return std::make_shared<FakeDocument>(book_);
}

namespace {

QString Hidden(bool hidden) {
    return hidden ? QStringLiteral("hidden") : QStringLiteral("shown");
}

class FakeShownWorkbook : public wb::ShownWorkbook {
public:
    FakeShownWorkbook(std::shared_ptr<FakeWorkbook> book, FakeReportOffice& office)
        : book_(std::move(book)), office_(office) {}
    QString SheetOf(const QString& name) override {
        book_->Call(QStringLiteral("SheetOf ") + name);
        if (!office_.shown.count(name)) {
            return QString();
        }
        const auto sheet = office_.sheetOf.find(name);
        return sheet == office_.sheetOf.end() ? QStringLiteral("Report") : sheet->second;
    }
    wb::ShownTable ShownRange(const QString& name) override {
        book_->Call(QStringLiteral("ShownRange ") + name);
        const auto range = office_.shown.find(name);
        if (range == office_.shown.end()) {
            throw wb::AutomationError(wb::kErrUndefinedName, "no range " + name.toStdString());
        }
        wb::ShownTable read = range->second;
        if (office_.whileReading) {
            office_.whileReading(name);
        }
        return read;
    }
    void TurnTo(const QString& sheet) override { book_->Call(QStringLiteral("TurnTo ") + sheet); }
    void Release() override { book_->Call(QStringLiteral("ReleaseWorkbook")); }

private:
    std::shared_ptr<FakeWorkbook> book_;
    FakeReportOffice& office_;
};

class FakeTextDocument : public wb::TextDocument {
public:
    FakeTextDocument(std::shared_ptr<FakeWorkbook> book, QByteArray pdf)
        : book_(std::move(book)), pdf_(std::move(pdf)) {}
    void SetTitle(const QString& title) override {
        book_->Call(QStringLiteral("Title = ") + title);
    }
    void SetBookmarkText(const QString& bookmark, const QString& text) override {
        book_->Call(QStringLiteral("Bookmark %1 = %2").arg(bookmark, text));
    }
    void FillTable(const QString& table, int firstRow, int firstColumn,
                   const std::vector<std::vector<QString>>& rows) override {
        QStringList lines;
        for (const std::vector<QString>& row : rows) {
            lines << QStringList(row.begin(), row.end()).join(u'|');
        }
        book_->Call(QStringLiteral("Table %1 %2,%3 = %4")
                        .arg(table)
                        .arg(firstRow)
                        .arg(firstColumn)
                        .arg(lines.join(u';')));
    }
    void SetChartData(const QString& chart, const std::vector<QString>& categories,
                      const std::vector<QString>&, const std::vector<std::vector<double>>&,
                      double) override {
        book_->Call(QStringLiteral("Chart %1 = %2")
                        .arg(chart, QStringList(categories.begin(), categories.end()).join(u'|')));
    }
    void Show() override { book_->Call(QStringLiteral("Show")); }
    QByteArray ExportPdf() override {
        book_->Call(QStringLiteral("ExportPdf"));
        return pdf_;
    }
    void Close() override { book_->log << QStringLiteral("Close"); }  // never fails

private:
    std::shared_ptr<FakeWorkbook> book_;
    QByteArray pdf_;
};

}  // namespace

void FakeReportOffice::FillReportSheet() {
    const auto text = [](const char* t) { return wb::ShownCell{QString::fromUtf8(t), {}}; };
    const auto number = [](const char* t, double n) {
        return wb::ShownCell{QString::fromUtf8(t), n};
    };
    shown[QStringLiteral("RPT_COPIED")] = {{number("2026-12-08 14:30", 46364.6042)}};
    shown[QStringLiteral("RPT_CUSTOMER")] = {{text("Acme Storage")}};
    shown[QStringLiteral("RPT_INDUSTRY")] = {{text("1 - Finance")}};
    shown[QStringLiteral("RPT_BUSINESS")] = {{text("ERP")}};
    shown[QStringLiteral("RPT_SERVER")] = {{text("2 - Open")}};
    wb::ShownTable answers(
        8, {text("Answer"), number("10.0%", 0.1), number("12.5%", 0.125), number("10.0%", 0.1)});
    answers[6] = {text("Continuous operation (1 = required)"), number("0", 0), number("1", 1),
                  number("0", 0)};
    shown[QStringLiteral("RPT_ANSWERS")] = answers;
    wb::ShownTable capacity;
    for (int year = 0; year < 4; ++year) {
        capacity.push_back({wb::ShownCell{QStringLiteral("Year %1").arg(year), {}},
                            number("1,500", 1500), number("2,100", 2100), number("150", 150),
                            number("300", 300), number("300", 300)});
    }
    shown[QStringLiteral("RPT_CAPACITY")] = capacity;
    wb::ShownTable costs(
        7, {text("Primary storage"), number("$3.00", 3), text("per GB"), number("$4,500", 4500)});
    costs.push_back({text("Outage, otherwise"), number("16", 16), text("hours a year"), text("")});
    costs.push_back({text("Downtime at the outage cost"), number("16", 16), text("hours a year"),
                     number("$1,200,000", 1200000)});
    shown[QStringLiteral("RPT_COSTS")] = costs;
    shown[QStringLiteral("RPT_TOTAL")] = {{number("$1,231,500", 1231500)}};
}

std::shared_ptr<wb::ShownWorkbook> FakeReportOffice::TakeWorkbook(const QString& path,
                                                                  bool hidden) {
    book_->Call(QStringLiteral("TakeWorkbook %1 %2").arg(path, Hidden(hidden)));
    if (!book_->fileExists) {
        throw wb::AutomationError(wb::kErrFileNotFound, "no such file");
    }
    return std::make_shared<FakeShownWorkbook>(book_, *this);
}

std::shared_ptr<wb::TextDocument> FakeReportOffice::NewFromTemplate(const QString& path,
                                                                    bool hidden) {
    book_->Call(QStringLiteral("NewFromTemplate %1 %2").arg(path, Hidden(hidden)));
    return std::make_shared<FakeTextDocument>(book_, pdf);
}
