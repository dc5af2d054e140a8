#pragma once

// Scratch program directories and rows of the work tables for the work tests.

#include "common/ProgramDirectory.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantHash>

namespace worktest {

using namespace marking;
namespace col = store::col;

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

struct Query {
    store::Connection connection;
    store::Recordset rs;
    explicit Query(const QString& text) {
        if (!connection.Open(store::DatabaseFile::Database).ok() || !rs.Open(text, connection).ok())
            qFatal("cannot open %s", qPrintable(text));
    }
};

// Adds a row of values by column; returns its key.
inline qint64 AddRow(store::Table table, const QVariantHash& values) {
    Query q(store::QueryText::All(table));
    if (!q.rs.AddNew().ok())
        qFatal("add new");
    for (auto it = values.begin(); it != values.end(); ++it)
        if (!q.rs.SetField(it.key(), it.value()).ok())
            qFatal("set %s", qPrintable(it.key()));
    if (!q.rs.Update().ok())
        qFatal("update");
    Query last(store::QueryText::AllByKey(table));
    last.rs.MoveFirst();
    qint64 id = 0;
    for (; !last.rs.Eof(); last.rs.MoveNext())
        id = last.rs.Field(table == store::Table::MarkingWork ? col::W_ID : col::M_ID).toLongLong();
    return id;
}

inline qint64 AddWork(int method, const QString& data, const QVariantHash& more = {}) {
    QVariantHash v{{col::W_MarkingMethod, method},
                   {col::W_Data, data},
                   {col::W_Length, 6000},
                   {col::W_Pi, 100},
                   {col::W_PipeVolume, 10},
                   {col::W_Parenthesis, 0},
                   {col::W_WorkTeam, 0}};
    for (auto it = more.begin(); it != more.end(); ++it)
        v[it.key()] = it.value();
    return AddRow(store::Table::MarkingWork, v);
}

inline qint64 AddText(int method, const QString& data) {
    return AddRow(store::Table::MarkingSetting,
                  {{col::M_MarkingMethod, method}, {col::M_Data, data}});
}

// Every row of a table in key order, each as column -> value.
inline QList<QVariantHash> Rows(store::Table table, const QStringList& columns) {
    Query q(store::QueryText::AllByKey(table));
    QList<QVariantHash> rows;
    if (!q.rs.Eof())
        q.rs.MoveFirst();
    for (; !q.rs.Eof(); q.rs.MoveNext()) {
        QVariantHash row;
        for (const QString& c : columns)
            row[c] = q.rs.Field(c);
        rows.append(row);
    }
    return rows;
}

// Raw SQL on Database.mdb for a test's own set-up (a trigger, a row the
// program could not write).
inline void Sql(const QString& statement) {
    const QString name = QStringLiteral("worktest-raw");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(ProgramDirectory() + QStringLiteral("/Database.mdb"));
        if (!db.open())
            qFatal("raw open");
        QSqlQuery q(db);
        if (!q.exec(statement))
            qFatal("raw sql %s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

inline void SetSetting(const QString& column, const QVariant& value) {
    Query q(store::QueryText::AllByKey(store::Table::ProgramSetting));
    q.rs.MoveFirst();
    if (!q.rs.SetField(column, value).ok() || !q.rs.Update().ok())
        qFatal("cannot write %s", qPrintable(column));
}

} // namespace worktest
