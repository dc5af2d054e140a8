#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"

#include <QTest>

using namespace marking;

namespace {

const QString kEmpty = QStringLiteral("마킹 데이터를 입력하십시요.");
const QString kFirstAt = QStringLiteral("첫번째 문자는 반드시 '@'를 입력하셔야 합니다.");
const QString kOneChar =
    QStringLiteral("첫번째 '@' 다음에 0부터 5까지의 숫자 중 하나를 입력하셔야 합니다.");
const QString kPos2 =
    QStringLiteral("'@' 다음에 반드시 1부터 5까지의 숫자중 하나를 입력하셔야 합니다.");
const QString kLaterAt =
    QStringLiteral("'@' 다음에 반드시 0부터 5까지의 숫자중 하나를 입력하셔야 합니다.");
const QString kQ =
    QStringLiteral("'q' 다음에 반드시 0부터 5까지의 숫자중 하나를 입력하셔야 합니다.");
const QString kRLast = QStringLiteral("'r' 다음에는 반드시 's'를 입력해야  합니다.");
const QString kRTwice = QStringLiteral("'r'을 입력하고 다시 'r'을 입력할 수 없습니다.");
const QString kRNever = QStringLiteral("'r' 다음에는 반드시 's'를 입력해야 합니다.");
const QString kS = QStringLiteral("'s'를 입력하기전에 반드시 'r'이 먼저 입력되어야 합니다.");
const QString kUV = QStringLiteral("'u' 또는 'v' 다음에는 '0'을 입력할 수 없습니다.");
const QString kY = QStringLiteral("'y'를 입력하였을 경우 반드시 'y'를 입력 하셔야 합니다.");
const QString kZ000 = QStringLiteral("'z' 다음에는 반드시 1~999까지의 숫자를 입력하셔야 합니다.");
const QString kZ3 = QStringLiteral("'z' 다음에는 반드시 세자리의 숫자를 입력하셔야 합니다.");
const QString kT1 = QStringLiteral(
    "'t'다음에는 0~999의 숫자와 'u' 또는 'v' 그리고 다시 숫자를 입력하셔야 합니다.\r\n\r\n"
    "입력방법은 다음과 같습니다.\r\n\r\n't__1u2', 't001u2', 't__1v2' 또는 't001v2'");
const QString kT2 = QStringLiteral(
    "'t'다음에는 0~999의 숫자와 'u' 또는 'v' 그리고 다시 숫자를 입력하셔야 합니다.\r\n\r\n"
    "입력방법은 다음과 같습니다.\r\n\r\n't  1u2', 't001u2', 't  1v2' 또는 't001v2'");
const QString kW = QStringLiteral(
    "'w'을 입력하여 2행 마킹의 개시 위치를 지정하였을 경우 반드시 'w'를 두번 더 입력하여\r\n\r\n"
    "줄 바꾸는 위치와 종료 위치를 지정하셔야 합니다.");
const QString kPass = QString();
const QString kSilent = QStringLiteral("<silent>");

// The field-rule cases shared by the TRX-20 and the TRX-30 (caller 1).
void AddFieldRuleRows() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty: passes; kSilent: fails without a message
    struct Row {
        const char* name;
        QString text;
        QString message;
    };
    const Row rows[] = {
        {"@0 passes", QStringLiteral("@0"), kPass},
        {"@5 passes", QStringLiteral("@5"), kPass},
        {"empty", QString(), kEmpty},
        {"no @ first", QStringLiteral("A@1"), kFirstAt},
        {"@ alone", QStringLiteral("@"), kOneChar},
        {"@6ABC", QStringLiteral("@6ABC"), kPos2},
        {"@A", QStringLiteral("@A"), kPos2},
        {"@1ABC@2 silent", QStringLiteral("@1ABC@2"), kSilent},
        {"@1ABC@2D", QStringLiteral("@1ABC@2D"), kPass},
        {"@1ABC@7D", QStringLiteral("@1ABC@7D"), kLaterAt},
        {"@1ABC@ at end", QStringLiteral("@1ABC@"), kLaterAt},
        {"@1ABCq3D", QStringLiteral("@1ABCq3D"), kPass},
        {"q3 ends the text silent", QStringLiteral("@1Aq3"), kSilent},
        {"q9", QStringLiteral("@1q9A"), kQ},
        {"@1r12s", QStringLiteral("@1r12s"), kPass},
        {"@1r12", QStringLiteral("@1r12"), kRNever},
        {"@1ABr", QStringLiteral("@1ABr"), kRLast},
        {"@1r1r2s", QStringLiteral("@1r1r2s"), kRTwice},
        {"@1r1s2s", QStringLiteral("@1r1s2s"), kS},
        {"r s r s", QStringLiteral("@1rAsrBs"), kPass},
        {"@1t001u2", QStringLiteral("@1t001u2"), kPass},
        {"@1t  1v2", QStringLiteral("@1t  1v2"), kPass},
        {"@1t 01u9", QStringLiteral("@1t 01u9"), kPass},
        {"@1t 00u1", QStringLiteral("@1t 00u1"), kPass},
        {"@1t000u2", QStringLiteral("@1t000u2"), kT1},
        {"@1t  0u2", QStringLiteral("@1t  0u2"), kT1},
        {"@1t0  u2", QStringLiteral("@1t0  u2"), kT1},
        {"@1t 0 u2", QStringLiteral("@1t 0 u2"), kT1},
        {"@1t   u2", QStringLiteral("@1t   u2"), kT1},
        {"@1t001u0", QStringLiteral("@1t001u0"), kUV},
        {"@1t001", QStringLiteral("@1t001"), kT1},
        {"@1t001x2", QStringLiteral("@1t001x2"), kT1},
        {"@1t0a1u2", QStringLiteral("@1t0a1u2"), kT1},
        {"@1t001u missing digit", QStringLiteral("@1t001u"), kT1},
        {"@1t001uA", QStringLiteral("@1t001uA"), kT1},
        {"t at the end", QStringLiteral("@1t"), kT1},
        {"@1wAwBw", QStringLiteral("@1wAwBw"), kPass},
        {"@1wAw", QStringLiteral("@1wAw"), kW},
        {"six w", QStringLiteral("@1wwwwww"), kPass},
        {"four w", QStringLiteral("@1wwww"), kW},
        {"@1yAy", QStringLiteral("@1yAy"), kPass},
        {"@1yAyBy", QStringLiteral("@1yAyBy"), kY},
        {"@1z001", QStringLiteral("@1z001"), kPass},
        {"@1z999", QStringLiteral("@1z999"), kPass},
        {"@1z000", QStringLiteral("@1z000"), kZ000},
        {"@1z12", QStringLiteral("@1z12"), kZ3},
        {"@1z1a3", QStringLiteral("@1z1a3"), kZ3},
        {"upper case opens nothing", QStringLiteral("@1RTZ"), kPass},
        {"first failure wins", QStringLiteral("@1sz000"), kS},
        {"hangul and glyphs", QStringLiteral("@1탄소강관ⓙ"), kPass},
    };
    for (const Row& r : rows)
        QTest::newRow(r.name) << r.text << r.message;
}

void VerifyField(const controllers::RuleCheckResult& r, const QString& message) {
    if (message.isEmpty()) {
        QVERIFY(r.passed);
        QVERIFY(!r.hasMessage());
        QVERIFY(!r.focus);
        return;
    }
    QVERIFY(!r.passed);
    QVERIFY(r.focus);
    if (message == kSilent) {
        QVERIFY(!r.hasMessage());
        return;
    }
    QCOMPARE(r.message, message);
    QCOMPARE(r.title,
             message == kEmpty ? QStringLiteral("입력 확인!") : QStringLiteral("입력오류!"));
}

} // namespace

class TestRules : public QObject {
    Q_OBJECT
private slots:
    void trx20RuleCheck_data() { AddFieldRuleRows(); }
    void trx20RuleCheck() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        VerifyField(trx20::RuleCheck(text, 1), message);
    }

    void trx30FieldRules_data() { AddFieldRuleRows(); }
    void trx30FieldRules() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        VerifyField(trx30::RuleCheck(text, 1), message);
    }

    void tMessage_dependsOnCaller() {
        QCOMPARE(trx20::RuleCheck(QStringLiteral("@1t000u2"), 1).message, kT1);
        QCOMPARE(trx20::RuleCheck(QStringLiteral("@1t000u2"), 2).message, kT2);
        QCOMPARE(trx30::RuleCheck(QStringLiteral("@1t000u2"), 2).message, kT2);
    }

    void trx20OtherCaller_passesAnything_data() {
        QTest::addColumn<int>("caller");
        QTest::addColumn<QString>("text");
        QTest::newRow("0 empty") << 0 << QString();
        QTest::newRow("0 bad") << 0 << QStringLiteral("r");
        QTest::newRow("3 bad") << 3 << QStringLiteral("@9");
        QTest::newRow("-1 bad") << -1 << QStringLiteral("@1z000");
    }
    void trx20OtherCaller_passesAnything() {
        QFETCH(int, caller);
        QFETCH(QString, text);
        QCOMPARE(trx20::RuleCheck(text, caller), controllers::RuleCheckResult{});
    }

    void trx30CharacterSet_data() {
        QTest::addColumn<int>("caller");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: passes
        QTest::addColumn<QString>("set");     // set in force at the refusal
        QTest::addColumn<bool>("focus");
        QTest::newRow("@2보") << 1 << QStringLiteral("@2보")
                              << QStringLiteral("'@2'에서 특수문자 '보'을 사용할 수 없습니다. .")
                              << QStringLiteral("@2") << false;
        QTest::newRow("@4보") << 1 << QStringLiteral("@4보") << QString() << QString() << false;
        QTest::newRow("@4반") << 1 << QStringLiteral("@4반")
                              << QStringLiteral("'@4'에서 특수문자 '반'를 사용할 수 없습니다. .")
                              << QStringLiteral("@4") << false;
        QTest::newRow("@2반") << 1 << QStringLiteral("@2반") << QString() << QString() << false;
        QTest::newRow("@2기") << 1 << QStringLiteral("@2기") << QString() << QString() << false;
        QTest::newRow("@4기") << 1 << QStringLiteral("@4기") << QString() << QString() << false;
        QTest::newRow("@1보") << 1 << QStringLiteral("@1보") << QString() << QString() << false;
        QTest::newRow("@0반") << 1 << QStringLiteral("@0반") << QString() << QString() << false;
        QTest::newRow("@1 keeps @2")
            << 1 << QStringLiteral("@2AB@1보")
            << QStringLiteral("'@2'에서 특수문자 '보'을 사용할 수 없습니다. .")
            << QStringLiteral("@2") << false;
        QTest::newRow("first refusal in text order")
            << 1 << QStringLiteral("@4반@2반")
            << QStringLiteral("'@4'에서 특수문자 '반'를 사용할 수 없습니다. .")
            << QStringLiteral("@4") << false;
        QTest::newRow("field rule first")
            << 1 << QStringLiteral("@2보z000") << kZ000 << QString() << true;
        QTest::newRow("caller 0 still checks set")
            << 0 << QStringLiteral("@2보")
            << QStringLiteral("'@2'에서 특수문자 '보'을 사용할 수 없습니다. .")
            << QStringLiteral("@2") << false;
        QTest::newRow("caller 0 @6")
            << 0 << QStringLiteral("@6") << QString() << QString() << false;
        QTest::newRow("caller 0 empty") << 0 << QString() << QString() << QString() << false;
        QTest::newRow("@3러 no space")
            << 1 << QStringLiteral("@3러")
            << QStringLiteral("'@3'에서 특수문자 '러'를사용할 수 없습니다. .")
            << QStringLiteral("@3") << false;
        QTest::newRow("@3_") << 2 << QStringLiteral("@3A_")
                             << QStringLiteral("'@3'에서 특수문자 '_'를 사용할 수 없습니다. .")
                             << QStringLiteral("@3") << false;
        QTest::newRow("@5력") << 2 << QStringLiteral("@5력")
                              << QStringLiteral("'@5'에서 특수문자 '력'를 사용할 수 없습니다. .")
                              << QStringLiteral("@5") << false;
        QTest::newRow("@4연 no space")
            << 2 << QStringLiteral("@4연")
            << QStringLiteral("'@4'에서 특수문자 '연'를사용할 수 없습니다. .")
            << QStringLiteral("@4") << false;
        QTest::newRow("underscore allowed without set")
            << 1 << QStringLiteral("@1_") << QString() << QString() << false;
        QTest::newRow("set switches back")
            << 1 << QStringLiteral("@4보@2반") << QString() << QString() << false;
    }
    void trx30CharacterSet() {
        QFETCH(int, caller);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, set);
        QFETCH(bool, focus);
        QString inForce = QStringLiteral("untouched");
        const auto r = trx30::RuleCheck(text, caller, &inForce);
        QCOMPARE(r.passed, message.isEmpty());
        QCOMPARE(r.message, message);
        QCOMPARE(r.focus, focus);
        if (!message.isEmpty())
            QCOMPARE(r.title, QStringLiteral("입력오류!"));
        if (focus)
            QCOMPARE(inForce, QStringLiteral("untouched")); // a field rule failed first
        else
            QCOMPARE(inForce, set);
    }

    // Every pairing of a set and a refused character has its own message.
    void trx30EveryRefusal_namesSetAndCharacter() {
        int count = 0;
        for (int set = 2; set <= 5; ++set) {
            const QString& refused =
                set <= 3 ? trx30::SecondBankCharacters() : trx30::FirstBankCharacters();
            for (QChar c : refused) {
                const QString text = QStringLiteral("@%1").arg(set) + c;
                const auto r = trx30::RuleCheck(text, 1);
                QVERIFY2(!r.passed, qPrintable(text));
                QVERIFY(r.message.startsWith(QStringLiteral("'@%1'에서 특수문자 '").arg(set) + c));
                QVERIFY(r.message.endsWith(QStringLiteral("사용할 수 없습니다. .")));
                ++count;
            }
        }
        QCOMPARE(count, 36);
    }

    void controlCharacter_refusedByEveryController_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named"); // what the message names
        QTest::newRow("STX") << QStringLiteral("@1A\002") << "0x02 (4번째";
        QTest::newRow("ETX before a field error") << QStringLiteral("@1\003z000") << "0x03 (3번째";
        QTest::newRow("CR LF") << QStringLiteral("@1A\r\nB") << "0x0d";
        QTest::newRow("unit separator") << QStringLiteral("@1\037") << "0x1f";
    }
    void controlCharacter_refusedByEveryController() {
        QFETCH(QString, text);
        QFETCH(QString, named);
        QString set = QStringLiteral("untouched");
        for (const auto& r :
             {trx20::RuleCheck(text, 1), trx20::RuleCheck(text, 0), trx30::RuleCheck(text, 2, &set),
              trx30::RuleCheck(text, 0), hvl5::RuleCheck(text)}) {
            QVERIFY(!r.passed);
            QVERIFY(r.focus);
            QCOMPARE(r.title, QStringLiteral("입력오류!"));
            QVERIFY2(r.message.contains(QStringLiteral("제어 문자 ") + named),
                     qPrintable(r.message));
        }
        QCOMPARE(set, QStringLiteral("untouched"));
        QVERIFY(hvl5::RuleCheck(QStringLiteral(" @1 ")).passed); // 0x20 is no control character
    }

    void specialLetterCheck_data() {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("message"); // empty: passes
        QTest::newRow("plain") << QStringLiteral("K S") << QString();
        QTest::newRow("empty") << QString() << QStringLiteral("문자를 입력하십시오.");
        QTest::newRow("STX")
            << QStringLiteral("K\002")
            << QStringLiteral("특수문자에는 제어 문자 0x02 (2번째 문자)를 입력할 수 없습니다.");
    }
    void specialLetterCheck() {
        QFETCH(QString, letter);
        QFETCH(QString, message);
        const auto r = hvl5::SpecialLetterCheck(letter);
        QCOMPARE(r.passed, message.isEmpty());
        QCOMPARE(r.focus, !message.isEmpty());
        QCOMPARE(r.message, message);
    }

    void hvl5RuleCheck_passesEverything() {
        for (const QString& t : {QString(), QStringLiteral("r"), QStringLiteral("@9z000")})
            QCOMPARE(hvl5::RuleCheck(t), controllers::RuleCheckResult{});
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
