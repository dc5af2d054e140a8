#include "store/Connection.h"
#include "store/Recordset.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run Markingctl(const QStringList& args) {
    QProcess p;
    p.setProgram(QDir(qEnvironmentVariable("MARKING_PROGRAM_DIR")).filePath("markingctl"));
    p.setArguments(args);
    p.start();
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The one JSON object a run printed: exactly one line ending in a newline.
QJsonObject OneObject(const Run& r) {
    if (!r.out.endsWith('\n') || r.out.count('\n') != 1)
        return {};
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    return error.error == QJsonParseError::NoError && doc.isObject() ? doc.object() : QJsonObject{};
}

QStringList Keys(const QJsonObject& o) {
    QStringList keys = o.keys();
    keys.sort();
    return keys;
}

QStringList Args(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class TestEnginesCli : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const Run init = Markingctl({QStringLiteral("db"), QStringLiteral("init"), dir_.path()});
        QCOMPARE(init.exitCode, 0);
        // Slot 1 gets the special letter KS, slot 51 the letter 강관.
        marking::store::Connection connection;
        QVERIFY(connection.Open(dir_.path(), marking::store::DatabaseFile::Database).ok());
        marking::store::Recordset rows;
        QVERIFY(
            rows.Open(QStringLiteral("select * from SpecialLetter where S_ID"), connection).ok());
        QCOMPARE(rows.RecordCount(), 100);
        rows.MoveFirst();
        for (int slot = 1; slot <= 51; ++slot, rows.MoveNext()) {
            if (slot == 1 || slot == 51) {
                QVERIFY(rows.SetField(QStringLiteral("S_SpecialLetter"),
                                      slot == 1 ? QStringLiteral("KS") : QStringLiteral("강관"))
                            .ok());
                QVERIFY(rows.Update().ok());
            }
        }
    }

    void check_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected"); // the JSON object
        QTest::newRow("trx20 passes")
            << Args("check --controller trx20 @1ABC")
            << R"({"passed":true,"message":null,"title":null,"focus":false})";
        QTest::newRow("trx20 silent failure")
            << Args("check --controller trx20 @1ABC@2")
            << R"({"passed":false,"message":null,"title":null,"focus":true})";
        QTest::newRow("trx20 empty text")
            << QStringList{"check", "--controller", "trx20", ""}
            << R"({"passed":false,"message":"마킹 데이터를 입력하십시요.","title":"입력 확인!","focus":true})";
        QTest::newRow("trx20 caller 2 t-message")
            << Args("check --controller trx20 --caller 2 @1t000u2")
            << "{\"passed\":false,\"message\":\"'t'다음에는 0~999의 숫자와 'u' 또는 'v' 그리고 "
               "다시 숫자를 입력하셔야 합니다.\\r\\n\\r\\n입력방법은 다음과 같습니다.\\r\\n\\r\\n"
               "'t  1u2', 't001u2', 't  1v2' 또는 't001v2'\",\"title\":\"입력오류!\","
               "\"focus\":true}";
        QTest::newRow("trx20 caller 0")
            << Args("check --controller trx20 --caller 0 r")
            << R"({"passed":true,"message":null,"title":null,"focus":false})";
        QTest::newRow("trx30 set refusal")
            << Args("check --controller trx30 @2보")
            << R"({"passed":false,"message":"'@2'에서 특수문자 '보'을 사용할 수 없습니다. .","title":"입력오류!","focus":false})";
        QTest::newRow("hvl5 passes anything")
            << Args("check --controller hvl5 xyz")
            << R"({"passed":true,"message":null,"title":null,"focus":false})";
        QTest::newRow("text after -- may start with -")
            << Args("check --controller trx20 -- --1")
            << R"({"passed":false,"message":"첫번째 문자는 반드시 '@'를 입력하셔야 합니다.","title":"입력오류!","focus":true})";
        QTest::newRow("text not trimmed")
            << QStringList{"check", "--controller", "trx20", " @1A"}
            << R"({"passed":false,"message":"첫번째 문자는 반드시 '@'를 입력하셔야 합니다.","title":"입력오류!","focus":true})";
    }
    void check() {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        const Run r = Markingctl(args);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        const QJsonObject got = OneObject(r);
        QCOMPARE(Keys(got), (QStringList{"focus", "message", "passed", "title"}));
        QCOMPARE(got, QJsonDocument::fromJson(expected.toUtf8()).object());
    }

    void measure_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<double>("length");
        QTest::addColumn<qint64>("dots");
        const char* trx = "measure --method 0 --parenthesis 0 --repetition 0 --dot 0.1 "
                          "--interval 2 --revision 1 --controller ";
        QTest::newRow("trx20 @5ABC")
            << Args(trx) + QStringList{"trx20", "@5ABC"} << 4.2 << qint64(42);
        QTest::newRow("trx30 @5탄소강")
            << Args(trx) + QStringList{"trx30", "@5탄소강"} << 3.6 << qint64(36);
        QTest::newRow("trx20 width before")
            << Args(trx) + QStringList{"trx20", "--width", "10", "AB"} << 2.4 << qint64(24);
        QTest::newRow("trx20 continuity")
            << Args("measure --controller trx20 --method 1 --parenthesis 1 --repetition 3 "
                    "--dot 0.1 --interval 2 --revision 1 @1ABC")
            << 14.3 << qint64(21);
        const char* hvl = "measure --controller hvl5 --method 0 --parenthesis 0 --repetition 0 "
                          "--dot 0.5 --interval 2 --revision 1";
        QTest::newRow("hvl5 first check") << Args(hvl) + QStringList{"ABC"} << 3.0 << qint64(6);
        QTest::newRow("hvl5 width kept")
            << Args(hvl) + QStringList{"--width", "10", "ABC"} << 18.0 << qint64(36);
        QTest::newRow("hvl5 special letter from db")
            << Args(hvl) + QStringList{"--width", "10", "--db", dir_.path(), "KS강관A"} << 18.0
            << qint64(36);
        QTest::newRow("hvl5 @S without digits")
            << Args(hvl) + QStringList{"--width", "10", "--db", dir_.path(), "@S1"} << 18.0
            << qint64(36);
    }
    void measure() {
        QFETCH(QStringList, args);
        QFETCH(double, length);
        QFETCH(qint64, dots);
        const Run r = Markingctl(args);
        QCOMPARE(r.exitCode, 0);
        const QJsonObject got = OneObject(r);
        QCOMPARE(Keys(got), (QStringList{"dots", "length"}));
        QVERIFY2(qAbs(got.value("length").toDouble() - length) < 1e-9, r.out.constData());
        QCOMPARE(got.value("dots").toInteger(), dots);
    }

    void convertAndFrame_data() {
        QTest::addColumn<QString>("controller");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("converted");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("frame");
        QTest::newRow("trx20 glyphs") << "trx20"
                                      << "탄소강관"
                                      << "!#$%"
                                      << "21232425"
                                      << "0233212324250333";
        QTest::newRow("trx20 empty") << "trx20"
                                     << ""
                                     << ""
                                     << ""
                                     << "02330330";
        QTest::newRow("trx30 @4보") << "trx30"
                                    << "@4보"
                                    << "@4+"
                                    << "40342b"
                                    << "023340342b03";
        QTest::newRow("trx30 empty") << "trx30"
                                     << ""
                                     << ""
                                     << ""
                                     << "023303";
        QTest::newRow("hvl5 marker") << "hvl5"
                                     << "AB↕C"
                                     << "ABC"
                                     << "414243"
                                     << "02324142430371";
        QTest::newRow("hvl5 empty") << "hvl5"
                                    << ""
                                    << ""
                                    << ""
                                    << "02320331";
        QTest::newRow("hvl5 letters of both banks") << "hvl5"
                                                    << "@4KS1@5강관"
                                                    << "@40011@5051"
                                                    << "40343030313140353035 31"
                                                    << "";
        QTest::newRow("text may begin with @") << "trx20"
                                               << "@1■1"
                                               << "@1@1"
                                               << "40314031"
                                               << "";
    }
    void convertAndFrame() {
        QFETCH(QString, controller);
        QFETCH(QString, text);
        QFETCH(QString, converted);
        QFETCH(QString, hex);
        QFETCH(QString, frame);
        hex.remove(QLatin1Char(' '));
        const Run c =
            Markingctl({"convert", "--controller", controller, "--db", dir_.path(), text});
        QCOMPARE(c.exitCode, 0);
        const QJsonObject got = OneObject(c);
        QCOMPARE(Keys(got), (QStringList{"hex", "text"}));
        QCOMPARE(got.value("text").toString(), converted);
        QCOMPARE(got.value("hex").toString(), hex);

        const Run f = Markingctl({"frame", "--controller", controller, "--db", dir_.path(), text});
        QCOMPARE(f.exitCode, 0);
        const QJsonObject framed = OneObject(f);
        QCOMPARE(Keys(framed), QStringList{"hex"});
        const QString bytes = framed.value("hex").toString();
        if (!frame.isEmpty())
            QCOMPARE(bytes, frame);
        // STX, the command, the converted text, ETX.
        QVERIFY(bytes.startsWith(controller == u"hvl5" ? "0232" + hex : "0233" + hex));
        QCOMPARE(bytes.mid(4 + hex.size(), 2), QStringLiteral("03"));
    }

    void expand_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("length");
        QTest::addColumn<qint64>("gap");
        QTest::newRow("trx20 three copies")
            << Args("expand --controller trx20 --length 1000 --repetition 3 --parenthesis 0 "
                    "--pipe-side 100 --dot 0.1 --interval 2 --revision 1 @1ABC")
            << "@1ABCz999z999z999z999z472@1ABCz999z999z999z999z472@1ABC" << 6.3 << qint64(4468);
        QTest::newRow("hvl5 preset in front")
            << Args("expand --controller hvl5 --length 1000 --repetition 2 --parenthesis 3 "
                    "--pipe-side 100 --dot 0.1 --interval 2 --revision 1 @1ABC")
            << "@3(     )@1ABC@S8842@1ABC" << (2 * 2.1 + 11.6) << qint64(8842);
        QTest::newRow("one copy") << Args("expand --controller trx30 --length 1000 --repetition 1 "
                                          "--parenthesis 0 --pipe-side 0 --dot 1 --interval 2 "
                                          "--revision 1 @1A")
                                  << "@1A" << 7.0 << qint64(993);
    }
    void expand() {
        QFETCH(QStringList, args);
        QFETCH(QString, text);
        QFETCH(double, length);
        QFETCH(qint64, gap);
        const Run r = Markingctl(args << "--db" << dir_.path());
        QCOMPARE(r.exitCode, 0);
        const QJsonObject got = OneObject(r);
        QCOMPARE(Keys(got), (QStringList{"gap", "length", "text"}));
        QCOMPARE(got.value("text").toString(), text);
        QVERIFY2(qAbs(got.value("length").toDouble() - length) < 1e-9, r.out.constData());
        QCOMPARE(got.value("gap").toInteger(), gap);
    }

    void output_keepsDocumentedMemberOrder_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("check") << Args("check --controller trx20 @1A")
                               << QByteArray(
                                      R"({"passed":true,"message":null,"title":null,"focus":false})"
                                      "\n");
        QTest::newRow("measure")
            << Args("measure --controller trx20 --method 0 --parenthesis 0 --repetition 0 "
                    "--dot 1 --interval 2 --revision 1 @1A")
            << QByteArray("{\"length\":7,\"dots\":7}\n");
        QTest::newRow("convert") << Args("convert --controller trx20 탄")
                                 << QByteArray("{\"text\":\"!\",\"hex\":\"21\"}\n");
        QTest::newRow("frame") << Args("frame --controller trx30 A")
                               << QByteArray("{\"hex\":\"02334103\"}\n");
        QTest::newRow("expand")
            << Args("expand --controller trx20 --length 100 --repetition 2 --parenthesis 0 "
                    "--pipe-side 0 --dot 1 --interval 2 --revision 1 @1A")
            << QByteArray("{\"text\":\"@1Az086@1A\",\"length\":14,\"gap\":86}\n");
    }
    void output_keepsDocumentedMemberOrder() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, output);
        const Run r = Markingctl(args);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, output);
    }

    void dataError_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("unencodable convert")
            << QStringList{"convert", "--controller", "trx20", "@1ℵ"} << "ℵ";
        QTest::newRow("unencodable frame")
            << QStringList{"frame", "--controller", "trx30", "🙂"} << "🙂";
        QTest::newRow("no fit") << Args("expand --controller trx20 --length 100 --repetition 3 "
                                        "--parenthesis 0 --pipe-side 98 --dot 0.1 --interval 2 "
                                        "--revision 1 @1ABC")
                                << "들어가지 않습니다";
        QTest::newRow("dot 0") << Args("expand --controller trx30 --length 6000 --repetition 3 "
                                       "--parenthesis 0 --pipe-side 100 --dot 0 --interval 2 "
                                       "--revision 1 ABC")
                               << "DotDimension";
        QTest::newRow("missing database")
            << QStringList{"convert", "--controller", "hvl5", "--db", "/nonexistent/dir", "A"}
            << "Database.mdb";
    }
    void dataError() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const Run r = Markingctl(args);
        QCOMPARE(r.exitCode, 3);
        const QJsonObject got = OneObject(r);
        QCOMPARE(Keys(got), QStringList{"error"});
        QVERIFY2(got.value("error").toString().contains(says), r.out.constData());
    }

    void usageError_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown subcommand") << Args("weigh --controller trx20 A");
        QTest::newRow("unknown option") << Args("check --controller trx20 --colour red A");
        QTest::newRow("missing value") << Args("check --controller");
        QTest::newRow("unknown controller") << Args("check --controller trx40 A");
        QTest::newRow("no text") << Args("convert --controller trx20");
        QTest::newRow("two texts") << Args("convert --controller trx20 A B");
        QTest::newRow("missing option") << Args("measure --controller trx20 --method 0 A");
        QTest::newRow("caller out of range") << Args("check --controller trx20 --caller 99999 A");
        QTest::newRow("repetition negative")
            << Args("expand --controller trx20 --length 1000 --repetition -1 --parenthesis 0 "
                    "--pipe-side 0 --dot 1 --interval 2 --revision 1 A");
        QTest::newRow("dot not a number")
            << Args("measure --controller trx20 --method 0 --parenthesis 0 --repetition 0 "
                    "--dot x --interval 2 --revision 1 A");
        QTest::newRow("dot infinite")
            << Args("measure --controller trx20 --method 0 --parenthesis 0 --repetition 0 "
                    "--dot inf --interval 2 --revision 1 A");
    }
    void usageError() {
        QFETCH(QStringList, args);
        const Run r = Markingctl(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(!r.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEnginesCli)
#include "tst_engines_cli.moc"
