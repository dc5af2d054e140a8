#include <QTest>
class TestWorkScreens : public QObject {
    Q_OBJECT
};
QTEST_MAIN(TestWorkScreens)
#include "tst_workscreens.moc"
