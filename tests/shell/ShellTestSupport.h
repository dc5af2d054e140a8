#pragma once

// Scratch program directories and settings stores for the shell tests.

#include "common/ProgramDirectory.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace shelltest {

using namespace marking;

// A temporary program directory holding the delivered database files.
struct ProgramDir {
    QTemporaryDir dir;

    ProgramDir() {
        const store::Status made = store::CreateDatabaseFiles(dir.path(), false);
        if (!made.ok())
            qFatal("cannot make the databases: %s", qPrintable(made.error().Text()));
        SetProgramDirectory(dir.path());
    }
    QString path() const { return dir.path(); }
};

// Points the per-user settings store at a fresh temporary folder.
struct SettingsDir {
    QTemporaryDir dir;
    SettingsDir() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
    QString path() const { return dir.path(); }
    QString file() const {
        return dir.path() + QStringLiteral("/Marking Program/Marking Program.conf");
    }
};

// Opens a query of Database.mdb of the program directory.
struct Query {
    store::Connection connection;
    store::Recordset rs;
    explicit Query(const QString& text) {
        const store::Status opened = connection.Open(store::DatabaseFile::Database);
        if (!opened.ok())
            qFatal("open: %s", qPrintable(opened.error().Text()));
        const store::Status queried = rs.Open(text, connection);
        if (!queried.ok())
            qFatal("query: %s", qPrintable(queried.error().Text()));
    }
};

inline void SetSetting(const QString& column, const QVariant& value) {
    Query q(QStringLiteral("select * from ProgramSetting where P_ID"));
    q.rs.MoveFirst();
    if (!q.rs.SetField(column, value).ok() || !q.rs.Update().ok())
        qFatal("cannot write %s", qPrintable(column));
}

inline QVariant Setting(const QString& column) {
    Query q(QStringLiteral("select * from ProgramSetting where P_ID"));
    q.rs.MoveFirst();
    return q.rs.Field(column);
}

// Adds a work row; a null data text makes an empty ("null") record.
inline void AddWork(const QVariant& data) {
    Query q(QStringLiteral("select * from MarkingWork"));
    if (!q.rs.AddNew().ok())
        qFatal("add new");
    (void)q.rs.SetField(QStringLiteral("W_MarkingMethod"), 0);
    if (!data.isNull())
        (void)q.rs.SetField(QStringLiteral("W_Data"), data);
    if (!q.rs.Update().ok())
        qFatal("update");
}

inline int WorkCount() {
    Query q(QStringLiteral("select * from MarkingWork"));
    return q.rs.RecordCount();
}

// A second ProgramSetting row (the table should hold exactly one).
inline void AddSecondSettingRow() {
    Query q(QStringLiteral("select * from ProgramSetting where P_ID"));
    if (!q.rs.AddNew().ok() || !q.rs.Update().ok())
        qFatal("second settings row");
}

} // namespace shelltest
