#include "store/QueryText.h"

#include <QDate>
#include <QTest>

using namespace marking::store;

class TestQueryText : public QObject {
    Q_OBJECT
private slots:
    void programTexts_mapToBoundSql_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("settings") << "select * from ProgramSetting where P_ID"
                                  << "SELECT * FROM ProgramSetting WHERE P_ID <> 0 ORDER BY P_ID"
                                  << QVariantList{};
        QTest::newRow("settings of marking")
            << "select * from MarkingSetting"
            << "SELECT * FROM MarkingSetting ORDER BY M_ID" << QVariantList{};
        QTest::newRow("marking by key")
            << "select * from MarkingSetting where M_ID = 12"
            << "SELECT * FROM MarkingSetting WHERE M_ID = ? ORDER BY M_ID" << QVariantList{12};
        QTest::newRow("marking by method")
            << "select * from MarkingSetting where M_MarkingMethod=2"
            << "SELECT * FROM MarkingSetting WHERE M_MarkingMethod = ? ORDER BY M_ID"
            << QVariantList{2};
        QTest::newRow("work") << "select * from MarkingWork"
                              << "SELECT * FROM MarkingWork ORDER BY W_ID" << QVariantList{};
        QTest::newRow("work where key")
            << "select * from MarkingWork where W_ID"
            << "SELECT * FROM MarkingWork WHERE W_ID <> 0 ORDER BY W_ID" << QVariantList{};
        QTest::newRow("work by key")
            << "select * from MarkingWork where W_ID = 3"
            << "SELECT * FROM MarkingWork WHERE W_ID = ? ORDER BY W_ID" << QVariantList{3};
        QTest::newRow("work by key, lower case")
            << "select * from MarkingWork where w_id = 2147483647"
            << "SELECT * FROM MarkingWork WHERE W_ID = ? ORDER BY W_ID"
            << QVariantList{2147483647LL};
        QTest::newRow("work by negative key")
            << "select * from MarkingWork where W_ID = -1"
            << "SELECT * FROM MarkingWork WHERE W_ID = ? ORDER BY W_ID" << QVariantList{-1};
        QTest::newRow("carving") << "select * from CarvingWork where C_ID"
                                 << "SELECT * FROM CarvingWork WHERE C_ID <> 0 ORDER BY C_ID"
                                 << QVariantList{};
        QTest::newRow("letters") << "select * from SpecialLetter where S_ID"
                                 << "SELECT * FROM SpecialLetter WHERE S_ID <> 0 ORDER BY S_ID"
                                 << QVariantList{};
        QTest::newRow("letter by key")
            << "select * from SpecialLetter where S_ID = 51"
            << "SELECT * FROM SpecialLetter WHERE S_ID = ? ORDER BY S_ID" << QVariantList{51};
        QTest::newRow("report") << "select * from WorkReport where R_ID"
                                << "SELECT * FROM WorkReport WHERE R_ID <> 0 ORDER BY R_ID"
                                << QVariantList{};
        QTest::newRow("report by date")
            << "select * from WorkReport where  R_ID order by  R_Date"
            << "SELECT * FROM WorkReport WHERE R_ID <> 0 ORDER BY R_Date, R_ID" << QVariantList{};
        QTest::newRow("report today")
            << "select * from WorkReport Where R_Date = '2006-09-15' AND R_WorkTeam = 4"
            << "SELECT * FROM WorkReport WHERE R_Date = ? AND R_WorkTeam = ? ORDER BY R_ID"
            << QVariantList{"2006-09-15", 4};
        QTest::newRow("report range")
            << "select * from WorkReport where R_Date between #2006-9-30# and #2006-10-01#  AND "
               "R_WorkTeam = 2 order by  R_Date"
            << "SELECT * FROM WorkReport WHERE R_Date BETWEEN ? AND ? AND R_WorkTeam = ? ORDER BY "
               "R_Date, R_ID"
            << QVariantList{"2006-09-30", "2006-10-01", 2};
        QTest::newRow("report range, no team")
            << "select * from WorkReport where R_Date between #2006-09-01# and #2006-09-30#"
            << "SELECT * FROM WorkReport WHERE R_Date BETWEEN ? AND ? ORDER BY R_ID"
            << QVariantList{"2006-09-01", "2006-09-30"};
        QTest::newRow("print copy") << "select * from WorkReport"
                                    << "SELECT * FROM WorkReport ORDER BY R_ID" << QVariantList{};
    }
    void programTexts_mapToBoundSql() {
        QFETCH(QString, text);
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        const Result<MappedQuery> q = MapQueryText(text);
        QVERIFY2(q.ok(), qPrintable(q.ok() ? QString() : q.error().Text()));
        QCOMPARE(q.value().sql, sql);
        QCOMPARE(q.value().values.size(), values.size());
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(q.value().values[i].toString(), values[i].toString());
        QCOMPARE(q.value().text, text);
    }

    // The functions give the program's texts character for character, and
    // the mapping takes each of them.
    void builtTexts_areTheProgramTexts_data() {
        using namespace QueryText;
        QTest::addColumn<QString>("built");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("table");
        const QDate day(2006, 9, 5);
        const QDate last(2006, 9, 30);
        QTest::newRow("settings") << AllByKey(Table::ProgramSetting)
                                  << "select * from ProgramSetting where P_ID"
                                  << "ProgramSetting";
        QTest::newRow("marking texts")
            << All(Table::MarkingSetting) << "select * from MarkingSetting"
            << "MarkingSetting";
        QTest::newRow("marking text")
            << ByKey(Table::MarkingSetting, 12) << "select * from MarkingSetting where M_ID = 12"
            << "MarkingSetting";
        QTest::newRow("marking method")
            << MarkingSettingsOfMethod(2) << "select * from MarkingSetting where M_MarkingMethod=2"
            << "MarkingSetting";
        QTest::newRow("work") << All(Table::MarkingWork) << "select * from MarkingWork"
                              << "MarkingWork";
        QTest::newRow("work list")
            << AllByKey(Table::MarkingWork) << "select * from MarkingWork where W_ID"
            << "MarkingWork";
        QTest::newRow("one work") << ByKey(Table::MarkingWork, 12)
                                  << "select * from MarkingWork where W_ID = 12"
                                  << "MarkingWork";
        QTest::newRow("work to exchange")
            << ByLowerCaseKey(Table::MarkingWork, 7) << "select * from MarkingWork where w_id = 7"
            << "MarkingWork";
        QTest::newRow("carving") << AllByKey(Table::CarvingWork)
                                 << "select * from CarvingWork where C_ID"
                                 << "CarvingWork";
        QTest::newRow("letters") << AllByKey(Table::SpecialLetter)
                                 << "select * from SpecialLetter where S_ID"
                                 << "SpecialLetter";
        QTest::newRow("letter") << ByKey(Table::SpecialLetter, 51)
                                << "select * from SpecialLetter where S_ID = 51"
                                << "SpecialLetter";
        QTest::newRow("report") << AllByKey(Table::WorkReport)
                                << "select * from WorkReport where R_ID"
                                << "WorkReport";
        QTest::newRow("report by date")
            << WorkReportByDate() << "select * from WorkReport where  R_ID order by  R_Date"
            << "WorkReport";
        QTest::newRow("report of a day")
            << WorkReportOfDay(day, 4)
            << "select * from WorkReport Where R_Date = '2006-09-05' AND R_WorkTeam = 4"
            << "WorkReport";
        QTest::newRow("report of a range")
            << WorkReportBetween(day, last, 2)
            << "select * from WorkReport where R_Date between #2006-09-05# and #2006-09-30#  AND "
               "R_WorkTeam = 2 order by  R_Date"
            << "WorkReport";
        QTest::newRow("print copy") << All(Table::WorkReport) << "select * from WorkReport"
                                    << "WorkReport";
    }
    void builtTexts_areTheProgramTexts() {
        QFETCH(QString, built);
        QFETCH(QString, text);
        QFETCH(QString, table);
        QCOMPARE(built, text);
        const Result<MappedQuery> q = MapQueryText(built);
        QVERIFY2(q.ok(), qPrintable(q.ok() ? QString() : q.error().Text()));
        QCOMPARE(q.value().table, table);
    }

    void builtTexts_invalidDate_refused() {
        QVERIFY(!MapQueryText(QueryText::WorkReportOfDay(QDate(), 0)).ok());
        QVERIFY(!MapQueryText(QueryText::WorkReportBetween(QDate(2006, 9, 1), QDate(), 0)).ok());
    }

    void otherTexts_refused_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("delete") << "delete from MarkingWork";
        QTest::newRow("unknown table") << "select * from sqlite_master";
        QTest::newRow("table prefix") << "select * from MarkingWorkX";
        QTest::newRow("appended statement") << "select * from MarkingWork; DROP TABLE MarkingWork";
        QTest::newRow("key with condition") << "select * from MarkingWork where W_ID = 1 or 1=1";
        QTest::newRow("key not a number") << "select * from MarkingWork where W_ID = abc";
        QTest::newRow("key empty") << "select * from MarkingWork where W_ID = ";
        QTest::newRow("key of another table") << "select * from MarkingWork where M_ID";
        QTest::newRow("other column") << "select * from MarkingWork where W_Data = 'x'";
        QTest::newRow("method not a number")
            << "select * from MarkingSetting where M_MarkingMethod=0 or 1";
        QTest::newRow("date with quote")
            << "select * from WorkReport Where R_Date = '2006-09-15' OR '1'='1' AND R_WorkTeam = 0";
        QTest::newRow("not a date")
            << "select * from WorkReport Where R_Date = '2006-13-01' AND R_WorkTeam = 0";
        QTest::newRow("team not a number")
            << "select * from WorkReport Where R_Date = '2006-09-15' AND R_WorkTeam = 0 or 1=1";
        QTest::newRow("range, second not a date")
            << "select * from WorkReport where R_Date between #2006-09-01# and #2006-02-30#";
        QTest::newRow("range, trailing text")
            << "select * from WorkReport where R_Date between #2006-09-01# and #2006-09-30# "
               "; DROP TABLE WorkReport";
        QTest::newRow("range, injected team")
            << "select * from WorkReport where R_Date between #2006-09-01# and #2006-09-30#  AND "
               "R_WorkTeam = 0 OR 1=1";
    }
    void otherTexts_refused() {
        QFETCH(QString, text);
        const Result<MappedQuery> q = MapQueryText(text);
        QVERIFY(!q.ok());
        QCOMPARE(q.error().kind, StoreError::Kind::UnknownQuery);
    }

    void dateTexts_parsed_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("full") << "2006-09-15" << QDate(2006, 9, 15);
        QTest::newRow("one digit") << "2006-9-5" << QDate(2006, 9, 5);
        QTest::newRow("leap day") << "2004-02-29" << QDate(2004, 2, 29);
        QTest::newRow("no leap day") << "2005-02-29" << QDate();
        QTest::newRow("slashes") << "2006/09/15" << QDate();
        QTest::newRow("empty") << "" << QDate();
    }
    void dateTexts_parsed() {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(ParseDateText(text), date);
    }
};

QTEST_GUILESS_MAIN(TestQueryText)
#include "tst_querytext.moc"
