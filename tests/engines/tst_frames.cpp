#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"

#include <QTest>

using namespace marking;

namespace {

controllers::FrameResult Frame(const QString& controller, const QString& text) {
    if (controller == u"trx20")
        return trx20::BuildFrame(text);
    if (controller == u"trx30")
        return trx30::BuildFrame(text);
    return hvl5::BuildFrame(text);
}

} // namespace

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void frame_data() {
        QTest::addColumn<QString>("controller");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("trx20 empty: check 0x30")
            << QStringLiteral("trx20") << QString() << QByteArray::fromHex("02330330");
        QTest::newRow("trx20 converted glyphs") << QStringLiteral("trx20") << QStringLiteral("!#$%")
                                                << QByteArray::fromHex("023321232425"
                                                                       "0333");
        QTest::newRow("trx20 double-byte check written high byte first")
            << QStringLiteral("trx20") << QStringLiteral("가")
            << QByteArray::fromHex("0233b0a103b091");
        QTest::newRow("trx20 two double-byte codes cancel to one byte")
            << QStringLiteral("trx20") << QStringLiteral("가가")
            << QByteArray::fromHex("0233b0a1b0a10330");
        QTest::newRow("trx30 empty: no check")
            << QStringLiteral("trx30") << QString() << QByteArray::fromHex("023303");
        QTest::newRow("trx30 text") << QStringLiteral("trx30") << QStringLiteral("@4+")
                                    << QByteArray::fromHex("0233"
                                                           "40342b"
                                                           "03");
        QTest::newRow("trx30 hangul bytes") << QStringLiteral("trx30") << QStringLiteral("@2보")
                                            << QByteArray::fromHex("02334032bab803");
        QTest::newRow("hvl5 empty: check '1'")
            << QStringLiteral("hvl5") << QString() << QByteArray::fromHex("02320331");
        QTest::newRow("hvl5 ABC: check 0x71") << QStringLiteral("hvl5") << QStringLiteral("ABC")
                                              << QByteArray::fromHex("0232414243"
                                                                     "0371");
    }
    void frame() {
        QFETCH(QString, controller);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const controllers::FrameResult r = Frame(controller, text);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.bytes.toHex(), bytes.toHex());
        QVERIFY(r.error.isEmpty());
    }

    void unencodableText_reportsErrorAndNoBytes_data() {
        QTest::addColumn<QString>("controller");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("bad");
        for (const char* c : {"trx20", "trx30", "hvl5"}) {
            QTest::addRow("%s alef", c) << QString::fromLatin1(c) << QStringLiteral("AB\u2135C")
                                        << QStringLiteral("\u2135");
            QTest::addRow("%s emoji", c)
                << QString::fromLatin1(c) << QStringLiteral("가🙂") << QStringLiteral("🙂");
        }
    }
    void unencodableText_reportsErrorAndNoBytes() {
        QFETCH(QString, controller);
        QFETCH(QString, text);
        QFETCH(QString, bad);
        const controllers::FrameResult r = Frame(controller, text);
        QVERIFY(!r.ok);
        QVERIFY(r.bytes.isEmpty());
        QVERIFY2(r.error.contains(bad), qPrintable(r.error));
    }
};

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
