#include "ScreenTablesCheck.h"
#include "ShellTestSupport.h"

#include "common/MessagePort.h"
#include "common/widgets/ScreenBehaviour.h"
#include "shell/FomPassword.h"
#include "shell/FomPasswordChange.h"
#include "shell/PasswordStore.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>

using namespace marking;
using namespace marking::shell;
using namespace shelltest;

namespace {
QString stored() {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Marking Program",
                "Marking Program");
    return s.value("Management/Password").toString();
}
void storePassword(const QString& password) {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Marking Program",
                "Marking Program");
    s.setValue("Management/Password", password);
}
} // namespace

class TestPassword : public QObject {
    Q_OBJECT
    SettingsDir* settings_ = nullptr;
    ScriptedMessagePort port_;

private slots:
    void initTestCase() { SetMessagePort(&port_); }
    void cleanupTestCase() { SetMessagePort(nullptr); }
    void init() { settings_ = new SettingsDir; }
    void cleanup() {
        delete settings_;
        settings_ = nullptr;
    }

    void firstStart_eitherDialogStoresDefault_data() {
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("before");
        QTest::newRow("password, missing") << false << QString();
        QTest::newRow("password, empty") << false << QString("");
        QTest::newRow("change, missing") << true << QString();
    }
    void firstStart_eitherDialogStoresDefault() {
        QFETCH(bool, change);
        QFETCH(QString, before);
        if (!before.isNull()) {
            storePassword(before);
        }
        QCOMPARE(stored(), before.isNull() ? QString() : before);
        if (change) {
            FomPasswordChange d;
        } else {
            FomPassword d;
        }
        QCOMPARE(stored(), QStringLiteral("7391"));
        QVERIFY(QFile::exists(settings_->file()));
    }

    void dialogs_captionsAndStarredFields() {
        FomPassword p;
        QCOMPARE(p.windowTitle(), QStringLiteral("패스워드"));
        QCOMPARE(p.TxtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(p.TxtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                   p.TxtPassword),
                 int(u'*'));
        QVERIFY(!p.LblPasswordMessage->isVisibleTo(&p));
        QCOMPARE(p.ScmdOk->text(), QStringLiteral("확 인"));
        QCOMPARE(p.ScmdCancel->text(), QStringLiteral("취 소"));
        FomPasswordChange c;
        QCOMPARE(c.windowTitle(), QStringLiteral("패스워드 변경"));
        for (QLineEdit* e : {c.TxtNowPassword, c.TxtNewPassword, c.TxtNewPasswordVerification}) {
            QCOMPARE(e->echoMode(), QLineEdit::Password);
            QCOMPARE(e->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, e),
                     int(u'*'));
        }
        QCOMPARE(c.ScmdChange->text(), QStringLiteral("변 경"));
        QVERIFY(!c.LblMessage->isVisibleTo(&c));
    }

    void tables_matchTheDialogs() {
        FomPassword p;
        p.show();
        p.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p));
        screentest::CheckScreenTables(p.Form());
        FomPasswordChange c;
        c.show();
        c.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&c));
        screentest::CheckScreenTables(c.Form());
    }

    void password_comparedExactly_data() {
        QTest::addColumn<QString>("storedPassword");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("default") << QString() << "7391" << true;
        QTest::newRow("lower case stored, same typed") << "secret"
                                                       << "secret" << true;
        QTest::newRow("lower case stored, upper typed") << "secret"
                                                        << "SECRET" << false;
        QTest::newRow("no trimming") << "7391"
                                     << " 7391" << false;
        QTest::newRow("prefix") << "7391"
                                << "739" << false;
        QTest::newRow("empty typed") << "7391"
                                     << "" << false;
    }
    void password_comparedExactly() {
        QFETCH(QString, storedPassword);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        if (!storedPassword.isNull()) {
            storePassword(storedPassword);
        }
        port_.Clear();
        FomPassword d;
        QSignalSpy unlocked(&d, &FomPassword::PasswordAccepted);
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QTest::keyClicks(d.TxtPassword, typed);
        QTest::mouseClick(d.ScmdOk, Qt::LeftButton);
        QCOMPARE(unlocked.count(), accepted ? 1 : 0);
        QCOMPARE(d.isVisible(), !accepted);
        if (!accepted) {
            QCOMPARE(port_.BeepCount(), 1);
            QVERIFY(d.LblPasswordMessage->isVisibleTo(&d));
            QCOMPARE(d.LblPasswordMessage->text(), QStringLiteral("패스워드가 정확하지 않습니다."));
            QVERIFY(d.TxtPassword->text().isEmpty());
            QVERIFY(d.TxtPassword->hasFocus());
        }
    }

    void password_escClosesWithoutUnlocking() {
        FomPassword d;
        QSignalSpy unlocked(&d, &FomPassword::PasswordAccepted);
        d.show();
        QTest::keyClicks(d.TxtPassword, "7391");
        QTest::keyClick(d.TxtPassword, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        QCOMPARE(unlocked.count(), 0);
    }

    void password_enterMovesFocusOnwardNotConfirm() {
        FomPassword d;
        QSignalSpy unlocked(&d, &FomPassword::PasswordAccepted);
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.TxtPassword->setFocus();
        QTest::keyClicks(d.TxtPassword, "7391");
        QTest::keyClick(d.TxtPassword, Qt::Key_Return);
        QVERIFY(d.ScmdOk->hasFocus());
        QTest::keyClick(d.ScmdOk, Qt::Key_Return);
        QVERIFY(d.ScmdCancel->hasFocus());
        QCOMPARE(unlocked.count(), 0);
        QVERIFY(d.isVisible());
        QCOMPARE(BackgroundOf(d.TxtPassword), kFieldColor);
    }

    void change_refusals_data() {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("verify");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus"); // 0 now, 1 new, 2 verification
        QTest::newRow("all empty") << ""
                                   << ""
                                   << ""
                                   << "현재 패스워드를 입력 하십시요" << 0;
        QTest::newRow("new empty") << "7391"
                                   << ""
                                   << "x"
                                   << "새 패스워드를 입력 하십시요" << 1;
        QTest::newRow("verification empty") << "7391"
                                            << "abc"
                                            << ""
                                            << "새 패스워드 확인을 입력 하십시요" << 2;
        QTest::newRow("current wrong") << "1111"
                                       << "abc"
                                       << "abc"
                                       << "암호가 일치하지 않습니다." << 0;
        QTest::newRow("current wrong case and mismatch") << "7391 "
                                                         << "abc"
                                                         << "abd"
                                                         << "암호가 일치하지 않습니다." << 0;
        QTest::newRow("mismatch") << "7391"
                                  << "abc"
                                  << "abC"
                                  << "새 암호가 서로 일치하지 않습니다." << 1;
    }
    void change_refusals() {
        QFETCH(QString, now);
        QFETCH(QString, fresh);
        QFETCH(QString, verify);
        QFETCH(QString, message);
        QFETCH(int, focus);
        FomPasswordChange d;
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.TxtNowPassword->setText(now);
        d.TxtNewPassword->setText(fresh);
        d.TxtNewPasswordVerification->setText(verify);
        QTest::mouseClick(d.ScmdChange, Qt::LeftButton);
        QVERIFY(d.isVisible());
        QVERIFY(d.LblMessage->isVisibleTo(&d));
        QCOMPARE(d.LblMessage->text(), message);
        QLineEdit* fields[] = {d.TxtNowPassword, d.TxtNewPassword, d.TxtNewPasswordVerification};
        QVERIFY(fields[focus]->hasFocus());
        QCOMPARE(stored(), QStringLiteral("7391"));
    }

    void change_storesNewPassword_andOldOneNoLongerOpens() {
        FomPasswordChange d;
        d.show();
        d.TxtNowPassword->setText("7391");
        d.TxtNewPassword->setText("abc");
        d.TxtNewPasswordVerification->setText("abc");
        QTest::mouseClick(d.ScmdChange, Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(stored(), QStringLiteral("abc"));

        FomPassword p;
        QSignalSpy unlocked(&p, &FomPassword::PasswordAccepted);
        p.TxtPassword->setText("ABC");
        p.ScmdOk_Click();
        p.TxtPassword->setText("7391");
        p.ScmdOk_Click();
        QCOMPARE(unlocked.count(), 0);
        p.TxtPassword->setText("abc");
        p.ScmdOk_Click();
        QCOMPARE(unlocked.count(), 1);
    }

    void change_cancelAndEsc_leaveStoredPassword() {
        FomPasswordChange d;
        d.show();
        d.TxtNowPassword->setText("7391");
        d.TxtNewPassword->setText("n");
        d.TxtNewPasswordVerification->setText("n");
        QTest::keyClick(d.TxtNewPassword, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        FomPasswordChange e;
        e.show();
        QTest::mouseClick(e.ScmdCancel, Qt::LeftButton);
        QVERIFY(!e.isVisible());
        QCOMPARE(stored(), QStringLiteral("7391"));
    }

    void change_unwritableStore_isReported() {
        storePassword("7391");
        // The settings file replaced by a folder: no write can succeed.
        QVERIFY(QFile::remove(settings_->file()));
        QVERIFY(QDir().mkpath(settings_->file()));
        FomPasswordChange d;
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.TxtNowPassword->setText("7391");
        d.TxtNewPassword->setText("abc");
        d.TxtNewPasswordVerification->setText("abc");
        QTest::mouseClick(d.ScmdChange, Qt::LeftButton);
        QVERIFY(d.isVisible());
        QVERIFY(d.LblMessage->isVisibleTo(&d));
        QVERIFY2(d.LblMessage->text().contains(settings_->file()),
                 qPrintable(d.LblMessage->text()));
        QVERIFY(d.TxtNewPassword->hasFocus());
    }

    void password_unwritableStore_stillComparesWithDefault() {
        QVERIFY(QDir().mkpath(settings_->file()));
        FomPassword d;
        QSignalSpy unlocked(&d, &FomPassword::PasswordAccepted);
        QVERIFY(d.LblPasswordMessage->text().contains(settings_->file()));
        d.TxtPassword->setText("");
        d.ScmdOk_Click();
        QCOMPARE(unlocked.count(), 0); // an empty store never opens the gate
        d.TxtPassword->setText("7391");
        d.ScmdOk_Click();
        QCOMPARE(unlocked.count(), 1);
    }
};

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
