#include "store/Schema.h"

#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace marking::store {

namespace {

ColumnDef key(QLatin1StringView name) {
    return {name, ColumnType::Key};
}
ColumnDef column(QLatin1StringView name, ColumnType type, bool defaultZero = false) {
    return {name, type, 0, defaultZero};
}
ColumnDef text(QLatin1StringView name, int maxLength = 0) {
    return {name, ColumnType::Text, maxLength, false};
}

QList<TableDef> databaseTables() {
    using T = ColumnType;
    return {
        {TableName(Table::ProgramSetting),
         col::P_ID,
         {key(col::P_ID),
          column(col::P_SingleMarking, T::Int16),
          column(col::P_ContinuityMarking, T::Int16),
          column(col::P_FileMarking, T::Int16),
          column(col::P_PrintControler, T::Int16),
          column(col::P_CarvingMachine, T::Int16),
          column(col::P_PLC, T::Int16),
          column(col::P_PrintControlerComPort, T::Int16),
          column(col::P_CarvingMachineComPort, T::Int16),
          column(col::P_PLCComPort, T::Int16),
          column(col::P_PipeSide, T::Int32),
          column(col::P_LetterIntervalDotVolume, T::Int32),
          column(col::P_HeadHome, T::Int32),
          column(col::P_GAP, T::Int32),
          column(col::P_DotDimension, T::Double),
          column(col::P_Revision, T::Double),
          column(col::P_Pulse, T::Double),
          column(col::P_StopperPulse, T::Double),
          column(col::P_MarkingWorkDeleteCheck, T::Bool),
          column(col::P_NullRecordDelete, T::Bool),
          column(col::P_FileMarkingDataIntervalCheck, T::Int16)}},
        {TableName(Table::MarkingSetting),
         col::M_ID,
         {key(col::M_ID), column(col::M_MarkingMethod, T::Int16, true), text(col::M_Data, 500)}},
        {TableName(Table::MarkingWork),
         col::W_ID,
         {key(col::W_ID), column(col::W_MarkingMethod, T::Int16, true), text(col::W_Data),
          column(col::W_Length, T::Int32, true), column(col::W_Pi, T::Int32, true),
          column(col::W_PipeVolume, T::Int32, true), column(col::W_Parenthesis, T::Int16, true),
          column(col::W_WorkTeam, T::Int16, true), column(col::W_Reptition, T::Int16, true),
          column(col::W_LengthYesorNo, T::Int16, true),
          column(col::W_UnitYesorNo, T::Int16, true)}},
        {TableName(Table::CarvingWork),
         col::C_ID,
         {key(col::C_ID), column(col::C_CarvingPipe, T::Int16, true),
          column(col::C_CarvingData, T::Int16, true)}},
        {TableName(Table::SpecialLetter),
         col::S_ID,
         {key(col::S_ID), text(col::S_SpecialLetter), text(col::S_FunctionKey),
          text(col::S_ControllerAddress)}},
    };
}

QList<TableDef> reportTables() {
    using T = ColumnType;
    return {{TableName(Table::WorkReport),
             col::R_ID,
             {key(col::R_ID), column(col::R_Date, T::Date), column(col::R_WorkTeam, T::Int16),
              text(col::R_MarkingMethod), text(col::R_Data), column(col::R_Length, T::Int32),
              column(col::R_WorkVolume, T::Int32)}}};
}

// The print copy holds the texts of the report grid, so every column is text.
QList<TableDef> printTables() {
    return {{TableName(Table::WorkReport),
             col::R_ID,
             {key(col::R_ID), text(col::R_NO), text(col::R_Date), text(col::R_WorkTeam),
              text(col::R_MarkingMethod), text(col::R_Data), text(col::R_Length),
              text(col::R_WorkVolume)}}};
}

QString sqlType(const ColumnDef& c) {
    switch (c.type) {
    case ColumnType::Key:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case ColumnType::Int16:
    case ColumnType::Int32:
    case ColumnType::Bool:
        return QStringLiteral("INTEGER");
    case ColumnType::Double:
        return QStringLiteral("REAL");
    case ColumnType::Text:
    case ColumnType::Date:
        return QStringLiteral("TEXT");
    }
    return QStringLiteral("TEXT");
}

StoreError badValue(const QString& column, const QVariant& value, const QString& why) {
    QString shown = value.toString();
    if (shown.size() > 40)
        shown = shown.left(40) + QStringLiteral("...");
    return {
        StoreError::Kind::BadValue, QString(),
        QStringLiteral("열 %1에 값 '%2'을(를) 저장할 수 없습니다 (%3).").arg(column, shown, why)};
}

bool isNumberType(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// The number a value denotes: a number, a bool, or a text of a number in the
// program's notation ("12", "-3", "0.1"). nullopt when it denotes none.
std::optional<double> numberOf(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1.0 : 0.0;
    if (isNumberType(v)) {
        const double d = v.toDouble();
        return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
    }
    if (v.canConvert<QString>()) {
        const QString s = v.toString().trimmed();
        if (s.isEmpty())
            return std::nullopt;
        bool ok = false;
        const qlonglong i = QLocale::c().toLongLong(s, &ok);
        if (ok)
            return double(i);
        const double d = QLocale::c().toDouble(s, &ok);
        if (ok && std::isfinite(d))
            return d;
    }
    return std::nullopt;
}

Result<QVariant> wholeNumber(const ColumnDef& c, const QVariant& v, qint64 min, qint64 max) {
    const std::optional<double> d = numberOf(v);
    if (!d)
        return badValue(c.name, v, QStringLiteral("숫자가 아님"));
    if (std::floor(*d) != *d)
        return badValue(c.name, v, QStringLiteral("정수가 아님"));
    if (*d < double(min) || *d > double(max))
        return badValue(c.name, v, QStringLiteral("범위를 벗어남"));
    return QVariant(qlonglong(*d));
}

} // namespace

QString FileName(DatabaseFile file) {
    switch (file) {
    case DatabaseFile::Database:
        return QStringLiteral("Database.mdb");
    case DatabaseFile::Report:
        return QStringLiteral("Report.mdb");
    case DatabaseFile::Print:
        return QStringLiteral("Print.mdb");
    }
    return QString();
}

const QList<DatabaseFile>& AllDatabaseFiles() {
    static const QList<DatabaseFile> all{DatabaseFile::Database, DatabaseFile::Report,
                                         DatabaseFile::Print};
    return all;
}

const ColumnDef* TableDef::Column(const QString& column) const {
    for (const ColumnDef& c : columns) {
        if (c.name.compare(column, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const QList<TableDef>& Tables(DatabaseFile file) {
    static const QList<TableDef> database = databaseTables();
    static const QList<TableDef> report = reportTables();
    static const QList<TableDef> print = printTables();
    switch (file) {
    case DatabaseFile::Database:
        return database;
    case DatabaseFile::Report:
        return report;
    case DatabaseFile::Print:
        return print;
    }
    return database;
}

const TableDef* FindTable(DatabaseFile file, const QString& table) {
    for (const TableDef& t : Tables(file)) {
        if (t.name.compare(table, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

QStringList CreateTableStatements(DatabaseFile file) {
    QStringList out;
    for (const TableDef& t : Tables(file)) {
        QStringList cols;
        for (const ColumnDef& c : t.columns) {
            QString line = c.name + u' ' + sqlType(c);
            if (c.defaultZero)
                line += QStringLiteral(" DEFAULT 0");
            cols << line;
        }
        // STRICT: the file itself refuses a value of the wrong type as well.
        out << QStringLiteral("CREATE TABLE %1 (%2) STRICT").arg(t.name, cols.join(u", "));
    }
    return out;
}

Result<QVariant> ToStoredValue(const ColumnDef& c, const QVariant& value) {
    if (c.type == ColumnType::Key)
        return StoreError{StoreError::Kind::BadValue, QString(),
                          QStringLiteral("키 열 %1은(는) 데이터베이스가 정합니다.").arg(c.name)};
    if (!value.isValid() || value.isNull())
        return QVariant(); // the column becomes empty
    switch (c.type) {
    case ColumnType::Int16:
        return wholeNumber(c, value, std::numeric_limits<qint16>::min(),
                           std::numeric_limits<qint16>::max());
    case ColumnType::Int32:
        return wholeNumber(c, value, std::numeric_limits<qint32>::min(),
                           std::numeric_limits<qint32>::max());
    case ColumnType::Double: {
        const std::optional<double> d = numberOf(value);
        if (!d)
            return badValue(c.name, value, QStringLiteral("숫자가 아님"));
        return QVariant(*d);
    }
    case ColumnType::Bool: {
        if (value.typeId() == QMetaType::Bool)
            return QVariant(qlonglong(value.toBool() ? 1 : 0));
        if (isNumberType(value))
            return QVariant(qlonglong(value.toDouble() != 0.0 ? 1 : 0));
        const QString s = value.toString().trimmed().toLower();
        if (s == u"true" || s == u"1" || s == u"-1" || s == u"yes")
            return QVariant(qlonglong(1));
        if (s == u"false" || s == u"0" || s == u"no")
            return QVariant(qlonglong(0));
        return badValue(c.name, value, QStringLiteral("예/아니오 값이 아님"));
    }
    case ColumnType::Text: {
        const QString s = value.toString();
        if (c.maxLength > 0 && s.size() > c.maxLength)
            return badValue(c.name, value, QStringLiteral("%1자를 넘음").arg(c.maxLength));
        return QVariant(s);
    }
    case ColumnType::Date: {
        QDate d;
        if (value.typeId() == QMetaType::QDate)
            d = value.toDate();
        else if (value.typeId() == QMetaType::QDateTime)
            d = value.toDateTime().date();
        else
            d = ParseDateText(value.toString());
        if (!d.isValid())
            return badValue(c.name, value, QStringLiteral("날짜가 아님"));
        return QVariant(d.toString(Qt::ISODate));
    }
    case ColumnType::Key:
        break;
    }
    return badValue(c.name, value, QStringLiteral("알 수 없는 형식"));
}

QVariant FromStoredValue(const ColumnDef& c, const QVariant& stored) {
    if (!stored.isValid() || stored.isNull())
        return QVariant(stored.metaType()); // null stays null
    bool ok = false;
    switch (c.type) {
    case ColumnType::Key:
    case ColumnType::Int16:
    case ColumnType::Int32: {
        const qlonglong v = stored.toLongLong(&ok);
        return ok ? QVariant(int(v)) : stored;
    }
    case ColumnType::Double: {
        const double v = stored.toDouble(&ok);
        return ok ? QVariant(v) : stored;
    }
    case ColumnType::Bool:
        if (stored.typeId() == QMetaType::Bool)
            return stored;
        return isNumberType(stored) ? QVariant(stored.toDouble() != 0.0) : stored;
    case ColumnType::Text:
        return isNumberType(stored) ? stored : QVariant(stored.toString());
    case ColumnType::Date:
        return QVariant(stored.toString());
    }
    return stored;
}

namespace {
template <class I> Result<I> toWhole(const QVariant& value, const QString& column) {
    if (!value.isValid() || value.isNull())
        return badValue(column, value, QStringLiteral("값이 비어 있음"));
    const std::optional<double> d = numberOf(value);
    if (!d)
        return badValue(column, value, QStringLiteral("숫자가 아님"));
    // A number with a fraction converts to the nearest whole number (halves
    // to even), as a whole-number member takes it.
    const double r = std::nearbyint(*d);
    if (r < double(std::numeric_limits<I>::min()) || r > double(std::numeric_limits<I>::max()))
        return badValue(column, value, QStringLiteral("범위를 벗어남"));
    return I(r);
}
} // namespace

Result<qint16> ToInt16(const QVariant& value, const QString& column) {
    return toWhole<qint16>(value, column);
}

Result<qint32> ToInt32(const QVariant& value, const QString& column) {
    return toWhole<qint32>(value, column);
}

Result<double> ToDouble(const QVariant& value, const QString& column) {
    if (!value.isValid() || value.isNull())
        return badValue(column, value, QStringLiteral("값이 비어 있음"));
    const std::optional<double> d = numberOf(value);
    if (!d)
        return badValue(column, value, QStringLiteral("숫자가 아님"));
    return *d;
}

Result<bool> ToBool(const QVariant& value, const QString& column) {
    if (!value.isValid() || value.isNull())
        return false;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (isNumberType(value)) {
        const double d = value.toDouble();
        if (std::isfinite(d))
            return d != 0.0;
    }
    return badValue(column, value, QStringLiteral("예/아니오 값이 아님"));
}

Result<QString> ToText(const QVariant& value, const QString& column) {
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.typeId() != QMetaType::QString)
        return badValue(column, value, QStringLiteral("문자열이 아님"));
    return value.toString();
}

QList<InitialRows> InitialContent(DatabaseFile file) {
    if (file != DatabaseFile::Database)
        return {};
    using Row = QList<std::pair<QString, QVariant>>;
    auto p = [](QLatin1StringView name, const QVariant& v) {
        return std::pair<QString, QVariant>(name, v);
    };
    // A working station: TRX-20 on COM 1, the carving machine on COM 2, the
    // PLC on COM 3; the usual dot pitch and spacing; empty work rows removed
    // at start, the work list kept at exit.
    InitialRows settings{TableName(Table::ProgramSetting),
                         {Row{p(col::P_SingleMarking, 0),
                              p(col::P_ContinuityMarking, 0),
                              p(col::P_FileMarking, 0),
                              p(col::P_PrintControler, 0),
                              p(col::P_CarvingMachine, 0),
                              p(col::P_PLC, 0),
                              p(col::P_PrintControlerComPort, 0),
                              p(col::P_CarvingMachineComPort, 1),
                              p(col::P_PLCComPort, 2),
                              p(col::P_PipeSide, 100),
                              p(col::P_LetterIntervalDotVolume, 2),
                              p(col::P_HeadHome, 300),
                              p(col::P_GAP, 10),
                              p(col::P_DotDimension, 0.1),
                              p(col::P_Revision, 1.0),
                              p(col::P_Pulse, 1.0),
                              p(col::P_StopperPulse, 1.0),
                              p(col::P_MarkingWorkDeleteCheck, false),
                              p(col::P_NullRecordDelete, true),
                              p(col::P_FileMarkingDataIntervalCheck, 0)}}};
    // The first row is the carving setting; the program uses it only when
    // the table holds at least two rows.
    InitialRows carving{TableName(Table::CarvingWork),
                        {Row{p(col::C_CarvingPipe, 0), p(col::C_CarvingData, 0)},
                         Row{p(col::C_CarvingPipe, 0), p(col::C_CarvingData, 0)}}};
    // One row per glyph slot of the HVL-5: slots 1-50 are the bank of "@4",
    // 51-100 the bank of "@5". The function keys are those of the special
    // letter screen: F1-F10 rows 1-10, Shift rows 11-20, Ctrl rows 21-30, Alt
    // rows 31-39 (Alt+F4 is not used); later rows have no key.
    InitialRows letters{TableName(Table::SpecialLetter), {}};
    for (int slot = 1; slot <= 100; ++slot) {
        QString keyLabel;
        if (slot <= 10)
            keyLabel = QStringLiteral("F%1").arg(slot);
        else if (slot <= 20)
            keyLabel = QStringLiteral("Shift+F%1").arg(slot - 10);
        else if (slot <= 30)
            keyLabel = QStringLiteral("Ctrl+F%1").arg(slot - 20);
        else if (slot <= 33)
            keyLabel = QStringLiteral("Alt+F%1").arg(slot - 30);
        else if (slot <= 39)
            keyLabel = QStringLiteral("Alt+F%1").arg(slot - 29);
        const QString number = QStringLiteral("%1").arg(slot, 3, 10, QLatin1Char('0'));
        letters.rows << Row{p(col::S_SpecialLetter, QStringLiteral("S") + number),
                            p(col::S_FunctionKey, keyLabel), p(col::S_ControllerAddress, number)};
    }
    return {settings, carving, letters};
}

Status CreateDatabaseFile(const QString& path, DatabaseFile file, bool withInitialRows) {
    if (QFileInfo::exists(path))
        return StoreError{StoreError::Kind::CannotOpen, path,
                          QStringLiteral("파일이 이미 있습니다.")};
    Status made = [&]() -> Status {
        Connection conn;
        if (Status s = conn.OpenPath(path, file, /*create=*/true); !s)
            return s;
        Transaction tx(conn);
        if (!tx.ok())
            return tx.status();
        for (const QString& sql : CreateTableStatements(file)) {
            if (Status s = conn.Execute(sql); !s)
                return s;
        }
        if (withInitialRows) {
            for (const InitialRows& block : InitialContent(file)) {
                const TableDef* table = FindTable(file, block.table);
                for (const auto& row : block.rows) {
                    QStringList names, marks;
                    QVariantList values;
                    for (const auto& [name, value] : row) {
                        const ColumnDef* c = table ? table->Column(name) : nullptr;
                        if (!c)
                            return conn.Error(StoreError::Kind::MissingColumn,
                                              QStringLiteral("열 %1이(가) 없습니다.").arg(name));
                        Result<QVariant> stored = ToStoredValue(*c, value);
                        if (!stored)
                            return conn.Error(stored.error().kind, stored.error().reason);
                        names << c->name;
                        marks << QStringLiteral("?");
                        values << stored.value();
                    }
                    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                            .arg(table->name, names.join(u", "), marks.join(u", "));
                    if (Status s = conn.Execute(sql, values); !s)
                        return s;
                }
            }
        }
        return tx.Commit();
    }();
    if (!made) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
    }
    return made;
}

namespace {

// Renames from to to, replacing to; the reason on failure.
QString renameOver(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(from).toStdString(),
                            QFile::encodeName(to).toStdString(), ec);
    return ec ? QString::fromStdString(ec.message()) : QString();
}

// One file of the set being put in place.
struct Swap {
    QString target; // Database.mdb ...
    QString aside;  // the new file, made beside it
    QString backup; // the old file while the swap may still be undone
    bool hadOld = false;
    bool swapped = false;
};

// Puts the new file in place of the old one, keeping the old one as backup.
// The target never disappears: the old file gets a second name first, then
// the new one replaces it in one step.
QString swapIn(Swap& s) {
    if (s.hadOld) {
        QFile::remove(s.backup);
        if (::link(QFile::encodeName(s.target).constData(),
                   QFile::encodeName(s.backup).constData()) != 0) {
            // No hard links here: move the old file aside instead.
            if (const QString why = renameOver(s.target, s.backup); !why.isEmpty())
                return why;
        }
        // A journal left beside a file that was no database would be played
        // back into the new one.
        QFile::remove(s.target + QStringLiteral("-journal"));
    }
    if (const QString why = renameOver(s.aside, s.target); !why.isEmpty()) {
        if (s.hadOld && !QFileInfo::exists(s.target))
            renameOver(s.backup, s.target);
        else if (s.hadOld)
            QFile::remove(s.backup);
        return why;
    }
    s.swapped = true;
    return QString();
}

void undo(const Swap& s) {
    if (!s.swapped)
        return;
    if (s.hadOld)
        renameOver(s.backup, s.target);
    else
        QFile::remove(s.target);
}

} // namespace

Status CreateDatabaseFiles(const QString& directory, bool overwrite) {
    if (!QDir().mkpath(directory))
        return StoreError{StoreError::Kind::CannotOpen, directory,
                          QStringLiteral("폴더를 만들 수 없습니다.")};
    const QDir dir(directory);
    std::vector<Swap> set;
    QStringList present;
    for (DatabaseFile f : AllDatabaseFiles()) {
        Swap s;
        s.target = dir.filePath(FileName(f));
        s.aside = s.target + QStringLiteral(".new");
        s.backup = s.target + QStringLiteral(".old");
        s.hadOld = QFileInfo::exists(s.target) || QFileInfo(s.target).isSymLink();
        if (s.hadOld)
            present << FileName(f);
        set.push_back(s);
    }
    if (!overwrite && !present.isEmpty())
        return StoreError{StoreError::Kind::CannotOpen, dir.absolutePath(),
                          QStringLiteral("데이터베이스 파일이 이미 있습니다 (%1). "
                                         "덮어쓰려면 --force를 주십시오.")
                              .arg(present.join(QStringLiteral(", ")))};

    // A program writing to an old file would lose its rows to the replaced
    // file: such a file is refused, and every old file that is a database is
    // held for writing until the new set is in place.
    std::vector<std::unique_ptr<Connection>> held;
    std::vector<std::unique_ptr<Transaction>> holds;
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (!set[i].hadOld)
            continue;
        const DatabaseFile f = AllDatabaseFiles().at(static_cast<qsizetype>(i));
        auto conn = std::make_unique<Connection>();
        Status open = conn->OpenPath(set[i].target, f);
        if (!open && open.error().kind == StoreError::Kind::CannotOpen &&
            !QFileInfo(set[i].target).isFile())
            return open.error(); // a folder or device is not replaced
        auto tx = open ? std::make_unique<Transaction>(*conn) : nullptr;
        const Status& hold = open ? tx->status() : open;
        if (!hold && hold.error().kind == StoreError::Kind::Locked)
            return StoreError{StoreError::Kind::Locked, set[i].target,
                              QStringLiteral("다른 프로그램이 이 파일을 쓰고 있습니다. 아무 "
                                             "파일도 바꾸지 않았습니다.")};
        // Any other failure: no program can be writing to it as a database.
        if (tx && tx->ok()) {
            held.push_back(std::move(conn));
            holds.push_back(std::move(tx));
        }
    }

    // The new set beside the old one; a failure leaves the old set alone.
    const auto removeAsides = [&set] {
        for (const Swap& s : set) {
            QFile::remove(s.aside);
            QFile::remove(s.aside + QStringLiteral("-journal"));
        }
    };
    removeAsides();
    for (std::size_t i = 0; i < set.size(); ++i) {
        const DatabaseFile f = AllDatabaseFiles().at(static_cast<qsizetype>(i));
        if (Status s = CreateDatabaseFile(set[i].aside, f); !s) {
            removeAsides();
            return s;
        }
    }

    // Then all three swapped in, or, on a failure, the swaps undone.
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (const QString why = swapIn(set[i]); !why.isEmpty()) {
            for (std::size_t j = i; j-- > 0;)
                undo(set[j]);
            removeAsides();
            return StoreError{StoreError::Kind::CannotOpen, set[i].target,
                              QStringLiteral("파일을 바꿀 수 없습니다 (%1). 아무 파일도 "
                                             "바꾸지 않았습니다.")
                                  .arg(why)};
        }
    }
    holds.clear();
    held.clear();
    for (const Swap& s : set) {
        if (s.hadOld)
            QFile::remove(s.backup);
    }
    return Status();
}

} // namespace marking::store
