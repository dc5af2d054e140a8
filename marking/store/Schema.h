#pragma once

#include "store/StoreError.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace marking::store {

// The three database files of the program directory.
enum class DatabaseFile {
    Database, // "Database.mdb": settings and all marking data
    Report,   // "Report.mdb": finished work
    Print,    // "Print.mdb": the print copy of the work report
};

QString FileName(DatabaseFile file); // "Database.mdb", "Report.mdb", "Print.mdb"
const QList<DatabaseFile>& AllDatabaseFiles();

// The value a column holds, as the program stores and reads it.
enum class ColumnType {
    Key,    // INTEGER PRIMARY KEY AUTOINCREMENT, assigned by the database
    Int16,  // whole number -32768..32767
    Int32,  // whole number, 32 bits
    Double, // number with fraction
    Bool,   // yes/no, stored 0/1, read as bool
    Text,   // text (maxLength > 0: at most that many characters)
    Date,   // a date, stored as "YYYY-MM-DD" so that text order is date order
};

struct ColumnDef {
    QString name;
    ColumnType type = ColumnType::Text;
    int maxLength = 0;        // Text only; 0 = no limit
    bool defaultZero = false; // an empty numeric column reads back as 0
};

struct TableDef {
    QString name;
    QString key;              // the key column
    QList<ColumnDef> columns; // the key first

    // Column by name, case-insensitive (query texts and callers use both
    // "W_ID" and "w_id"); nullptr when the table has no such column.
    const ColumnDef* Column(const QString& column) const;
};

// Every table of a file, with every column.
const QList<TableDef>& Tables(DatabaseFile file);
// The table of that file (case-insensitive); nullptr when the file has none.
const TableDef* FindTable(DatabaseFile file, const QString& table);

// CREATE TABLE statements of a file.
QStringList CreateTableStatements(DatabaseFile file);

// Converts a value to what the column stores. Null stays null (the column
// becomes empty). A value that does not denote a value of the column's type
// ("." or "" for a number, 40000 for a 16-bit column, "abc" for a date ...)
// is a BadValue error; nothing is ever silently turned into 0.
// The error names the column; its file is left empty for the caller.
Result<QVariant> ToStoredValue(const ColumnDef& column, const QVariant& value);

// A stored value as the program reads it: bool for yes/no columns, int for
// whole numbers and keys, double, QString for texts and dates. Null stays null.
// A value of another kind than the column's (a text in a yes/no column, a
// number in a text column of a file whose table is not strict) is passed on
// as stored, so that the typed reads below can refuse it.
QVariant FromStoredValue(const ColumnDef& column, const QVariant& stored);

// Typed reads of a field value for the settings load and similar callers:
// null, empty or unconvertible values are BadValue errors naming the column.
Result<qint16> ToInt16(const QVariant& value, const QString& column);
Result<qint32> ToInt32(const QVariant& value, const QString& column);
Result<double> ToDouble(const QVariant& value, const QString& column);
// A yes/no value: true only from a true (non-zero) number or boolean, false
// from zero, false or null; a text ("no", "1") is a BadValue error.
Result<bool> ToBool(const QVariant& value, const QString& column);
// A text value: only from a text (null reads as an empty text); a number
// (41.5 in a column of numeric affinity) is a BadValue error.
Result<QString> ToText(const QVariant& value, const QString& column);

// The rows a freshly made file holds: per table, rows of column -> value.
struct InitialRows {
    QString table;
    QList<QList<std::pair<QString, QVariant>>> rows;
};
QList<InitialRows> InitialContent(DatabaseFile file);

// Creates the three files in directory (made if missing) with every table and
// the initial rows. Existing files are refused unless overwrite is set. With
// overwrite, an old file that another program holds in a write is refused
// (Locked, naming it), and so is a folder or device in place of a file;
// otherwise the new set is made beside the old one and swapped in: all three
// files are replaced or none (a failed swap is undone).
Status CreateDatabaseFiles(const QString& directory, bool overwrite);
// Creates one file at path (which must not exist) with its tables and rows.
Status CreateDatabaseFile(const QString& path, DatabaseFile file, bool withInitialRows = true);

} // namespace marking::store
