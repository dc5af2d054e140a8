#pragma once

// Shared set-up of the run tests: a program directory with the delivered
// databases, a settings store and a class registry of their own, the MrvDIO
// library registered, and helpers for the work list and the work report.

#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "host/ControlHost.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace runtest {

using namespace marking;

// The process-wide part: settings store and class registry in a temporary
// folder, the control's library registered there. Make one in initTestCase.
class Environment {
public:
    Environment() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config_.path());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
        qputenv("MRVDIO_REGISTRY", QFile::encodeName(config_.filePath("classes.ini")));
        const QString bin = qEnvironmentVariable("MARKING_PROGRAM_DIR");
        qputenv("DAQDRV32_LIBRARY", QFile::encodeName(bin + "/libdaqdrv32.so"));
        std::string error;
        library_ =
            mrvdio::host::ComponentLibrary::Load((bin + "/libMrvDIO.so").toStdString(), &error);
        if (!library_ || library_->RegisterServer() != S_OK)
            qFatal("cannot register libMrvDIO.so: %s", error.c_str());
    }
    ~Environment() { library_->UnregisterServer(); }
    // Writes one value of the settings store.
    void Set(const QString& key, const QVariant& value) {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Marking Program",
                    "Marking Program");
        if (value.isValid())
            s.setValue(key, value);
        else
            s.remove(key);
    }

private:
    QTemporaryDir config_;
    std::shared_ptr<mrvdio::host::ComponentLibrary> library_;
};

// A fresh program directory with the delivered databases, made current.
struct ProgramDir {
    QTemporaryDir dir;
    ProgramDir() {
        if (const store::Status s = store::CreateDatabaseFiles(dir.path(), false); !s)
            qFatal("databases: %s", qPrintable(s.error().Text()));
        SetProgramDirectory(dir.path());
    }
    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return dir.filePath(name); }
};

using Row = QList<std::pair<QString, QVariant>>;

// Appends a row to a table of Database.mdb (or Report.mdb).
inline void AddRow(store::Table table, const Row& row,
                   store::DatabaseFile file = store::DatabaseFile::Database) {
    store::Connection c;
    store::Recordset rs;
    if (!c.Open(file).ok() || !rs.Open(store::QueryText::All(table), c).ok() || !rs.AddNew().ok())
        qFatal("cannot add a row");
    for (const auto& [column, value] : row)
        if (!rs.SetField(column, value).ok())
            qFatal("cannot set %s", qPrintable(column));
    if (!rs.Update().ok())
        qFatal("cannot store the row");
}

// A work as the marking settings screen adds it.
inline void AddWork(const QString& data, int method = SingleMarking, int parenthesis = 0,
                    int team = 0, const QVariant& length = 6000, const QVariant& repetition = 1) {
    using namespace store::col;
    AddRow(store::Table::MarkingWork, {{W_MarkingMethod, method},
                                       {W_Data, data},
                                       {W_Length, length},
                                       {W_Pi, 100},
                                       {W_PipeVolume, 50},
                                       {W_Parenthesis, parenthesis},
                                       {W_WorkTeam, team},
                                       {W_Reptition, repetition},
                                       {W_LengthYesorNo, 0},
                                       {W_UnitYesorNo, 0}});
}

// Every row of a table, each as column -> value.
inline QList<QVariantHash> Rows(store::Table table,
                                store::DatabaseFile file = store::DatabaseFile::Database) {
    store::Connection c;
    store::Recordset rs;
    if (!c.Open(file).ok() || !rs.Open(store::QueryText::AllByKey(table), c).ok())
        qFatal("cannot read the table");
    QList<QVariantHash> rows;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        QVariantHash row;
        for (const QString& column : rs.Columns())
            row.insert(column, rs.Field(column));
        rows.append(row);
    }
    return rows;
}

inline QList<QVariantHash> ReportRows() {
    return Rows(store::Table::WorkReport, store::DatabaseFile::Report);
}

// Sets one column of the ProgramSetting row.
inline void SetSetting(const QString& column, const QVariant& value) {
    store::Connection c;
    store::Recordset rs;
    if (!c.Open(store::DatabaseFile::Database).ok() ||
        !rs.Open(store::QueryText::AllByKey(store::Table::ProgramSetting), c).ok())
        qFatal("cannot open the settings row");
    rs.MoveFirst();
    if (!rs.SetField(column, value).ok() || !rs.Update().ok())
        qFatal("cannot set %s", qPrintable(column));
}

} // namespace runtest
