#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"

#include <QTest>

using namespace marking;

namespace {

controllers::LengthInputs Inputs(int method, int parenthesis, int repetition, double dd,
                                 int interval, double revision) {
    controllers::LengthInputs in;
    in.method = static_cast<std::int16_t>(method);
    in.parenthesis = static_cast<std::int16_t>(parenthesis);
    in.repetition = static_cast<std::int16_t>(repetition);
    in.dotDimension = dd;
    in.letterInterval = interval;
    in.revision = revision;
    return in;
}

void AddLengthColumns() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("parenthesis");
    QTest::addColumn<int>("repetition");
    QTest::addColumn<qint64>("dots");
    QTest::addColumn<double>("length");
}

} // namespace

class TestLength : public QObject {
    Q_OBJECT
private slots:
    // DD = 0.1, R = 1, LI = 2 unless the row says otherwise.
    void trx20Length_data() {
        AddLengthColumns();
        QTest::newRow("@1ABC") << QStringLiteral("@1ABC") << 0 << 0 << 0 << qint64(21) << 2.1;
        QTest::newRow("@5ABC") << QStringLiteral("@5ABC") << 0 << 0 << 0 << qint64(42) << 4.2;
        QTest::newRow("@1A@5B") << QStringLiteral("@1A@5B") << 0 << 0 << 0 << qint64(21) << 2.1;
        QTest::newRow("r and s skip the next")
            << QStringLiteral("@1Ar1Bs2C") << 0 << 0 << 0 << qint64(21) << 2.1;
        QTest::newRow("t skips seven")
            << QStringLiteral("@1t001u2AB") << 0 << 0 << 0 << qint64(7) << 0.7;
        QTest::newRow("z adds its dots")
            << QStringLiteral("@1z010AB") << 0 << 0 << 0 << qint64(17) << 1.7;
        QTest::newRow("continuity with parenthesis")
            << QStringLiteral("@1ABC") << 1 << 1 << 3 << qint64(21) << 14.3;
        QTest::newRow("continuity without parenthesis")
            << QStringLiteral("@1ABC") << 1 << 0 << 3 << qint64(21) << 6.3;
        QTest::newRow("empty single") << QString() << 0 << 0 << 0 << qint64(0) << 0.0;
        QTest::newRow("empty with parenthesis 1") << QString() << 0 << 1 << 0 << qint64(0) << 8.0;
        QTest::newRow("parenthesis 2 file marking")
            << QString() << 2 << 2 << 0 << qint64(0) << 11.6;
        QTest::newRow("parenthesis 3") << QString() << 0 << 3 << 0 << qint64(0) << 11.6;
        QTest::newRow("parenthesis 4") << QString() << 0 << 4 << 0 << qint64(0) << 14.0;
        QTest::newRow("parenthesis 5") << QString() << 0 << 5 << 0 << qint64(0) << 16.4;
        QTest::newRow("other method ignores parenthesis")
            << QStringLiteral("@1ABC") << 3 << 1 << 3 << qint64(21) << 2.1;
        QTest::newRow("q field sets width")
            << QStringLiteral("@1Aq4B") << 0 << 0 << 0 << qint64(19) << 1.9;
        QTest::newRow("x, w, y skip the next")
            << QStringLiteral("@1AxBwCyDE") << 0 << 0 << 0 << qint64(14) << 1.4;
        QTest::newRow("@ without digit is a character")
            << QStringLiteral("@1@A") << 0 << 0 << 0 << qint64(14) << 1.4;
        QTest::newRow("space and hangul measured with W")
            << QStringLiteral("@2 탄") << 0 << 0 << 0 << qint64(20) << 2.0;
        QTest::newRow("z at the end")
            << QStringLiteral("@1Az5") << 0 << 0 << 0 << qint64(12) << 1.2;
    }
    void trx20Length() {
        QFETCH(QString, text);
        QFETCH(int, method);
        QFETCH(int, parenthesis);
        QFETCH(int, repetition);
        QFETCH(qint64, dots);
        QFETCH(double, length);
        const auto r =
            trx20::MeasureLength(text, Inputs(method, parenthesis, repetition, 0.1, 2, 1));
        QCOMPARE(r.dots, dots);
        QVERIFY2(qAbs(r.length - length) < 1e-9, qPrintable(QString::number(r.length, 'g', 17)));
    }

    void trx20Length_usesInitialWidthBeforeFirstField() {
        const auto in = Inputs(0, 0, 0, 1, 2, 1);
        QCOMPARE(trx20::MeasureLength(QStringLiteral("AB"), in).dots, 4);
        QCOMPARE(trx20::MeasureLength(QStringLiteral("AB"), in, 10).dots, 24);
    }

    void trx20Length_revisionScales() {
        const auto r = trx20::MeasureLength(QStringLiteral("@1ABC"), Inputs(0, 1, 0, 0.5, 2, 2));
        QCOMPARE(r.dots, 21);
        QCOMPARE(r.length, 21 * 0.5 * 2 + 80 * 0.5 * 2);
    }

    void trx30Length_data() {
        AddLengthColumns();
        QTest::newRow("@5ABC") << QStringLiteral("@5ABC") << 0 << 0 << 0 << qint64(42) << 4.2;
        QTest::newRow("@5 glyphs")
            << QStringLiteral("@5탄소강") << 0 << 0 << 0 << qint64(36) << 3.6;
        QTest::newRow("@2탄") << QStringLiteral("@2탄") << 0 << 0 << 0 << qint64(10) << 1.0;
        QTest::newRow("@4탄") << QStringLiteral("@4탄") << 0 << 0 << 0 << qint64(12) << 1.2;
        QTest::newRow("@1탄: K still 0")
            << QStringLiteral("@1탄") << 0 << 0 << 0 << qint64(2) << 0.2;
        QTest::newRow("@1 keeps K")
            << QStringLiteral("@2A@1탄") << 0 << 0 << 0 << qint64(20) << 2.0;
        QTest::newRow("space with W") << QStringLiteral("@5 ") << 0 << 0 << 0 << qint64(14) << 1.4;
        QTest::newRow("q3 sets K") << QStringLiteral("@1q3탄") << 0 << 0 << 0 << qint64(10) << 1.0;
        QTest::newRow("non-glyph hangul uses W")
            << QStringLiteral("@5도") << 0 << 0 << 0 << qint64(14) << 1.4;
        QTest::newRow("continuity")
            << QStringLiteral("@5탄소강") << 1 << 1 << 2 << qint64(36) << 15.2;
        QTest::newRow("fields as TRX-20")
            << QStringLiteral("@1z010AB") << 0 << 0 << 0 << qint64(17) << 1.7;
    }
    void trx30Length() {
        QFETCH(QString, text);
        QFETCH(int, method);
        QFETCH(int, parenthesis);
        QFETCH(int, repetition);
        QFETCH(qint64, dots);
        QFETCH(double, length);
        const auto r =
            trx30::MeasureLength(text, Inputs(method, parenthesis, repetition, 0.1, 2, 1));
        QCOMPARE(r.dots, dots);
        QVERIFY2(qAbs(r.length - length) < 1e-9, qPrintable(QString::number(r.length, 'g', 17)));
    }

    void trx30Glyphs_are29() {
        const QString glyphs =
            QStringLiteral("탄소강관일반배용연구조료가환계스보러및열압교기력㉿ⓙ품Øⓐ");
        QCOMPARE(glyphs.size(), 29);
        for (QChar c : glyphs)
            QVERIFY(trx30::IsGlyph(c));
        for (QChar c : QStringLiteral("도시▲□■A "))
            QVERIFY(!trx30::IsGlyph(c));
    }

    // I = 2, DD = 0.5, R = 1.
    void hvl5Length_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("parenthesis");
        QTest::addColumn<int>("repetition");
        QTest::addColumn<int>("widthBefore");
        QTest::addColumn<qint64>("dots");
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("widthAfter");
        QTest::newRow("@4ABC") << QStringLiteral("@4ABC") << 0 << 0 << 0 << 0 << qint64(36) << 18.0
                               << 10;
        QTest::newRow("@4ABC preset 1")
            << QStringLiteral("@4ABC") << 0 << 1 << 0 << 0 << qint64(36) << 58.0 << 10;
        QTest::newRow("continuity x3")
            << QStringLiteral("@4ABC") << 1 << 0 << 3 << 0 << qint64(36) << 54.0 << 10;
        QTest::newRow("continuity x3 preset 1")
            << QStringLiteral("@4ABC") << 1 << 1 << 3 << 0 << qint64(36) << 94.0 << 10;
        QTest::newRow("width kept from before")
            << QStringLiteral("ABC") << 0 << 0 << 0 << 10 << qint64(36) << 18.0 << 10;
        QTest::newRow("first check after start")
            << QStringLiteral("ABC") << 0 << 0 << 0 << 0 << qint64(6) << 3.0 << 0;
        QTest::newRow("date placeholder")
            << QStringLiteral("@TYYMMDD@T") << 0 << 0 << 0 << 10 << qint64(72) << 36.0 << 10;
        QTest::newRow("date time long")
            << QStringLiteral("@TYYYYMMDDHHNN@T") << 0 << 0 << 0 << 10 << qint64(144) << 72.0 << 10;
        QTest::newRow("date time short")
            << QStringLiteral("@TYYMMDDHHNN@T") << 0 << 0 << 0 << 10 << qint64(120) << 60.0 << 10;
        QTest::newRow("time") << QStringLiteral("@THHNN@T") << 0 << 0 << 0 << 10 << qint64(48)
                              << 24.0 << 10;
        QTest::newRow("@S0040") << QStringLiteral("@S0040") << 0 << 0 << 0 << 10 << qint64(40)
                                << 20.0 << 10;
        QTest::newRow("@S then text")
            << QStringLiteral("@S0040A") << 0 << 0 << 0 << 10 << qint64(52) << 26.0 << 10;
        QTest::newRow("@S without four digits")
            << QStringLiteral("@S12") << 0 << 0 << 0 << 10 << qint64(48) << 24.0 << 10;
        QTest::newRow("@S letters")
            << QStringLiteral("@SABCD") << 0 << 0 << 0 << 10 << qint64(72) << 36.0 << 10;
        QTest::newRow("@S at the end")
            << QStringLiteral("@S") << 0 << 0 << 0 << 10 << qint64(24) << 12.0 << 10;
        QTest::newRow("marker adds nothing")
            << QStringLiteral("A↕B") << 0 << 0 << 0 << 10 << qint64(24) << 12.0 << 10;
        QTest::newRow("@7 two characters")
            << QStringLiteral("@7") << 0 << 0 << 0 << 10 << qint64(24) << 12.0 << 10;
        QTest::newRow("@8 one letter, four consumed")
            << QStringLiteral("@8XYZ") << 0 << 0 << 0 << 10 << qint64(24) << 12.0 << 10;
        QTest::newRow("@R @W @I take nothing")
            << QStringLiteral("@R@W@I") << 0 << 0 << 0 << 10 << qint64(0) << 0.0 << 10;
        QTest::newRow("@C: the C counts")
            << QStringLiteral("@C") << 0 << 0 << 0 << 10 << qint64(12) << 6.0 << 10;
        QTest::newRow("@0 is two characters")
            << QStringLiteral("@0") << 0 << 0 << 0 << 10 << qint64(24) << 12.0 << 10;
        QTest::newRow("sizes") << QStringLiteral("@1A@2B@3C@5D") << 0 << 0 << 0 << 0
                               << qint64(7 + 10 + 10 + 14) << 20.5 << 12;
        QTest::newRow("other method")
            << QStringLiteral("@4ABC") << 4 << 1 << 3 << 0 << qint64(36) << 18.0 << 10;
        QTest::newRow("continuity preset 7 unchanged")
            << QStringLiteral("@4ABC") << 1 << 7 << 3 << 0 << qint64(36) << 18.0 << 10;
        QTest::newRow("preset 5") << QString() << 0 << 5 << 0 << 0 << qint64(0) << 82.0 << 0;
    }
    void hvl5Length() {
        QFETCH(QString, text);
        QFETCH(int, method);
        QFETCH(int, parenthesis);
        QFETCH(int, repetition);
        QFETCH(int, widthBefore);
        QFETCH(qint64, dots);
        QFETCH(double, length);
        QFETCH(int, widthAfter);
        std::int32_t width = widthBefore;
        const auto r = hvl5::MeasureLength(text, Inputs(method, parenthesis, repetition, 0.5, 2, 1),
                                           hvl5::SpecialLetterTable(), width);
        QCOMPARE(r.dots, dots);
        QVERIFY2(qAbs(r.length - length) < 1e-9, qPrintable(QString::number(r.length, 'g', 17)));
        QCOMPARE(width, widthAfter);
    }

    void hvl5Length_specialLettersOfBothBanksCountOnce() {
        std::vector<hvl5::SpecialLetter> rows(100);
        rows[0] = {1, QStringLiteral("KS"), {}, QStringLiteral("01")};
        rows[70] = {71, QStringLiteral("강관"), {}, QStringLiteral("71")};
        rows[99] = {100, QStringLiteral("@S"), {}, QStringLiteral("99")}; // a letter that is a code
        const hvl5::SpecialLetterTable table(rows);
        std::int32_t width = 10;
        const auto in = Inputs(0, 0, 0, 1, 2, 1);
        // KS, 강관 and A each one letter; empty letters of the other slots never match.
        QCOMPARE(hvl5::MeasureLength(QStringLiteral("KS강관A"), in, table, width).dots, 36);
        // "@S" without digits: the letter of slot 100 matches before ordinary characters.
        QCOMPARE(hvl5::MeasureLength(QStringLiteral("@SX"), in, table, width).dots, 24);
        // With four digits the spacing code wins.
        QCOMPARE(hvl5::MeasureLength(QStringLiteral("@S0005"), in, table, width).dots, 5);
    }
};

QTEST_GUILESS_MAIN(TestLength)
#include "tst_length.moc"
