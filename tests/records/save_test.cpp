// Save Data: page 2's write-out first, then one record from both pages' controls in one
// transaction; database failures are reported clearly and leave neither a record nor a lost entry.

#include "RecordsPages.h"

namespace {

using Row = std::vector<std::string>;

class Save : public RecordsPagesTest {
protected:
    Save() {
        Create();
        FillPages();
    }
    void ExpectUpdated() {
        app.msg.Expect(QStringLiteral("Dravik Database Updated"), kStyleExclamation, kDb);
    }
    std::vector<Row> Records() const {
        return Query(Path(), "SELECT * FROM Details ORDER BY DravikRecordKey");
    }
};

TEST_F(Save, StoresBothPagesAsTypedWithTheBusinessTypesAndTheMoment) {
    ExpectUpdated();
    app.pages.frm02().cmdSave->click();
    EXPECT_EQ(Records(),
              (std::vector<Row>{{"Acme", "1 - Finance", " ", "2 - ERP", " ", " ", " ", "99 - Other",
                                 "1500", "1 - Vastor", "50", "10", "40", "12", "30", "1 - Required",
                                 "25000", "2026-12-08 14:30:05", "1"}}));
    // The workbook got page 2's write-out with its percent signs; the record has none.
    EXPECT_TRUE(app.book->Writes().contains(QStringLiteral("Contents DLQ5 = \"50%\"")));
}

TEST_F(Save, NoBusinessTypeOrAGreyedOneStoresSpaces) {
    page1->chkDLQ2[1]->setChecked(false);
    page1->chkDLQ2[5]->setTristate(true);
    page1->chkDLQ2[5]->setCheckState(Qt::PartiallyChecked);
    ExpectUpdated();
    SaveData(app.pages);
    const Row record = Records().at(0);
    EXPECT_EQ(Row(record.begin() + 2, record.begin() + 8), Row(6, " "));
}

TEST_F(Save, TwoSavesAppendTwoRecordsEachWithItsOwnDate) {
    ExpectUpdated();
    SaveData(app.pages);
    app.clock.Set(QDateTime(QDate(2026, 12, 9), QTime(8, 0, 1)));
    ExpectUpdated();
    SaveData(app.pages);
    const auto dates = Query(Path(), "SELECT Company, Date FROM Details ORDER BY DravikRecordKey");
    EXPECT_EQ(dates,
              (std::vector<Row>{{"Acme", "2026-12-08 14:30:05"}, {"Acme", "2026-12-09 08:00:01"}}));
}

TEST_F(Save, APage2ErrorStopsBeforeTheDatabase) {
    app.pages.frm02().txtDLQ3->clear();
    app.msg.Expect(QStringLiteral("Installed Capacity (GB) must not be left empty!"),
                   kStyleExclamation, kLumo);
    SaveData(app.pages);
    EXPECT_TRUE(Records().empty());
}

TEST_F(Save, AValueTheTableRefusesLeavesNoRecordAndKeepsTheEntry) {
    const QString longName = QString(31, QChar(0x00E9));
    page1->txtDLQ0->setText(longName);
    app.msg.Expect(QStringLiteral("\"Company Name\" can not be stored: the database holds from 1 "
                                  "to 30 characters in each field.\r\rPlease correct \"Company "
                                  "Name\" and try again."),
                   kStyleExclamation, kDb);
    SaveData(app.pages);
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(page1->txtDLQ0->text(), longName);

    // An Industry whose edit text was cleared: the empty text of the first commit never stays.
    page1->txtDLQ0->setText(QStringLiteral("Acme"));
    page1->cmbDLQ1->setEditText(QString());
    app.msg.Expect(QStringLiteral("\"Industry\" can not be stored: the database holds from 1 to 30 "
                                  "characters in each field.\r\rPlease correct \"Industry\" and "
                                  "try again."),
                   kStyleExclamation, kDb);
    SaveData(app.pages);
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(Query(Path(), "SELECT seq FROM sqlite_sequence").size(), 0u);
}

TEST_F(Save, NamesWithQuotesAndSqlAndOtherScriptsAreStoredVerbatim) {
    for (const QString& name :
         {QStringLiteral("Bob'); DROP TABLE Details;--"), QStringLiteral("\"Ünïcødé\" 株式会社 😀"),
          QStringLiteral("50% ; DELETE FROM Details")}) {
        page1->txtDLQ0->setText(name);
        ExpectUpdated();
        SaveData(app.pages);
    }
    EXPECT_EQ(Companies(Path()),
              (std::vector<std::string>{"Bob'); DROP TABLE Details;--", "\"Ünïcødé\" 株式会社 😀",
                                        "50% ; DELETE FROM Details"}));
}

TEST_F(Save, AMissingOrForeignDatabaseIsExplainedAndNotMade) {
    QFile::remove(Path());
    app.msg.Expect(QStringLiteral("The Dravik database was not found. It is expected at\r%1\r\r"
                                  "Please run dravik-create-db in the program's folder to make a "
                                  "new, empty database.")
                       .arg(Path()),
                   kStyleExclamation, kDb);
    SaveData(app.pages);
    EXPECT_FALSE(QFileInfo::exists(Path()));

    QFile garbage(Path());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("a spreadsheet, perhaps");
    garbage.close();
    app.msg.Expect(QStringLiteral("The file\r%1\ris not a Dravik database, or it is damaged. It "
                                  "was left unchanged.\r\rMove it aside, then run "
                                  "dravik-create-db in the program's folder to make a new, empty "
                                  "database.")
                       .arg(Path()),
                   kStyleExclamation, kDb);
    SaveData(app.pages);
    EXPECT_EQ(FileBytes(Path()), "a spreadsheet, perhaps");
    EXPECT_EQ(page1->txtDLQ0->text(), "Acme");
}

TEST_F(Save, ALockedDatabaseIsReportedAndTheSaveCanBeRepeated) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    app.msg.Expect(QStringLiteral("The database\r%1\ris in use by another program.\r\rClose that "
                                  "program, then try again.")
                       .arg(Path()),
                   kStyleExclamation, kDb);
    SaveData(app.pages);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ExpectUpdated();
    SaveData(app.pages);
    EXPECT_EQ(Records().size(), 1u);
}

}  // namespace
