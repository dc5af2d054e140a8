#pragma once

#include "common/ProgramDirectory.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantList>

// A program directory with fresh database files, made for one test.
class TestProgramDir {
public:
    explicit TestProgramDir(bool withFiles = true) {
        if (withFiles) {
            // Copies of one freshly made set: making files is the slow part.
            made_ = !templateDir().isEmpty();
            for (marking::store::DatabaseFile f : marking::store::AllDatabaseFiles()) {
                const QString name = marking::store::FileName(f);
                made_ = made_ && QFile::copy(QDir(templateDir()).filePath(name), file(name));
            }
        }
        marking::SetProgramDirectory(dir_.path());
    }
    bool ok() const { return dir_.isValid() && made_; }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    QString database() const { return file(QStringLiteral("Database.mdb")); }

private:
    static QString templateDir() {
        static QTemporaryDir dir;
        static const bool made = [] {
            const marking::store::Status s = marking::store::CreateDatabaseFiles(dir.path(), false);
            if (!s.ok())
                qWarning().noquote() << s.error().Text();
            return s.ok();
        }();
        return made ? dir.path() : QString();
    }
    QTemporaryDir dir_;
    bool made_ = true;
};

// Direct access to a file for arranging and checking, beside the store.
class RawDb {
public:
    explicit RawDb(const QString& path)
        : name_(QStringLiteral("raw-%1").arg(++counter())) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawDb() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

    bool exec(const QString& sql, const QVariantList& values = {}) {
        QSqlQuery q(db());
        if (!q.prepare(sql)) {
            qWarning().noquote() << sql << q.lastError().text();
            return false;
        }
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec()) {
            qWarning().noquote() << sql << q.lastError().text();
            return false;
        }
        return true;
    }
    QVariant scalar(const QString& sql) {
        QSqlQuery q(db());
        if (!q.exec(sql) || !q.next())
            return QVariant();
        return q.value(0);
    }
    int count(const QString& table) {
        return scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt();
    }
    QList<int> keys(const QString& table, const QString& key) {
        QList<int> out;
        QSqlQuery q(db());
        q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %1").arg(key, table));
        while (q.next())
            out << q.value(0).toInt();
        return out;
    }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    QString name_;
};
