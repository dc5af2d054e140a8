#include "../ReportTestSupport.h"
#include "ScreenTablesCheck.h"
#include "WorkReportTestSupport.h"

#include "common/MessagePort.h"
#include "common/SettingsStore.h"
#include "report/preview/ReportPreviewWindow.h"
#include "shell/MFomMain.h"
#include "shell/StartUp.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>

using namespace marking;
using namespace marking::report;
using namespace reportscreen;

namespace {

const QString kNothingFound = QStringLiteral("검색 조건에 맞는 리포트 데이터가 존재하지 않습니다.");

// A connection of the test's own to a file, to alter it behind the store's back.
struct RawFile {
    QString name;
    QSqlDatabase db;
    explicit RawFile(const QString& path)
        : name(QStringLiteral("raw-") + path) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    bool exec(const QString& sql) { return QSqlQuery(db).exec(sql); }
    ~RawFile() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
};

// Picks a date into the start or end lists: "2006-9-30" or a leading part
// of it ("2006", "2006-9").
void pickDate(FomWorkReport& s, bool start, const QString& date) {
    if (date.isEmpty())
        return;
    const QStringList parts = date.split(u'-');
    QComboBox* lists[] = {start ? s.CboStartYear : s.CboEndYear,
                          start ? s.CboStartMonth : s.CboEndMonth,
                          start ? s.CboStartDay : s.CboEndDay};
    for (int i = 0; i < parts.size(); ++i)
        Pick(lists[i], parts[i]);
}

} // namespace

class TestWorkReport : public QObject {
    Q_OBJECT
    SettingsDir settings_;
    ScriptedMessagePort port_;
    std::unique_ptr<StationDir> dir_;
    QString pdf_; // what the preview saved last

    QStringList messages() const {
        QStringList out;
        for (const auto& m : port_.Messages())
            out << m.text;
        return out;
    }
    // Prints the listed rows; the operator saves a PDF from the preview
    // (save) or closes it.
    void print(Screen& s, bool deleteAfter, bool save) {
        s->CboPrintData->setCurrentIndex(deleteAfter ? 1 : 0);
        pdf_ = dir_->file(QStringLiteral("printed.pdf"));
        QFile::remove(pdf_);
        FomWorkReport::SetPreviewRunner([this, save](ReportPreviewWindow& w) {
            QCOMPARE(dir_->Data(store::DatabaseFile::Print).size(), w.Document().RowCount());
            w.SetPdfPathChooser([this](QWidget*, const QString&) { return pdf_; });
            if (save)
                w.ScmdSavePdf->click();
        });
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F8);
        FomWorkReport::SetPreviewRunner({});
    }

private slots:
    void initTestCase() { SetMessagePort(&port_); }
    void cleanupTestCase() { SetMessagePort(nullptr); }
    void init() {
        port_.Clear();
        port_.SetDefaultAnswer(Answer::No);
        store::Connection::SetDefaultBusyTimeout(2000);
        dir_ = std::make_unique<StationDir>();
    }

    void screen_tablesYearsAndLoadState() {
        Screen s;
        screentest::CheckScreenTables(s->Form());
        QCOMPARE(s->windowTitle(), QStringLiteral("작업현황 리포트(ORVEL 소경 4호기)"));
        QCOMPARE(s->CboStartYear->itemText(0), QStringLiteral("2003"));
        const QString next = QString::number(QDate::currentDate().year() + 1);
        QCOMPARE(s->CboEndYear->itemText(s->CboEndYear->count() - 1), next);
        QCOMPARE(s->CboStartYear->currentIndex(), -1);
        QVERIFY(s->CboStartYear->isEnabled());
        for (QComboBox* l :
             {s->CboStartMonth, s->CboStartDay, s->CboEndYear, s->CboEndMonth, s->CboEndDay})
            QVERIFY2(!l->isEnabled(), qPrintable(l->objectName()));
        QVERIFY(!s->LblCentralDelivery->isVisibleTo(&s.screen)); // central reporting off

        // The date range shows the date group with its unit labels.
        s->CboSearchMethod->setCurrentIndex(1);
        QVERIFY(s->CboStartYear->hasFocus());
        for (const char* name : {"SpanStartDate", "LblStartYear", "LblEndDay"})
            QVERIFY2(s->findChild<QLabel*>(name)->isVisible(), name);
        s->CboSearchMethod->setCurrentIndex(0);
        QVERIFY(!s->findChild<QLabel*>("LblEndDay")->isVisible());
    }

    void dateLists_daysOfTheMonth_data() {
        QTest::addColumn<QString>("date"); // year-month picked
        QTest::addColumn<int>("days");
        QTest::newRow("February 2008") << "2008-2" << 29;
        QTest::newRow("February 2007") << "2007-2" << 28;
        QTest::newRow("September") << "2006-9" << 30;
        QTest::newRow("October") << "2006-10" << 31;
    }
    void dateLists_daysOfTheMonth() {
        QFETCH(QString, date);
        QFETCH(int, days);
        Screen s;
        s->CboSearchMethod->setCurrentIndex(1);
        pickDate(s.screen, true, date);
        QCOMPARE(s->CboStartDay->count(), days);
        QCOMPARE(s->CboStartDay->itemText(days - 1), QString::number(days));
        Pick(s->CboStartDay, "1");
        QVERIFY(s->CboEndYear->isEnabled());
        pickDate(s.screen, false, date);
        QCOMPARE(s->CboEndDay->count(), days);
        // Picking the start year again refills the months: twelve, none picked.
        Pick(s->CboStartYear, "2006");
        Pick(s->CboStartYear, "2006");
        QCOMPARE(s->CboStartMonth->count(), 12);
        QCOMPARE(s->CboStartMonth->currentIndex(), -1);
    }

    void dateRange_checksInOrder_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<QString>("focus");
        QTest::newRow("no start year") << ""
                                       << ""
                                       << "시작일자 년도를 선택 하십시요."
                                       << "CboStartYear";
        QTest::newRow("no start month") << "2006"
                                        << ""
                                        << "시작일자 월을 선택 하십시요."
                                        << "CboStartMonth";
        QTest::newRow("no start day") << "2006-9"
                                      << ""
                                      << "시작일자 일을 선택 하십시요."
                                      << "CboStartDay";
        QTest::newRow("no end year") << "2006-9-30"
                                     << ""
                                     << "종료일자 년도를 선택 하십시요."
                                     << "CboEndYear";
        QTest::newRow("no end month") << "2006-9-30"
                                      << "2006"
                                      << "종료일자 월을 선택 하십시요."
                                      << "CboEndMonth";
        QTest::newRow("no end day") << "2006-9-30"
                                    << "2006-10"
                                    << "종료일자 일을 선택 하십시요."
                                    << "CboEndDay";
        QTest::newRow("start year after end year")
            << "2007-1-1"
            << "2006-12-31"
            << "시작일자 년도가 종료일자 년도보다 클 수 없습니다."
            << "CboEndYear";
        QTest::newRow("start month after end month")
            << "2006-10-1"
            << "2006-9-30"
            << "종료일자 설정일 보다 시작일자 설정일이 클 수 없습니다."
            << "CboEndMonth";
        QTest::newRow("start day after end day")
            << "2006-5-20"
            << "2006-5-3"
            << "종료일자 설정일 보다 시작일자 설정일이 클 수 없습니다."
            << "CboEndMonth";
        QTest::newRow("9 before 10 as numbers") << "2006-9-30"
                                                << "2006-10-1"
                                                << ""
                                                << "";
    }
    void dateRange_checksInOrder() {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        dir_->Add({2006, 9, 29}, 3, 1, "BEFORE");
        dir_->Add({2006, 9, 30}, 3, 1, "FIRST");
        dir_->Add({2006, 10, 1}, 3, 1, "LAST");
        dir_->Add({2006, 10, 1}, 2, 1, "OTHER TEAM");
        dir_->Add({2006, 10, 2}, 3, 1, "AFTER");
        Screen s;
        s->CboSearchMethod->setCurrentIndex(1);
        pickDate(s.screen, true, start);
        pickDate(s.screen, false, end);
        s->CboWorkTeam->setCurrentIndex(3);
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F6);
        if (message.isEmpty()) {
            QCOMPARE(messages(), QStringList());
            QCOMPARE(s.Column(4), (QStringList{"FIRST1", "LAST1"}));
            QCOMPARE(s.Column(2), (QStringList{"D   조", "D   조"}));
            return;
        }
        QCOMPARE(messages(), QStringList{message});
        QCOMPARE(port_.Messages().first().title, QStringLiteral("입력 확인!"));
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(s->Grid().Rows(), 1);
    }

    void search_todayAllRecordsAndNothingFound() {
        const QDate today = QDate::currentDate();
        dir_->Add(today, 3, 2, "TODAY D");
        dir_->Add(today, 0, 1, "TODAY A");
        dir_->Add(today.addDays(-400), 3, 1, "OLD D");
        Screen s;
        s->CboWorkTeam->setCurrentIndex(3);
        QTest::keyClick(s->CboSearchMethod, Qt::Key_F6);
        QCOMPARE(s.Column(4), (QStringList{"TODAY D1", "TODAY D2"}));
        QCOMPARE(s.Column(0), (QStringList{"1", "2"}));
        QCOMPARE(s.Column(2).first(), QStringLiteral("D   조"));
        QCOMPARE(s.Column(1).first(), store::DateText(today));
        QCOMPARE(s->FlxWorkReport->columnCount(), 8);

        QTest::keyClick(s->CboSearchMethod, Qt::Key_F9); // all, by date
        QCOMPARE(s.Column(4), (QStringList{"OLD D1", "TODAY D1", "TODAY D2", "TODAY A1"}));

        s->CboWorkTeam->setCurrentIndex(1);
        QTest::keyClick(s->CboSearchMethod, Qt::Key_F6);
        QCOMPARE(messages(), QStringList{kNothingFound});
        QCOMPARE(s->Grid().Rows(), 1);

        // A code other than 0..4 leaves the team cell empty, and so do an
        // empty length and count.
        {
            RawFile raw(dir_->file("Report.mdb"));
            QVERIFY(raw.exec("UPDATE WorkReport SET R_WorkTeam = 7, R_Length = NULL, "
                             "R_WorkVolume = NULL WHERE R_Data = 'OLD D1'"));
            QVERIFY(raw.exec("DELETE FROM WorkReport WHERE R_Data <> 'OLD D1'"));
        }
        QTest::keyClick(s->CboSearchMethod, Qt::Key_F9);
        QCOMPARE(s.Column(2) + s.Column(5) + s.Column(6), (QStringList{"", "", ""}));
        {
            RawFile raw(dir_->file("Report.mdb"));
            QVERIFY(raw.exec("DELETE FROM WorkReport"));
        }
        port_.Clear();
        QTest::keyClick(s->CboSearchMethod, Qt::Key_F9);
        QCOMPARE(messages(), QStringList{"리포트 데이터가 존재하지 않습니다."});
    }

    void print_copyPreviewDeleteAndPrintMdbEmptied_data() {
        QTest::addColumn<bool>("deleteAfter");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QStringList>("remaining"); // Report.mdb afterwards
        QTest::addColumn<int>("gridRows");
        const QStringList all{"LISTED1", "LISTED2", "EMPTY1", "OTHER1"};
        QTest::newRow("keep") << false << true << all << 4;
        QTest::newRow("delete") << true << true << QStringList{"OTHER1"} << 1;
        QTest::newRow("delete, preview closed unprinted") << true << false << all << 4;
    }
    void print_copyPreviewDeleteAndPrintMdbEmptied() {
        QFETCH(bool, deleteAfter);
        QFETCH(bool, saved);
        QFETCH(QStringList, remaining);
        QFETCH(int, gridRows);
        const QDate today = QDate::currentDate();
        dir_->Add(today, 3, 2, "LISTED", 7);
        dir_->Add(today, 3, 1, "EMPTY");
        dir_->Add(today, 1, 1, "OTHER");
        {
            RawFile raw(dir_->file("Report.mdb"));
            QVERIFY(raw.exec("UPDATE WorkReport SET R_WorkVolume = NULL WHERE R_Data = 'EMPTY1'"));
        }
        Screen s;
        s->CboWorkTeam->setCurrentIndex(3);
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F6);
        print(s, deleteAfter, saved);
        QCOMPARE(dir_->Data(), remaining);
        QCOMPARE(s->Grid().Rows(), gridRows);
        QCOMPARE(dir_->Data(store::DatabaseFile::Print), QStringList());
        QCOMPARE(QFile::exists(pdf_), saved);
        if (saved) {
            const QString text = reporttest::PdfText(pdf_);
            QVERIFY2(text.contains("LISTED2") && text.contains("D 조"), qPrintable(text));
            QVERIFY2(!text.contains("OTHER1"), qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("합계: 14 본 (2건)")), qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("숫자가 아닌 행: 1건")), qPrintable(text));
        }
        QCOMPARE(port_.Messages().size(), saved ? 1 : (deleteAfter ? 1 : 0)); // saved / not deleted
    }

    void print_faultyLayout_nothingWrittenNothingDeleted() {
        dir_->Add(QDate::currentDate(), 0, 2, "KEEP");
        QFile layout(dir_->file("WorkReport.rpt"));
        QVERIFY(layout.open(QIODevice::WriteOnly | QIODevice::Truncate));
        layout.write("format = 1\ntitle = x\ncolumn = 5 | NO | R_NO\ncolumn = 5 | ? | R_Nothing\n");
        layout.close();
        Screen s;
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F6);
        bool previewed = false;
        FomWorkReport::SetPreviewRunner([&](ReportPreviewWindow&) { previewed = true; });
        s->CboPrintData->setCurrentIndex(1);
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F8);
        FomWorkReport::SetPreviewRunner({});
        QVERIFY(!previewed);
        QCOMPARE(messages().size(), 1);
        QVERIFY2(messages().first().contains("WorkReport.rpt 4행"), qPrintable(messages().first()));
        QCOMPARE(dir_->Data(), (QStringList{"KEEP1", "KEEP2"}));
        QCOMPARE(dir_->Data(store::DatabaseFile::Print), QStringList());
        QCOMPARE(s->Grid().Rows(), 3);
    }

    void delete_askedListedOnlyAllOrNothing_data() {
        QTest::addColumn<QString>("fault"); // "", "no", "locked", "part-way"
        QTest::addColumn<QStringList>("remaining");
        QTest::newRow("yes") << "" << QStringList{"OTHER1"};
        QTest::newRow("no") << "no" << QStringList{"LISTED1", "LISTED2", "LISTED3", "OTHER1"};
        QTest::newRow("Report.mdb locked")
            << "locked" << QStringList{"LISTED1", "LISTED2", "LISTED3", "OTHER1"};
        QTest::newRow("fails part-way")
            << "part-way" << QStringList{"LISTED1", "LISTED2", "LISTED3", "OTHER1"};
    }
    void delete_askedListedOnlyAllOrNothing() {
        QFETCH(QString, fault);
        QFETCH(QStringList, remaining);
        const QList<qint64> keys = dir_->Add(QDate::currentDate(), 0, 3, "LISTED");
        dir_->Add(QDate::currentDate(), 1, 1, "OTHER");
        Screen s;
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F6);
        RawFile raw(dir_->file("Report.mdb"));
        if (fault == "locked") {
            store::Connection::SetDefaultBusyTimeout(100);
            QVERIFY(raw.exec("BEGIN IMMEDIATE"));
        } else if (fault == "part-way") { // the last listed row refuses to go
            QVERIFY(raw.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON WorkReport "
                                            "WHEN old.R_ID = %1 BEGIN SELECT RAISE(ABORT, "
                                            "'refused'); END")
                                 .arg(keys.last())));
        }
        port_.QueueAnswers({fault == "no" ? Answer::No : Answer::Yes});
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F7);
        raw.exec("ROLLBACK");
        QCOMPARE(port_.Questions().size(), 1);
        QCOMPARE(port_.Questions().first().text,
                 QStringLiteral("검색한 데이터를 모두 삭제 하시겠습니까?"));
        QCOMPARE(port_.Questions().first().title, QStringLiteral("데이터 삭제!"));
        QCOMPARE(dir_->Data(), remaining);
        QCOMPARE(s->Grid().Rows(), fault.isEmpty() ? 1 : 4);
        QCOMPARE(messages().size(), fault == "locked" || fault == "part-way" ? 1 : 0);
        if (!messages().isEmpty())
            QVERIFY2(messages().first().contains("Report.mdb"), qPrintable(messages().first()));

        // Only the header row left: nothing is asked.
        port_.Clear();
        s->Grid().Reset();
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F7);
        QCOMPARE(port_.Entries().size(), 0);
    }

    void missingReportMdb_searchNamesTheFile() {
        QVERIFY(QFile::remove(dir_->file("Report.mdb")));
        Screen s;
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F9);
        QCOMPARE(messages().size(), 1);
        QVERIFY2(messages().first().contains("Report.mdb"), qPrintable(messages().first()));
        QCOMPARE(s->Grid().Rows(), 1);
    }

    void mainWindow_reportOptionOpensTheScreen_data() {
        QTest::addColumn<bool>("option");
        QTest::newRow("off") << false;
        QTest::newRow("on") << true;
    }
    void mainWindow_reportOptionOpensTheScreen() {
        QFETCH(bool, option);
        QCOMPARE(WriteSetting("Options/WorkReport", option ? "true" : "false"), QString());
        shell::RegisterDeliveredScreens();
        shell::MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.MnuReport->menuAction()->isEnabled(), option);
        QCOMPARE(w.MnuWorkReport->isEnabled(), option);
        QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
        QWidget* shown = w.VisibleScreen();
        QCOMPARE(shown && shown->objectName() == "FomWorkReport", option);
        if (option)
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("CboSearchMethod"));
        QVERIFY(WriteSetting("Options/WorkReport", "false").isEmpty());
    }
};

QTEST_MAIN(TestWorkReport)
#include "tst_workreport.moc"
