#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "controllers/MarkingDataFocus.h"
#include "controllers/hvl5/Hvl5Modules.h"
#include "controllers/trx20/Trx20Modules.h"
#include "controllers/trx30/Trx30Modules.h"

#include <QTest>

using namespace marking;

namespace {

class CountingFocus : public MarkingDataFocus {
public:
    void FocusMarkingData() override { ++count; }
    int count = 0;
};

} // namespace

class TestModules : public QObject {
    Q_OBJECT
private:
    ScriptedMessagePort port_;
    CountingFocus setting_;
    CountingFocus workState_;
    std::unique_ptr<ScopedMessagePort> scoped_;

private slots:
    void init() {
        ResetSharedValues();
        port_.Clear();
        scoped_ = std::make_unique<ScopedMessagePort>(&port_);
        setting_.count = 0;
        workState_.count = 0;
        SetMarkingDataFocus(1, &setting_);
        SetMarkingDataFocus(2, &workState_);
    }
    void cleanup() {
        SetMarkingDataFocus(1, nullptr);
        SetMarkingDataFocus(2, nullptr);
        scoped_.reset();
    }

    void ruleCheck_data() {
        QTest::addColumn<int>("controller"); // 0 TRX-20, 1 HVL-5, 2 TRX-30
        QTest::addColumn<int>("caller");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("passed");
        QTest::addColumn<int>("messages");
        QTest::addColumn<int>("settingFocus");
        QTest::addColumn<int>("workStateFocus");
        QTest::newRow("trx20 pass") << 0 << 1 << QStringLiteral("@1ABC") << true << 0 << 0 << 0;
        QTest::newRow("trx20 fail caller 1")
            << 0 << 1 << QStringLiteral("@1z000") << false << 1 << 1 << 0;
        QTest::newRow("trx20 fail caller 2")
            << 0 << 2 << QStringLiteral("@1z000") << false << 1 << 0 << 1;
        QTest::newRow("trx20 silent failure")
            << 0 << 2 << QStringLiteral("@1A@2") << false << 0 << 0 << 1;
        QTest::newRow("trx20 caller 0") << 0 << 0 << QString() << true << 0 << 0 << 0;
        QTest::newRow("trx30 set refusal keeps focus")
            << 2 << 1 << QStringLiteral("@2보") << false << 1 << 0 << 0;
        QTest::newRow("trx30 field failure moves focus")
            << 2 << 2 << QStringLiteral("A") << false << 1 << 0 << 1;
        QTest::newRow("trx30 pass") << 2 << 1 << QStringLiteral("@4보") << true << 0 << 0 << 0;
        QTest::newRow("hvl5 pass") << 1 << 1 << QStringLiteral("AB") << true << 0 << 0 << 0;
        QTest::newRow("trx20 control character")
            << 0 << 1 << QStringLiteral("@1A\002B") << false << 1 << 1 << 0;
        QTest::newRow("trx20 control character, caller 0")
            << 0 << 0 << QStringLiteral("@1\003") << false << 1 << 0 << 0;
        QTest::newRow("trx30 control character")
            << 2 << 2 << QStringLiteral("@4\tA") << false << 1 << 0 << 1;
        QTest::newRow("hvl5 control character")
            << 1 << 2 << QStringLiteral("A\002B") << false << 1 << 0 << 1;
    }
    void ruleCheck() {
        QFETCH(int, controller);
        QFETCH(int, caller);
        QFETCH(QString, text);
        QFETCH(bool, passed);
        QFETCH(int, messages);
        QFETCH(int, settingFocus);
        QFETCH(int, workStateFocus);
        Shared().MarkingText = text;
        Shared().RuleCheckCaller = static_cast<std::int16_t>(caller);
        Shared().RuleCheckPassed = !passed;
        if (controller == 0)
            ModTRX20MarkingDataRuleCheck();
        else if (controller == 1)
            ModHVL5MarkingDataRuleCheck();
        else
            ModTRX30MarkingDataRuleCheck();
        QCOMPARE(Shared().RuleCheckPassed, passed);
        QCOMPARE(port_.Messages().size(), messages);
        for (const auto& m : port_.Messages())
            QCOMPARE(m.icon, MessageIcon::Information);
        QCOMPARE(setting_.count, settingFocus);
        QCOMPARE(workState_.count, workStateFocus);
        QCOMPARE(Shared().MarkingText, text); // read only
    }

    void trx30RuleCheck_leavesSetInForce() {
        Shared().MarkingText = QStringLiteral("@3A@2AB@5반");
        Shared().RuleCheckCaller = 1;
        ModTRX30MarkingDataRuleCheck();
        QCOMPARE(TRX30CharacterSet(), QStringLiteral("@5"));
        Shared().MarkingText = QStringLiteral("@3A");
        ModTRX30MarkingDataRuleCheck();
        QVERIFY(TRX30CharacterSet().isEmpty());
    }

    void noFocusTarget_isHarmless() {
        SetMarkingDataFocus(1, nullptr);
        Shared().MarkingText = QStringLiteral("X");
        Shared().RuleCheckCaller = 1;
        ModTRX20MarkingDataRuleCheck();
        QVERIFY(!Shared().RuleCheckPassed);
        QCOMPARE(port_.Messages().size(), 1);
    }

    void lengthCheck_readsSharedValues() {
        Shared().MarkingText = QStringLiteral("@5탄소강");
        Shared().CurrentMarkingMethod = 1;
        Shared().CurrentRepetition = 2;
        Shared().ParenthesisSelection = 1;
        Shared().ProgramSettings.DotDimension = 0.1;
        Shared().ProgramSettings.LetterIntervalDotVolume = 2;
        Shared().ProgramSettings.Revision = 1;
        ModTRX20MarkingDataLengthCheck();
        QVERIFY(qAbs(Shared().MarkingDataLength - (2 * 4.2 + 8.0)) < 1e-9);
        ModTRX30MarkingDataLengthCheck();
        QVERIFY(qAbs(Shared().MarkingDataLength - (2 * 3.6 + 8.0)) < 1e-9);
        QVERIFY(port_.Entries().isEmpty());
    }

    void conversion_writesControllerText() {
        Shared().MarkingText = QStringLiteral("@2기@4기");
        QVERIFY(ModTRX30DataConversion());
        QCOMPARE(Shared().ControllerText, QStringLiteral("@2\\@4["));
        QCOMPARE(TRX30CharacterSet(), QStringLiteral("@4"));
        Shared().MarkingText = QStringLiteral("탄소강관");
        QVERIFY(ModTRX20DataConversion());
        QCOMPARE(Shared().ControllerText, QStringLiteral("!#$%"));
        QVERIFY(port_.Entries().isEmpty());
    }

    void conversion_unencodableShowsErrorAndEmptiesText() {
        Shared().ControllerText = QStringLiteral("old");
        Shared().MarkingText = QStringLiteral("@1A\u2135");
        QVERIFY(!ModTRX20DataConversion());
        QVERIFY(Shared().ControllerText.isEmpty());
        QCOMPARE(port_.Messages().size(), 1);
        QVERIFY(port_.Messages().front().text.contains(QStringLiteral("\u2135")));
        Shared().ControllerText = QStringLiteral("old");
        QVERIFY(!ModTRX30DataConversion());
        QVERIFY(Shared().ControllerText.isEmpty());
        QCOMPARE(port_.Messages().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestModules)
#include "tst_modules.moc"
