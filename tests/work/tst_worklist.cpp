// The work list's rows, the exchange of two works, the carving setting, the
// number fields and the live check line, without screens.

#include "WorkTestSupport.h"

#include "common/SharedValues.h"
#include "controllers/trx20/Trx20Engine.h"
#include "work/CarvingWork.h"
#include "work/LiveCheck.h"
#include "work/WorkChecks.h"
#include "work/WorkList.h"

using namespace marking;
using namespace marking::work;
using namespace worktest;

namespace {
const QStringList kExchanged{
    col::W_ID,          col::W_MarkingMethod, col::W_Data,      col::W_Length,
    col::W_Pi,          col::W_PipeVolume,    col::W_Reptition, col::W_LengthYesorNo,
    col::W_UnitYesorNo, col::W_Parenthesis,   col::W_WorkTeam};
const QString kP1 = QStringLiteral("@1(") + QString(14, u' ') + u')';
} // namespace

class TestWorkList : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetSharedValues(); }

    void workRow_byMethodAndCode_data() {
        QTest::addColumn<QVariant>("method");
        QTest::addColumn<QVariant>("repetition");
        QTest::addColumn<QVariant>("lengthShown");
        QTest::addColumn<QVariant>("parenthesis");
        QTest::addColumn<QVariant>("team");
        QTest::addColumn<QStringList>("cells"); // columns 1, 3, 6, 7, 8, 9, 10 (empty: number only)
        const QVariant null;
        QTest::newRow("single") << QVariant(0) << QVariant(3) << QVariant(1) << QVariant(1)
                                << QVariant(4)
                                << QStringList{"단마킹",        "6000",          "반복 횟수 없음",
                                               "길이표시 없음", "단위표시 없음", kP1,
                                               "E 조"};
        QTest::newRow("continuity")
            << QVariant(1) << QVariant(3) << null << QVariant(0) << QVariant(0)
            << QStringList{"연속마킹",      "6000",          "3",   "길이표시 없음",
                           "단위표시 없음", "괄호표시 안함", "A 조"};
        QTest::newRow("file") << QVariant(2) << null << QVariant(1) << QVariant(0) << QVariant(1)
                              << QStringList{"파일마킹",      "6000", "반복 횟수 없음",
                                             "길이표시 안함", "",     "괄호표시 안함",
                                             "B 조"};
        QTest::newRow("codes out of range")
            << QVariant(0) << null << null << QVariant(6) << QVariant(-1)
            << QStringList{"단마킹", "6000", "반복 횟수 없음", "길이표시 없음", "단위표시 없음",
                           "",       ""};
        QTest::newRow("unknown method")
            << QVariant(3) << null << null << null << null << QStringList{};
        QTest::newRow("null method") << null << null << null << null << null << QStringList{};
    }
    void workRow_byMethodAndCode() {
        QFETCH(QVariant, method);
        QFETCH(QVariant, repetition);
        QFETCH(QVariant, lengthShown);
        QFETCH(QVariant, parenthesis);
        QFETCH(QVariant, team);
        QFETCH(QStringList, cells);
        WorkValues w{.id = 17,
                     .method = method,
                     .data = "@1A",
                     .length = 6000,
                     .pi = 100,
                     .pipeVolume = 5,
                     .repetition = repetition,
                     .lengthShown = lengthShown,
                     .unitShown = QVariant(),
                     .parenthesis = parenthesis,
                     .workTeam = team};
        const QStringList row = MarkingWorkRow(4, w);
        QCOMPARE(row.value(MwNumber), QStringLiteral("4"));
        if (cells.isEmpty()) {
            QCOMPARE(row.size(), 1);
            return;
        }
        QCOMPARE(row.size(), kMarkingWorkColumns);
        const QList<int> at{MwMethod,    MwLength,      MwRepetition, MwLengthShown,
                            MwUnitShown, MwParenthesis, MwWorkTeam};
        for (int i = 0; i < at.size(); ++i)
            QCOMPARE(row.at(at.at(i)), cells.at(i));
        QCOMPARE(row.at(MwId), QStringLiteral("17"));
    }

    void workRows_emptyNumericColumns_emptyCells() {
        ProgramDir dir;
        AddWork(1, "@1A",
                {{col::W_Length, QVariant()},
                 {col::W_Pi, QVariant()},
                 {col::W_PipeVolume, QVariant()},
                 {col::W_Reptition, QVariant()},
                 {col::W_Parenthesis, QVariant()},
                 {col::W_WorkTeam, QVariant()}});
        const auto rows = ReadMarkingWorkRows(dir.path());
        QVERIFY(rows);
        QCOMPARE(rows.value().size(), 1);
        const QStringList row = rows.value().first();
        for (int c : {MwLength, MwPi, MwPipeVolume, MwRepetition, MwParenthesis, MwWorkTeam})
            QCOMPARE(row.at(c), QString());
        QCOMPARE(row.at(MwMethod), QStringLiteral("연속마킹"));
    }

    void digits_limits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("max");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("message");
        QTest::newRow("empty") << "" << kInt32Max << false << false;
        QTest::newRow("zero") << "0" << kInt32Max << true << false;
        QTest::newRow("largest") << "2147483647" << kInt32Max << true << false;
        QTest::newRow("one more") << "2147483648" << kInt32Max << false << true;
        QTest::newRow("20 digits") << "99999999999999999999" << kInt32Max << false << true;
        QTest::newRow("repetition 32768") << "32768" << kInt16Max << false << true;
        QTest::newRow("letters") << "12a" << kInt32Max << false << true;
    }
    void digits_limits() {
        QFETCH(QString, text);
        QFETCH(qint64, max);
        QFETCH(bool, ok);
        QFETCH(bool, message);
        const DigitsValue v = ReadDigits(text, QStringLiteral("길이"), max);
        QCOMPARE(v.ok, ok);
        QCOMPARE(!v.message.isEmpty(), message);
        if (ok)
            QCOMPARE(v.value, text.toLongLong());
        if (message)
            QVERIFY(v.message.contains(QStringLiteral("길이")));
    }

    void exchange_swapsTenValuesKeysStay() {
        ProgramDir dir;
        const qint64 a = AddWork(0, "@1FIRST", {{col::W_WorkTeam, 2}});
        AddWork(0, "@1MIDDLE");
        const qint64 b =
            AddWork(2, "@1THIRD'; --",
                    {{col::W_LengthYesorNo, 1}, {col::W_UnitYesorNo, 0}, {col::W_Length, 9000}});
        const auto before = Rows(store::Table::MarkingWork, kExchanged);
        QVERIFY(ExchangeWorks(dir.path(), a, b).ok());
        const auto after = Rows(store::Table::MarkingWork, kExchanged);
        QCOMPARE(after.at(1), before.at(1));
        for (const QString& c : kExchanged) {
            if (c == col::W_ID)
                continue;
            QCOMPARE(after.at(0).value(c), before.at(2).value(c));
            QCOMPARE(after.at(2).value(c), before.at(0).value(c));
        }
        QCOMPARE(after.at(0).value(col::W_ID).toLongLong(), a);
        QCOMPARE(after.at(2).value(col::W_ID).toLongLong(), b);
        QCOMPARE(after.at(0).value(col::W_Data).toString(), QStringLiteral("@1THIRD'; --"));
    }

    void exchange_failure_leavesBothRows_data() {
        QTest::addColumn<bool>("vanished");
        QTest::newRow("second row gone") << true;
        QTest::newRow("second write refused") << false;
    }
    void exchange_failure_leavesBothRows() {
        QFETCH(bool, vanished);
        ProgramDir dir;
        const qint64 a = AddWork(0, "@1FIRST");
        const qint64 b = AddWork(1, "@1SECOND", {{col::W_Reptition, 2}});
        if (vanished) {
            Sql(QStringLiteral("delete from MarkingWork where W_ID = %1").arg(b));
        } else {
            // The first row is written, then the second refuses: both must stay.
            Sql(QStringLiteral("create trigger refuse before update on MarkingWork when old.W_ID "
                               "= %1 begin select raise(abort, 'refused'); end")
                    .arg(b));
        }
        const auto before = Rows(store::Table::MarkingWork, kExchanged);
        const store::Status s = ExchangeWorks(dir.path(), a, b);
        QVERIFY(!s.ok());
        QVERIFY(!s.error().Text().isEmpty());
        QCOMPARE(Rows(store::Table::MarkingWork, kExchanged), before);
    }

    void carving_rowsAndCodes_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("storedPipe");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("pipeKnown");
        QTest::newRow("one row") << 1 << 3 << false << false;
        QTest::newRow("two rows") << 2 << 3 << true << true;
        QTest::newRow("three rows") << 3 << 6 << true << true;
        QTest::newRow("code 7") << 2 << 7 << true << true; // read as 7: the screen leaves its list
    }
    void carving_rowsAndCodes() {
        QFETCH(int, rows);
        QFETCH(int, storedPipe);
        QFETCH(bool, shown);
        QFETCH(bool, pipeKnown);
        ProgramDir dir;
        Sql(QStringLiteral("delete from CarvingWork"));
        for (int i = 0; i < rows; ++i)
            Sql(QStringLiteral("insert into CarvingWork (C_CarvingPipe, C_CarvingData) values "
                               "(%1, 1)")
                    .arg(i == 0 ? storedPipe : 0));
        const auto setting = ReadCarvingWork(dir.path());
        QVERIFY(setting);
        QCOMPARE(setting.value().has_value(), shown);
        if (shown) {
            QCOMPARE(setting.value()->pipe.has_value(), pipeKnown);
            QCOMPARE(*setting.value()->pipe, storedPipe);
        }
        const auto saved = SaveCarvingWork(dir.path(), 5, 0);
        QVERIFY(saved);
        QCOMPARE(saved.value(), shown);
        const auto after =
            Rows(store::Table::CarvingWork, {col::C_CarvingPipe, col::C_CarvingData});
        QCOMPARE(after.first().value(col::C_CarvingPipe).toInt(), shown ? 5 : storedPipe);
        for (int i = 1; i < after.size(); ++i) // only the first row is ever written
            QCOMPARE(after.at(i).value(col::C_CarvingPipe).toInt(), 0);
    }

    void liveCheck_line_data() {
        QTest::addColumn<int>("controller");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("repetition");
        QTest::addColumn<QString>("pipe");
        QTest::addColumn<int>("tone");
        QTest::addColumn<QString>("words");
        const int good = int(LiveTone::Good), refused = int(LiveTone::Refused),
                  incomplete = int(LiveTone::Incomplete);
        // PipeSide 100; "@1ABC" is 3 x (5 + 2) dots of 1 mm = 21 mm.
        QTest::newRow("fits exactly") << 0 << 0 << "@1ABC"
                                      << ""
                                      << "121" << good << "들어갑니다";
        QTest::newRow("1 mm short") << 0 << 0 << "@1ABC"
                                    << ""
                                    << "120" << refused << "1 mm 모자랍니다";
        QTest::newRow("no length yet") << 0 << 0 << "@1ABC"
                                       << ""
                                       << "" << incomplete << "길이를 입력";
        QTest::newRow("empty text") << 0 << 0 << "   "
                                    << ""
                                    << "500" << incomplete << "마킹 데이터를 입력하십시요.";
        QTest::newRow("rule refused")
            << 0 << 0 << "ABC"
            << ""
            << "500" << refused << "첫번째 문자는 반드시 '@'를 입력하셔야 합니다.";
        QTest::newRow("continuity x2") << 0 << 1 << "@1ABC"
                                       << "2"
                                       << "142" << good << "42 mm";
        QTest::newRow("continuity no count") << 0 << 1 << "@1ABC"
                                             << ""
                                             << "500" << incomplete << "마킹 횟수를 입력";
        QTest::newRow("20 digits") << 0 << 0 << "@1ABC"
                                   << ""
                                   << "99999999999999999999" << refused << "너무 큽니다";
        QTest::newRow("not cp949") << 0 << 0 << QStringLiteral("@1A\u0E01") << ""
                                   << "500" << refused << "보낼 수 없는";
        QTest::newRow("no controller") << 9 << 0 << "@1ABC"
                                       << ""
                                       << "500" << refused << "설정되어 있지 않습니다";
    }
    void liveCheck_line() {
        QFETCH(int, controller);
        QFETCH(int, method);
        QFETCH(QString, text);
        QFETCH(QString, repetition);
        QFETCH(QString, pipe);
        QFETCH(int, tone);
        QFETCH(QString, words);
        LiveInput in;
        in.settings.PrintControler = static_cast<std::int16_t>(controller);
        in.settings.PipeSide = 100;
        in.settings.DotDimension = 1.0;
        in.settings.Revision = 1.0;
        in.settings.LetterIntervalDotVolume = 2;
        in.text = text;
        in.method = method;
        in.repetition = repetition;
        in.pipeLength = pipe;
        Shared().MarkingText = QStringLiteral("kept");
        Shared().MarkingDataLength = 7.5;
        const LiveResult r = CheckLive(in);
        QVERIFY2(r.line.contains(words), qPrintable(r.line));
        QCOMPARE(int(r.tone), tone);
        // The line changes no shared value.
        QCOMPARE(Shared().MarkingText, QStringLiteral("kept"));
        QCOMPARE(Shared().MarkingDataLength, 7.5);
        QCOMPARE(Shared().RuleCheckPassed, false);
    }
};

QTEST_GUILESS_MAIN(TestWorkList)
#include "tst_worklist.moc"
