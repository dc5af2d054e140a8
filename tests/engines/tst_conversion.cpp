#include "common/Cp949.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"

#include <QTest>

using namespace marking;

namespace {

// A table of 100 slots with generated letters that match nothing in the tests
// except where a test sets a slot.
std::vector<hvl5::SpecialLetter> BlankSlots() {
    std::vector<hvl5::SpecialLetter> rows;
    for (int k = 1; k <= 100; ++k)
        rows.push_back({k, QStringLiteral("#%1#").arg(k), QStringLiteral("F%1").arg(k),
                        QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'))});
    return rows;
}

} // namespace

class TestConversion : public QObject {
    Q_OBJECT
private slots:
    void trx20Convert_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("four glyphs") << QStringLiteral("탄소강관") << QStringLiteral("!#$%");
        QTest::newRow("bo il reo") << QStringLiteral("보일러") << QStringLiteral("]&^");
        QTest::newRow("ga seu") << QStringLiteral("가스") << QStringLiteral("[^");
        QTest::newRow("black square is @") << QStringLiteral("■1") << QStringLiteral("@1");
        QTest::newRow("no row passes") << QStringLiteral("gA7똠") << QStringLiteral("gA7똠");
        QTest::newRow("shared codes") << QStringLiteral("및반압도구열조교력시환가보계러스료▲연□")
                                      << QStringLiteral("++<<==>>??[[]]^^aahh");
        QTest::newRow("symbols") << QStringLiteral("㉿ⓙⓐ품Ø기용배일")
                                 << QStringLiteral("bcdef\\;_&");
        QTest::newRow("fields stay") << QStringLiteral("@1r탄s") << QStringLiteral("@1r!s");
    }
    void trx20Convert() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto r = trx20::Convert(text);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.text, expected);
        QCOMPARE(r.text.size(), text.size());
    }

    void trx30Convert_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("bo under @2 stays") << QStringLiteral("@2보") << QStringLiteral("@2보");
        QTest::newRow("bo under @4") << QStringLiteral("@4보") << QStringLiteral("@4+");
        QTest::newRow("gi in three sets")
            << QStringLiteral("기@2기@4기") << QStringLiteral("기@2\\@4[");
        QTest::newRow("@1 keeps set") << QStringLiteral("@3가@1가") << QStringLiteral("@3[@1[");
        QTest::newRow("any-set rows without set")
            << QStringLiteral("탄소강관일용㉿ⓙØ") << QStringLiteral("!#$%&;bcf");
        QTest::newRow("any-set rows under @5")
            << QStringLiteral("@5탄소강관일용㉿ⓙØ") << QStringLiteral("@5!#$%&;bcf");
        QTest::newRow("no row in any set @2")
            << QStringLiteral("@2품▲ⓐ□■도시g") << QStringLiteral("@2품▲ⓐ□■도시g");
        QTest::newRow("no row in any set @4")
            << QStringLiteral("@4품▲ⓐ□■도시g") << QStringLiteral("@4품▲ⓐ□■도시g");
        QTest::newRow("first bank under @2")
            << QStringLiteral("@2반연구조료가기계스배압력") << QStringLiteral("@2+<=>?[\\]^_ad");
        QTest::newRow("first bank under @4 passes") << QStringLiteral("@4반연구조료가계스배압력")
                                                    << QStringLiteral("@4반연구조료가계스배압력");
        QTest::newRow("second bank under @5")
            << QStringLiteral("@5보러및열교기환") << QStringLiteral("@5+<=>?[\\");
        QTest::newRow("second bank without set")
            << QStringLiteral("보러및열교환") << QStringLiteral("보러및열교환");
        QTest::newRow("@ at the end") << QStringLiteral("@2가@") << QStringLiteral("@2[@");
    }
    void trx30Convert() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto r = trx30::Convert(text);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.text, expected);
    }

    void hvl5Convert_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("slot"); // 1-based slot to set, 0 for none
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected");
        QTest::newRow("marker dropped")
            << QStringLiteral("AB↕C") << 0 << QString() << QString() << QStringLiteral("ABC");
        QTest::newRow("bank 4 letter") << QStringLiteral("@4KS1") << 1 << QStringLiteral("KS")
                                       << QStringLiteral("01") << QStringLiteral("@4011");
        QTest::newRow("no bank") << QStringLiteral("KS1") << 1 << QStringLiteral("KS")
                                 << QStringLiteral("01") << QStringLiteral("KS1");
        QTest::newRow("q4 selects bank 4") << QStringLiteral("q4KS") << 1 << QStringLiteral("KS")
                                           << QStringLiteral("01") << QStringLiteral("q401");
        QTest::newRow("bank 5 ignores slot 1")
            << QStringLiteral("@5KS") << 1 << QStringLiteral("KS") << QStringLiteral("01")
            << QStringLiteral("@5KS");
        QTest::newRow("slot 50 is bank 4") << QStringLiteral("@4Z") << 50 << QStringLiteral("Z")
                                           << QStringLiteral("<50>") << QStringLiteral("@4<50>");
        QTest::newRow("slot 51 is bank 5") << QStringLiteral("@5Z@4Z") << 51 << QStringLiteral("Z")
                                           << QStringLiteral("<51>") << QStringLiteral("@5<51>@4Z");
        QTest::newRow("letter cut by the end") << QStringLiteral("@4K") << 1 << QStringLiteral("KS")
                                               << QStringLiteral("01") << QStringLiteral("@4K");
        QTest::newRow("@ at the end keeps bank")
            << QStringLiteral("@4K@") << 1 << QStringLiteral("K") << QStringLiteral("01")
            << QStringLiteral("@401@");
        QTest::newRow("empty letter never matches")
            << QStringLiteral("@4AB") << 1 << QString() << QStringLiteral("01")
            << QStringLiteral("@4AB");
        QTest::newRow("hangul letter, marker in bank")
            << QStringLiteral("@5강관↕") << 60 << QStringLiteral("강관") << QStringLiteral("A9")
            << QStringLiteral("@5A9");
        QTest::newRow("address may be empty") << QStringLiteral("@4XY") << 3 << QStringLiteral("X")
                                              << QString() << QStringLiteral("@4Y");
    }
    void hvl5Convert() {
        QFETCH(QString, text);
        QFETCH(int, slot);
        QFETCH(QString, letter);
        QFETCH(QString, address);
        QFETCH(QString, expected);
        auto rows = BlankSlots();
        if (slot > 0) {
            rows[static_cast<std::size_t>(slot - 1)].letter = letter;
            rows[static_cast<std::size_t>(slot - 1)].controllerAddress = address;
        }
        const auto r = hvl5::Convert(text, hvl5::SpecialLetterTable(rows));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.text, expected);
    }

    void hvl5Convert_firstSlotOfBankWins() {
        auto rows = BlankSlots();
        rows[0] = {1, QStringLiteral("K"), QStringLiteral("F1"), QStringLiteral("a1")};
        rows[1] = {2, QStringLiteral("KS"), QStringLiteral("F2"), QStringLiteral("a2")};
        rows[50] = {51, QStringLiteral("KS"), QStringLiteral("F51"), QStringLiteral("a51")};
        const hvl5::SpecialLetterTable table(rows);
        QCOMPARE(hvl5::Convert(QStringLiteral("@5KS"), table).text, QStringLiteral("@5a51"));
        QCOMPARE(hvl5::Convert(QStringLiteral("@4KS"), table).text, QStringLiteral("@4a1S"));
    }

    void hvl5Convert_emptyTableCopiesText() {
        const auto r = hvl5::Convert(QStringLiteral("@4AB↕"), hvl5::SpecialLetterTable());
        QVERIFY(r.ok);
        QCOMPARE(r.text, QStringLiteral("@4AB"));
    }

    void unencodable_reportsError_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("alef") << QStringLiteral("@1A\u2135");
        QTest::newRow("emoji") << QStringLiteral("@1🙂");
        QTest::newRow("lone surrogate") << (QStringLiteral("@1") + QChar(0xDC00));
    }
    void unencodable_reportsError() {
        QFETCH(QString, text);
        const auto a = trx20::Convert(text);
        const auto b = trx30::Convert(text);
        const auto c = hvl5::Convert(text, hvl5::SpecialLetterTable(BlankSlots()));
        for (const auto& r : {a, b, c}) {
            QVERIFY(!r.ok);
            QVERIFY(r.text.isEmpty());
            QVERIFY(!r.error.isEmpty());
        }
        QVERIFY(a.error.contains(u"TRX-20"));
        QVERIFY(b.error.contains(u"TRX-30"));
        QVERIFY(c.error.contains(u"HVL-5"));
    }

    // Behind the rule checks, no conversion or frame lets a control character
    // through, from the text or from a special letter's address.
    void controlCharacter_refusedByConversionAndFrame() {
        const QString text = QStringLiteral("@1A\002B");
        auto rows = BlankSlots();
        rows[0].letter = QStringLiteral("K");
        rows[0].controllerAddress = QStringLiteral("0\0031");
        const hvl5::SpecialLetterTable table(rows);
        for (const auto& r :
             {trx20::Convert(text), trx30::Convert(text), hvl5::Convert(text, table),
              hvl5::Convert(QStringLiteral("@4K"), table)}) {
            QVERIFY(!r.ok && r.text.isEmpty());
            QVERIFY2(r.error.contains(QStringLiteral("제어 문자 0x0")), qPrintable(r.error));
        }
        for (const auto& f :
             {trx20::BuildFrame(text), trx30::BuildFrame(text), hvl5::BuildFrame(text)}) {
            QVERIFY(!f.ok && f.bytes.isEmpty());
            QVERIFY(f.error.contains(QStringLiteral("제어 문자 0x02")));
        }
    }

    void hvl5Convert_unencodableAddressReportsError() {
        auto rows = BlankSlots();
        rows[0].letter = QStringLiteral("K");
        rows[0].controllerAddress = QStringLiteral("\u2135");
        const auto r = hvl5::Convert(QStringLiteral("@4K"), hvl5::SpecialLetterTable(rows));
        QVERIFY(!r.ok);
    }

    // Every glyph of the TRX-20 and TRX-30 tables and palettes, and every
    // character the tables produce, is one code page 949 character.
    void glyphTables_roundTripCp949() {
        QString all = QStringLiteral("@rstuvwxyz탄소강관연료용압구조력수일반가배스▲㉿ⓙ품Øⓐ□"
                                     "및열교환기보러도시계■↕");
        for (const auto& [from, to] : trx20::CharacterTable()) {
            all.append(from);
            all.append(to);
        }
        all += trx30::FirstBankCharacters() + trx30::SecondBankCharacters();
        for (QChar c : all) {
            const auto e = cp949::Encode(QString(c));
            QVERIFY2(e.ok, qPrintable(QString(c)));
            QCOMPARE(e.bytes.size(), c.unicode() < 0x80 ? 1 : 2);
            QCOMPARE(cp949::Decode(e.bytes), QString(c));
        }
        QCOMPARE(trx20::CharacterTable().size(), 34);
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
