#pragma once

// A station's program directory and its work report screen, for the tests of
// the report screen.

#include "common/ProgramDirectory.h"
#include "common/widgets/GridBehaviour.h"
#include "report/render/ReportLayout.h"
#include "report/screen/FomWorkReport.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QComboBox>
#include <QDate>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace reportscreen {

using namespace marking;

// A program directory with the delivered files and layout; the program's.
struct StationDir {
    QTemporaryDir dir;
    StationDir() {
        if (!store::CreateDatabaseFiles(dir.path(), false).ok() ||
            !report::WriteDefaultLayout(dir.path(), false).ok())
            qFatal("cannot make the program directory");
        SetProgramDirectory(dir.path());
    }
    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return dir.filePath(name); }

    // Finished works as the work save records them, data tag + 1 .. count.
    QList<qint64> Add(QDate day, int team, int count, const QString& tag, int volume = 2) {
        store::Connection conn;
        store::Recordset rs;
        QList<qint64> keys;
        if (!conn.Open(path(), store::DatabaseFile::Report).ok() ||
            !rs.Open(store::QueryText::AllByKey(store::Table::WorkReport), conn).ok())
            return keys;
        store::Transaction tx(conn);
        for (int i = 1; i <= count; ++i) {
            namespace col = store::col;
            const bool ok = rs.AddNew().ok() &&
                            rs.SetField(col::R_Date, store::DateText(day)).ok() &&
                            rs.SetField(col::R_WorkTeam, team).ok() &&
                            rs.SetField(col::R_MarkingMethod, QStringLiteral("단마킹")).ok() &&
                            rs.SetField(col::R_Data, tag + QString::number(i)).ok() &&
                            rs.SetField(col::R_Length, 6000).ok() &&
                            rs.SetField(col::R_WorkVolume, volume).ok() && rs.Update().ok();
            if (!ok)
                return {};
            keys << rs.Field(col::R_ID).toLongLong();
        }
        return tx.Commit().ok() ? keys : QList<qint64>{};
    }

    // R_Data of every row of a file's WorkReport, in key order.
    QStringList Data(store::DatabaseFile file = store::DatabaseFile::Report) const {
        store::Connection conn;
        store::Recordset rs;
        QStringList out;
        if (!conn.Open(path(), file).ok() ||
            !rs.Open(store::QueryText::All(store::Table::WorkReport), conn).ok())
            return {QStringLiteral("<cannot read>")};
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            out << rs.Field(store::col::R_Data).toString();
        return out;
    }
};

// Points the settings store at a folder of its own (central reporting off
// unless a test writes its Url).
struct SettingsDir {
    QTemporaryDir dir;
    SettingsDir() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
};

// Picks an item of a list as the operator does.
inline void Pick(QComboBox* list, const QString& text) {
    const int i = list->findText(text);
    QVERIFY2(i >= 0, qPrintable(list->objectName() + QStringLiteral(" has no ") + text));
    list->setFocus();
    list->setCurrentIndex(i);
    emit list->activated(i);
}

// The screen, shown and active.
struct Screen {
    report::FomWorkReport screen;
    Screen() {
        screen.show();
        screen.activateWindow();
        if (!QTest::qWaitForWindowActive(&screen))
            qWarning("the report screen did not become active");
    }
    report::FomWorkReport* operator->() { return &screen; }
    // The texts of one column of the data rows.
    QStringList Column(int c) {
        QStringList out;
        for (int r = 1; r < screen.Grid().Rows(); ++r)
            out << screen.Grid().Text(r, c);
        return out;
    }
};

} // namespace reportscreen
