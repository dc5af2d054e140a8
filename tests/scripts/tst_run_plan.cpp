// scripts/run --plan: which simulated device answers on which COM number, for
// the settings row of the program directory.

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestRunPlan : public QObject {
    Q_OBJECT

private slots:
    void plan_oneDevicePerComNumber_data();
    void plan_oneDevicePerComNumber();
};

void TestRunPlan::plan_oneDevicePerComNumber_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QVariant>("controller"); // COM indexes, 0 = COM 1
    QTest::addColumn<QVariant>("plc");
    QTest::addColumn<QVariant>("carving");
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("message"); // on standard error; empty: none
    const QVariant null;
    QTest::newRow("delivered") << 0 << QVariant(0) << QVariant(2) << QVariant(1)
                               << "COM1 trx20\nCOM3 plc\nCOM2 carving\n"
                               << "";
    QTest::newRow("controller and carving share COM 2")
        << 0 << QVariant(1) << QVariant(2) << QVariant(1) << "COM2 trx20\nCOM3 plc\n"
        << "COM 2 is set for both the print controller and the carving machine: the simulated "
           "print controller answers on it, the carving machine is not simulated";
    QTest::newRow("controller and PLC share COM 3")
        << 1 << QVariant(2) << QVariant(2) << QVariant(1) << "COM3 hvl5\nCOM2 carving\n"
        << "COM 3 is set for both the print controller and the PLC";
    QTest::newRow("PLC and carving share COM 4")
        << 2 << QVariant(0) << QVariant(3) << QVariant(3) << "COM1 trx30\nCOM4 plc\n"
        << "COM 4 is set for both the PLC and the carving machine";
    QTest::newRow("all on COM 5") << 0 << QVariant(4) << QVariant(4) << QVariant(4)
                                  << "COM5 trx20\n"
                                  << "COM 5 is set for both the print controller and the carving";
    QTest::newRow("no controller port")
        << 0 << null << QVariant(2) << QVariant(1) << "COM1 trx20\nCOM3 plc\nCOM2 carving\n"
        << "the print controller port '' is no COM index";
}

void TestRunPlan::plan_oneDevicePerComNumber() {
    QFETCH(int, model);
    QFETCH(QVariant, controller);
    QFETCH(QVariant, plc);
    QFETCH(QVariant, carving);
    QFETCH(QString, plan);
    QFETCH(QString, message);
    QTemporaryDir build;
    const QString bin = build.filePath("bin");
    QCOMPARE(QProcess::execute(qEnvironmentVariable("MARKING_PROGRAM_DIR") + "/markingctl",
                               {"db", "init", bin}),
             0);
    {
        auto db = QSqlDatabase::addDatabase("QSQLITE", "plan");
        db.setDatabaseName(bin + "/Database.mdb");
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.prepare("update ProgramSetting set P_PrintControler = ?, "
                          "P_PrintControlerComPort = ?, P_PLCComPort = ?, "
                          "P_CarvingMachineComPort = ?"));
        for (const QVariant& v : {QVariant(model), controller, plc, carving})
            q.addBindValue(v);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase("plan");

    QProcess run;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("BUILD_DIR", build.path());
    run.setProcessEnvironment(env);
    run.start("bash", {qEnvironmentVariable("MARKING_SOURCE_DIR") + "/scripts/run", "--plan"});
    QVERIFY(run.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(run.readAllStandardError());
    QVERIFY2(run.exitCode() == 0, qPrintable(err));
    QCOMPARE(QString::fromLocal8Bit(run.readAllStandardOutput()), plan);
    if (message.isEmpty())
        QVERIFY2(err.isEmpty(), qPrintable(err));
    else
        QVERIFY2(err.contains(message), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestRunPlan)
#include "tst_run_plan.moc"
