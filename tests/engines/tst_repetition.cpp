#include "work/RepetitionCheck.h"

#include <QTest>

using namespace marking;
using namespace marking::work;

namespace {

RepetitionSettings Settings(int controller, int pipeSide, double dd, int interval = 2,
                            double revision = 1) {
    RepetitionSettings s;
    s.controller = static_cast<std::int16_t>(controller);
    s.pipeSide = pipeSide;
    s.dotDimension = dd;
    s.letterInterval = interval;
    s.revision = revision;
    return s;
}

QString Repeat(const QString& piece, int times) {
    QString out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

} // namespace

class TestRepetition : public QObject {
    Q_OBJECT
private slots:
    void spacingCode_data() {
        QTest::addColumn<int>("controller");
        QTest::addColumn<qint64>("gap");
        QTest::addColumn<QString>("code");
        QTest::newRow("trx 5") << 0 << qint64(5) << QStringLiteral("z005");
        QTest::newRow("trx 0") << 0 << qint64(0) << QStringLiteral("z000");
        QTest::newRow("trx 42") << 2 << qint64(42) << QStringLiteral("z042");
        QTest::newRow("trx 605") << 2 << qint64(605) << QStringLiteral("z605");
        QTest::newRow("trx 999 no chain") << 0 << qint64(999) << QStringLiteral("z999");
        QTest::newRow("trx 1000") << 0 << qint64(1000) << QStringLiteral("z999z001");
        QTest::newRow("trx 1500") << 0 << qint64(1500) << QStringLiteral("z999z501");
        QTest::newRow("trx 1998") << 0 << qint64(1998) << QStringLiteral("z999z999");
        QTest::newRow("trx 5600") << 2 << qint64(5600)
                                  << QStringLiteral("z999z999z999z999z999z605");
        QTest::newRow("trx 101 blocks, no remainder")
            << 0 << qint64(999 * 101 + 500) << Repeat(QStringLiteral("z999"), 101);
        QTest::newRow("trx 101 blocks exactly then nothing")
            << 0 << qint64(999 * 101) << Repeat(QStringLiteral("z999"), 101);
        QTest::newRow("trx 100 blocks and remainder")
            << 0 << qint64(999 * 100 + 7) << Repeat(QStringLiteral("z999"), 100) + "z007";
        QTest::newRow("hvl 5") << 1 << qint64(5) << QStringLiteral("@S0005");
        QTest::newRow("hvl 0") << 1 << qint64(0) << QStringLiteral("@S0000");
        QTest::newRow("hvl 42") << 1 << qint64(42) << QStringLiteral("@S0042");
        QTest::newRow("hvl 605") << 1 << qint64(605) << QStringLiteral("@S0605");
        QTest::newRow("hvl 1234") << 1 << qint64(1234) << QStringLiteral("@S1234");
        QTest::newRow("hvl 12345 capped") << 1 << qint64(12345) << QStringLiteral("@S9999");
    }
    void spacingCode() {
        QFETCH(int, controller);
        QFETCH(qint64, gap);
        QFETCH(QString, code);
        QCOMPARE(SpacingCode(controller, gap), code);
    }

    void roundHalfEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("rounded");
        QTest::newRow("2.5") << 2.5 << qint64(2);
        QTest::newRow("3.5") << 3.5 << qint64(4);
        QTest::newRow("2.4") << 2.4 << qint64(2);
        QTest::newRow("2.6") << 2.6 << qint64(3);
        QTest::newRow("-2.5") << -2.5 << qint64(-2);
        QTest::newRow("-3.5") << -3.5 << qint64(-4);
        QTest::newRow("0.5") << 0.5 << qint64(0);
        QTest::newRow("nan") << qQNaN() << qint64(0);
    }
    void roundHalfEven() {
        QFETCH(double, value);
        QFETCH(qint64, rounded);
        QCOMPARE(RoundHalfEven(value), rounded);
    }

    // The worked example: TRX-30, ABC, n = 3, length 6000, PipeSide 100,
    // MarkingDataLength 300, DotDimension 0.5, no parenthesis.
    void workedExample_expandsWithChains() {
        const auto r =
            ExpandMeasured(QStringLiteral("ABC"), 3, 0, 6000, Settings(2, 100, 0.5), 300);
        QVERIFY(r.ok);
        QCOMPARE(r.gap, 5600);
        const QString chain = QStringLiteral("z999z999z999z999z999z605");
        QCOMPARE(r.text, "ABC" + chain + "ABC" + chain + "ABC");
        QCOMPARE(r.length, 300.0);
    }

    void expandMeasured_data() {
        QTest::addColumn<int>("controller");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("parenthesis");
        QTest::addColumn<int>("workLength");
        QTest::addColumn<int>("pipeSide");
        QTest::addColumn<double>("dd");
        QTest::addColumn<double>("measured");
        QTest::addColumn<qint64>("gap");
        QTest::addColumn<QString>("text");
        QTest::newRow("n = 1 text alone")
            << 0 << 1 << 0 << 1000 << 0 << 1.0 << 10.0 << qint64(990) << QStringLiteral("AB");
        QTest::newRow("n = 1 with preset") << 0 << 1 << 3 << 1000 << 0 << 1.0 << 10.0 << qint64(990)
                                           << QStringLiteral("@3(     )AB");
        QTest::newRow("n = 0 empty")
            << 0 << 0 << 0 << 1000 << 0 << 1.0 << 10.0 << qint64(990) << QString();
        QTest::newRow("n = 0 preset only") << 0 << 0 << 5 << 1000 << 0 << 1.0 << 10.0 << qint64(990)
                                           << QStringLiteral("@5(     )");
        QTest::newRow("preset before first copy only")
            << 0 << 2 << 3 << 110 << 0 << 1.0 << 10.0 << qint64(100)
            << QStringLiteral("@3(     )ABz100AB");
        QTest::newRow("hvl 12345 dots") << 1 << 2 << 0 << 12355 << 0 << 1.0 << 10.0 << qint64(12345)
                                        << QStringLiteral("AB@S9999AB");
        QTest::newRow("trx gap 999")
            << 0 << 2 << 0 << 1009 << 0 << 1.0 << 10.0 << qint64(999) << QStringLiteral("ABz999AB");
        QTest::newRow("trx gap 1000") << 0 << 2 << 0 << 1010 << 0 << 1.0 << 10.0 << qint64(1000)
                                      << QStringLiteral("ABz999z001AB");
        QTest::newRow("2.5 dots round to 2")
            << 0 << 2 << 0 << 15 << 0 << 2.0 << 10.0 << qint64(2) << QStringLiteral("ABz002AB");
        QTest::newRow("3.5 dots round to 4")
            << 0 << 2 << 0 << 17 << 0 << 2.0 << 10.0 << qint64(4) << QStringLiteral("ABz004AB");
        QTest::newRow("gap per copy rounds to even")
            << 2 << 3 << 0 << 15 << 0 << 1.0 << 10.0 << qint64(2)
            << QStringLiteral("ABz002ABz002AB");
        QTest::newRow("gap 0 fits exactly")
            << 1 << 2 << 0 << 10 << 0 << 1.0 << 10.0 << qint64(0) << QStringLiteral("AB@S0000AB");
    }
    void expandMeasured() {
        QFETCH(int, controller);
        QFETCH(int, copies);
        QFETCH(int, parenthesis);
        QFETCH(int, workLength);
        QFETCH(int, pipeSide);
        QFETCH(double, dd);
        QFETCH(double, measured);
        QFETCH(qint64, gap);
        QFETCH(QString, text);
        const auto r = ExpandMeasured(QStringLiteral("AB"), static_cast<std::int16_t>(copies),
                                      static_cast<std::int16_t>(parenthesis), workLength,
                                      Settings(controller, pipeSide, dd), measured);
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.gap, gap);
        QCOMPARE(r.text, text);
    }

    void refusal_data() {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("repetition");
        QTest::addColumn<int>("pipeSide");
        QTest::addColumn<double>("dd");
        QTest::addColumn<QString>("says");
        QTest::newRow("negative gap") << "100"
                                      << "3" << 98 << 0.1 << "들어가지 않습니다";
        QTest::newRow("PipeSide raised") << "6000"
                                         << "1" << 6000 << 0.1 << "들어가지 않습니다";
        QTest::newRow("negative length") << "-5"
                                         << "2" << 0 << 0.1 << "들어가지 않습니다";
        QTest::newRow("dot dimension 0") << "6000"
                                         << "3" << 100 << 0.0 << "DotDimension";
        QTest::newRow("dot dimension negative") << "6000"
                                                << "3" << 100 << -0.5 << "DotDimension";
        QTest::newRow("dot dimension nan") << "6000"
                                           << "3" << 100 << qQNaN() << "DotDimension";
        QTest::newRow("empty repetition") << "6000"
                                          << "" << 100 << 0.1 << "반복 횟수가 비어";
        QTest::newRow("text repetition") << "6000"
                                         << "3a" << 100 << 0.1 << "'3a'";
        QTest::newRow("negative repetition") << "6000"
                                             << "-1" << 100 << 0.1 << "반복 횟수";
        QTest::newRow("repetition too large") << "6000"
                                              << "40000" << 100 << 0.1 << "반복 횟수";
        QTest::newRow("empty length") << ""
                                      << "3" << 100 << 0.1 << "파이프 길이가 비어";
        QTest::newRow("text length") << "6m"
                                     << "3" << 100 << 0.1 << "'6m'";
    }
    void refusal() {
        QFETCH(QString, length);
        QFETCH(QString, repetition);
        QFETCH(int, pipeSide);
        QFETCH(double, dd);
        QFETCH(QString, says);
        std::int32_t width = 0;
        const RepetitionWork work{QStringLiteral("@1ABC"), length, repetition, 0};
        for (int controller : {0, 1, 2}) {
            const auto r = CheckRepetition(work, Settings(controller, pipeSide, dd),
                                           hvl5::SpecialLetterTable(), width);
            QVERIFY(!r.ok);
            QVERIFY(r.text.isEmpty());
            QVERIFY2(r.message.contains(says), qPrintable(r.message));
            QCOMPARE(r.title, QStringLiteral("입력오류!"));
        }
    }

    // The whole check measures with the configured controller's length check.
    void checkRepetition_measuresWithController_data() {
        QTest::addColumn<int>("controller");
        QTest::addColumn<double>("length");
        QTest::addColumn<qint64>("gap");
        QTest::addColumn<QString>("text");
        // @1ABC: 21 dots (TRX) / 21 dots (HVL-5, W = 5) at DD 0.1; 3 copies = 6.3 mm.
        // Free length 1000 - 100 - 6.3 = 893.7 mm = 8937 dots, 4468.5 per gap -> 4468.
        const QString trxChain = QStringLiteral("z999z999z999z999z472");
        QTest::newRow("trx20") << 0 << 6.3 << qint64(4468)
                               << "@1ABC" + trxChain + "@1ABC" + trxChain + "@1ABC";
        QTest::newRow("trx30") << 2 << 6.3 << qint64(4468)
                               << "@1ABC" + trxChain + "@1ABC" + trxChain + "@1ABC";
        QTest::newRow("hvl5") << 1 << 6.3 << qint64(4468)
                              << QStringLiteral("@1ABC@S4468@1ABC@S4468@1ABC");
    }
    void checkRepetition_measuresWithController() {
        QFETCH(int, controller);
        QFETCH(double, length);
        QFETCH(qint64, gap);
        QFETCH(QString, text);
        std::int32_t width = 0;
        const RepetitionWork work{QStringLiteral("@1ABC"), QStringLiteral("1000"),
                                  QStringLiteral("3"), 0};
        const auto r = CheckRepetition(work, Settings(controller, 100, 0.1),
                                       hvl5::SpecialLetterTable(), width);
        QVERIFY2(r.ok, qPrintable(r.message));
        QVERIFY(qAbs(r.length - length) < 1e-9);
        QCOMPARE(r.gap, gap);
        QCOMPARE(r.text, text);
        QCOMPARE(r.repetition, 3);
    }

    void checkRepetition_unknownControllerKeepsText() {
        std::int32_t width = 0;
        const RepetitionWork work{QStringLiteral("@1ABC"), QString(), QString(), 0};
        const auto r = CheckRepetition(work, Settings(7, 0, 0), hvl5::SpecialLetterTable(), width);
        QVERIFY(r.ok);
        QCOMPARE(r.text, QStringLiteral("@1ABC"));
    }

    void checkRepetition_hvl5KeepsLetterWidth() {
        std::int32_t width = 0;
        const RepetitionWork work{QStringLiteral("@4AB"), QStringLiteral("1000"),
                                  QStringLiteral("2"), 0};
        QVERIFY(CheckRepetition(work, Settings(1, 0, 1), hvl5::SpecialLetterTable(), width).ok);
        QCOMPARE(width, 10);
    }
};

QTEST_GUILESS_MAIN(TestRepetition)
#include "tst_repetition.moc"
