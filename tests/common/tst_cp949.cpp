#include "common/Cp949.h"

#include <QTest>

using namespace marking;

class TestCp949 : public QObject {
    Q_OBJECT
private slots:
    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ascii") << QStringLiteral("AB 12@4") << QByteArray("AB 12@4");
        QTest::newRow("control") << QStringLiteral("\x02"
                                                   "3A\x03")
                                 << QByteArray("\x02"
                                               "3A\x03");
        QTest::newRow("hangul") << QStringLiteral("가") << QByteArray("\xb0\xa1");
        QTest::newRow("mixed") << QStringLiteral("A가B")
                               << QByteArray("A\xb0\xa1"
                                             "B");
        // An extension syllable outside KS X 1001 (only the unified code page has it).
        QTest::newRow("extension") << QStringLiteral("똠") << QByteArray("\x8c\x63");
        QTest::newRow("symbol") << QStringLiteral("◈") << QByteArray("\xa2\xc2");
    }
    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const auto r = cp949::Encode(text);
        QVERIFY(r.ok);
        QCOMPARE(r.bytes, bytes);
        QCOMPARE(cp949::Decode(bytes), text);
        QCOMPARE(cp949::EncodedLength(text), bytes.size());
    }

    void unencodable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("bad");
        QTest::newRow("alef") << QStringLiteral("AB\u2135C") << 2 << QStringLiteral("\u2135");
        QTest::newRow("emoji") << QStringLiteral("가🙂") << 1 << QStringLiteral("🙂");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << 0 << QString(QChar(0xD800));
    }
    void unencodable() {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(QString, bad);
        const auto r = cp949::Encode(text);
        QVERIFY(!r.ok);
        QVERIFY(r.bytes.isEmpty());
        QCOMPARE(r.badIndex, index);
        QCOMPARE(r.badCharacter, bad);
        QVERIFY(r.errorText().contains(bad));
        QCOMPARE(cp949::EncodedLength(text), -1);
    }

    void everyHangulSyllable_roundTrips() {
        QString all;
        for (char16_t c = 0xAC00; c <= 0xD7A3; ++c)
            all.append(QChar(c));
        const auto r = cp949::Encode(all);
        QVERIFY(r.ok);
        QCOMPARE(r.bytes.size(), all.size() * 2);
        QCOMPARE(cp949::Decode(r.bytes), all);
    }

    // The quick answer agrees with the converter for every character of the
    // basic plane, and for a text mixing known and asked characters.
    void canEncode_agreesWithEncode() {
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            const QString one(QChar(static_cast<char16_t>(c)));
            if (cp949::CanEncode(one) != cp949::Encode(one).ok)
                QFAIL(qPrintable(QStringLiteral("U+%1").arg(unsigned(c), 4, 16, QLatin1Char('0'))));
        }
        QVERIFY(cp949::CanEncode(QStringLiteral("@4가↕A")));
        QVERIFY(!cp949::CanEncode(QStringLiteral("@4가\u2135A")));
    }

    void invalidBytes_decodeToReplacement() {
        const QString s = cp949::Decode(QByteArray("A\xff"
                                                   "B"));
        QCOMPARE(s.size(), 3);
        QCOMPARE(s.at(0), QChar(u'A'));
        QCOMPARE(s.at(1), QChar(QChar::ReplacementCharacter));
        QCOMPARE(s.at(2), QChar(u'B'));
    }

    void hex_isLowerCaseWithoutSeparators() {
        QCOMPARE(cp949::Hex(QByteArray("\x02\xb0\xa1")), QStringLiteral("02b0a1"));
    }
};

QTEST_GUILESS_MAIN(TestCp949)
#include "tst_cp949.moc"
