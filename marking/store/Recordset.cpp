#include "store/Recordset.h"

#include "store/QueryText.h"
#include "store/Schema.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace marking::store {

Recordset::Recordset() = default;

Recordset::~Recordset() {
    Close();
}

QString Recordset::Table() const {
    return query_ ? query_->table : QString();
}

StoreError Recordset::error(StoreError::Kind kind, const QString& reason) const {
    return StoreError{kind, fileLabel_, reason};
}

Status Recordset::Open(const QString& queryText, Connection& connection) {
    Close();
    if (!connection.IsOpen())
        return StoreError{StoreError::Kind::NotOpen, connection.Path(),
                          QStringLiteral("연결이 열려 있지 않습니다.")};
    Result<MappedQuery> mapped = MapQueryText(queryText);
    if (!mapped)
        return connection.Error(mapped.error().kind, mapped.error().reason);

    fileLabel_ = connection.Path();
    fileKind_ = connection.Kind();
    const TableDef* table = FindTable(fileKind_, mapped.value().table);

    QSqlQuery q(connection.Database());
    q.setForwardOnly(true);
    if (!q.prepare(mapped.value().sql))
        return connection.ErrorFrom(q.lastError());
    for (const QVariant& v : mapped.value().values)
        q.addBindValue(v);
    if (!q.exec())
        return connection.ErrorFrom(q.lastError());

    const QSqlRecord record = q.record();
    QList<const ColumnDef*> defs;
    columns_.clear();
    columnByName_.clear();
    keyIndex_ = -1;
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i);
        columns_ << name;
        columnByName_.insert(name.toLower(), i);
        defs << (table ? table->Column(name) : nullptr);
        if (name.compare(mapped.value().key, Qt::CaseInsensitive) == 0)
            keyIndex_ = i;
    }
    rows_.clear();
    while (q.next()) {
        Row row;
        row.values.reserve(columns_.size());
        for (int i = 0; i < columns_.size(); ++i)
            row.values << (defs[i] ? FromStoredValue(*defs[i], q.value(i)) : q.value(i));
        rows_.push_back(std::move(row));
    }
    if (q.lastError().isValid()) {
        const StoreError e = connection.ErrorFrom(q.lastError());
        rows_.clear();
        return e;
    }
    q.finish();

    query_ = std::make_unique<MappedQuery>(mapped.value());
    connection_ = std::shared_ptr<void>(connection.d_);
    owner_ = &connection;
    position_ = 0;
    mode_ = EditMode::None;
    pending_.clear();
    pendingError_.reset();
    open_ = true;
    return Status();
}

void Recordset::Close() {
    open_ = false;
    rows_.clear();
    columns_.clear();
    columnByName_.clear();
    keyIndex_ = -1;
    position_ = 0;
    mode_ = EditMode::None;
    pending_.clear();
    pendingError_.reset();
    query_.reset();
    connection_.reset();
    owner_ = nullptr;
}

int Recordset::RecordCount() const {
    if (!open_)
        return 0;
    int n = 0;
    for (const Row& r : rows_)
        n += r.deleted ? 0 : 1;
    return n;
}

bool Recordset::Eof() const {
    return !open_ || position_ >= int(rows_.size());
}

void Recordset::MoveFirst() {
    CancelUpdate();
    position_ = 0;
    while (position_ < int(rows_.size()) && rows_[position_].deleted)
        ++position_;
}

void Recordset::MoveNext() {
    CancelUpdate();
    if (position_ >= int(rows_.size()))
        return;
    ++position_;
    while (position_ < int(rows_.size()) && rows_[position_].deleted)
        ++position_;
}

int Recordset::columnIndex(const QString& column) const {
    return columnByName_.value(column.toLower(), -1);
}

bool Recordset::HasField(const QString& column) const {
    return columnIndex(column) >= 0;
}

Status Recordset::checkOpen() const {
    if (!open_)
        return error(StoreError::Kind::NotOpen, QStringLiteral("레코드셋이 열려 있지 않습니다."));
    return Status();
}

Status Recordset::checkCurrent() const {
    if (Status s = checkOpen(); !s)
        return s;
    if (mode_ == EditMode::Add)
        return Status();
    if (position_ >= int(rows_.size()))
        return error(StoreError::Kind::NoCurrentRow, QStringLiteral("현재 레코드가 없습니다."));
    if (rows_[position_].deleted)
        return error(StoreError::Kind::NoCurrentRow,
                     QStringLiteral("현재 레코드는 삭제되었습니다."));
    return Status();
}

Result<QVariant> Recordset::Value(const QString& column) const {
    if (Status s = checkCurrent(); !s)
        return s.error();
    const int i = columnIndex(column);
    if (i < 0)
        return error(StoreError::Kind::MissingColumn,
                     QStringLiteral("테이블 %1에 열 %2이(가) 없습니다.").arg(Table(), column));
    if (pending_.contains(i))
        return pending_.value(i);
    if (mode_ == EditMode::Add)
        return QVariant();
    return rows_[position_].values.at(i);
}

QVariant Recordset::Field(const QString& column) const {
    Result<QVariant> v = Value(column);
    return v ? v.value() : QVariant();
}

QVariant Recordset::FieldAt(int index) const {
    if (index < 0 || index >= columns_.size() || !checkCurrent())
        return QVariant();
    if (pending_.contains(index))
        return pending_.value(index);
    if (mode_ == EditMode::Add)
        return QVariant();
    return rows_[position_].values.at(index);
}

Status Recordset::AddNew() {
    if (Status s = checkOpen(); !s)
        return s;
    CancelUpdate();
    mode_ = EditMode::Add;
    return Status();
}

Status Recordset::SetField(const QString& column, const QVariant& value) {
    if (Status s = checkCurrent(); !s)
        return s;
    const int i = columnIndex(column);
    StoreError failure;
    if (i < 0) {
        failure = error(StoreError::Kind::MissingColumn,
                        QStringLiteral("테이블 %1에 열 %2이(가) 없습니다.").arg(Table(), column));
    } else if (i == keyIndex_) {
        failure = error(StoreError::Kind::BadValue,
                        QStringLiteral("키 열 %1은(는) 데이터베이스가 정합니다.").arg(column));
    } else {
        const TableDef* table = FindTable(fileKind_, Table());
        const ColumnDef* def = table ? table->Column(columns_.at(i)) : nullptr;
        if (!def) {
            // A column the program does not know: stored as given.
            if (mode_ == EditMode::None)
                mode_ = EditMode::Edit;
            pending_.insert(i, value);
            return Status();
        }
        Result<QVariant> stored = ToStoredValue(*def, value);
        if (stored) {
            if (mode_ == EditMode::None)
                mode_ = EditMode::Edit;
            pending_.insert(i, FromStoredValue(*def, stored.value()));
            return Status();
        }
        failure = error(stored.error().kind, stored.error().reason);
    }
    // The edit as a whole is refused: Update will not write the row.
    if (mode_ == EditMode::None)
        mode_ = EditMode::Edit;
    if (!pendingError_)
        pendingError_ = failure;
    return failure;
}

void Recordset::CancelUpdate() {
    if (mode_ == EditMode::Add)
        position_ = std::min(position_, int(rows_.size()));
    mode_ = EditMode::None;
    pending_.clear();
    pendingError_.reset();
}

Result<QList<QVariant>> Recordset::readRow(const QVariant& key) {
    QSqlQuery q(owner_->Database());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(query_->table, query_->key)))
        return owner_->ErrorFrom(q.lastError());
    q.addBindValue(key);
    if (!q.exec())
        return owner_->ErrorFrom(q.lastError());
    if (!q.next())
        return error(StoreError::Kind::RowVanished,
                     QStringLiteral("저장한 레코드를 다시 읽을 수 없습니다."));
    const QSqlRecord record = q.record();
    const TableDef* table = FindTable(fileKind_, query_->table);
    QList<QVariant> values;
    for (const QString& name : columns_) {
        const int i = record.indexOf(name);
        const QVariant v = i >= 0 ? q.value(i) : QVariant();
        const ColumnDef* def = table ? table->Column(name) : nullptr;
        values << (def ? FromStoredValue(*def, v) : v);
    }
    q.finish();
    return values;
}

Status Recordset::runWrite(const QString& sql, const QVariantList& values, int* rowsAffected,
                           QVariant* insertedKey) {
    Result<QSqlQuery*> statement = owner_->prepared(sql);
    if (!statement)
        return statement.error();
    QSqlQuery& q = *statement.value();
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec()) {
        const StoreError e = owner_->ErrorFrom(q.lastError());
        owner_->dropPrepared(sql);
        return e;
    }
    if (rowsAffected)
        *rowsAffected = q.numRowsAffected();
    if (insertedKey)
        *insertedKey = q.lastInsertId();
    q.finish();
    return Status();
}

Status Recordset::Update() {
    if (Status s = checkCurrent(); !s)
        return s;
    if (pendingError_) {
        const StoreError e = *pendingError_;
        CancelUpdate();
        return e;
    }
    if (mode_ == EditMode::None)
        return Status();
    if (connection_.expired() || !owner_)
        return error(StoreError::Kind::NotOpen, QStringLiteral("연결이 닫혀 있습니다."));
    if (keyIndex_ < 0)
        return error(
            StoreError::Kind::MissingColumn,
            QStringLiteral("테이블 %1에 키 열 %2이(가) 없습니다.").arg(query_->table, query_->key));

    QList<int> indexes = pending_.keys();
    std::sort(indexes.begin(), indexes.end());
    QStringList names;
    QVariantList values;
    for (int i : indexes) {
        names << columns_.at(i);
        values << pending_.value(i);
    }

    Transaction tx(*owner_);
    if (!tx.ok())
        return tx.status();
    QVariant key;
    if (mode_ == EditMode::Add) {
        QString sql;
        if (names.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(query_->table);
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(query_->table, names.join(u", "), marks.join(u", "));
        }
        if (Status s = runWrite(sql, values, nullptr, &key); !s)
            return s;
    } else {
        key = rows_[position_].values.at(keyIndex_);
        QStringList sets;
        for (const QString& n : names)
            sets << n + QStringLiteral(" = ?");
        values << key;
        int affected = 0;
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                .arg(query_->table, sets.join(u", "), query_->key);
        if (Status s = runWrite(sql, values, &affected, nullptr); !s)
            return s;
        if (affected != 1)
            return error(StoreError::Kind::RowVanished,
                         QStringLiteral("수정할 레코드가 테이블에 더 이상 없습니다."));
    }
    Result<QList<QVariant>> stored = readRow(key);
    if (!stored)
        return stored.error();
    if (Status s = tx.Commit(); !s)
        return s;

    if (mode_ == EditMode::Add) {
        rows_.push_back(Row{stored.value(), false});
        position_ = int(rows_.size()) - 1;
    } else {
        rows_[position_].values = stored.value();
    }
    mode_ = EditMode::None;
    pending_.clear();
    return Status();
}

Status Recordset::Delete() {
    if (Status s = checkCurrent(); !s)
        return s;
    if (mode_ == EditMode::Add)
        return error(StoreError::Kind::NoCurrentRow,
                     QStringLiteral("아직 저장하지 않은 새 레코드는 삭제할 수 없습니다."));
    if (connection_.expired() || !owner_)
        return error(StoreError::Kind::NotOpen, QStringLiteral("연결이 닫혀 있습니다."));
    if (keyIndex_ < 0)
        return error(
            StoreError::Kind::MissingColumn,
            QStringLiteral("테이블 %1에 키 열 %2이(가) 없습니다.").arg(query_->table, query_->key));
    CancelUpdate();
    Transaction tx(*owner_);
    if (!tx.ok())
        return tx.status();
    int affected = 0;
    if (Status s =
            runWrite(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(query_->table, query_->key),
                     {rows_[position_].values.at(keyIndex_)}, &affected, nullptr);
        !s)
        return s;
    if (affected != 1)
        return error(StoreError::Kind::RowVanished,
                     QStringLiteral("삭제할 레코드가 테이블에 더 이상 없습니다."));
    if (Status s = tx.Commit(); !s)
        return s;
    rows_[position_].deleted = true;
    return Status();
}

} // namespace marking::store
