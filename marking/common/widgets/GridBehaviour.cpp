#include "common/widgets/GridBehaviour.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace marking {

namespace {

const char kBehaviourProperty[] = "markingGridBehaviour";

// Cells drawn with their column's alignment; editors only in editable data
// columns, holding the column's filter and length.
class GridCellDelegate : public QStyledItemDelegate {
public:
    GridCellDelegate(const GridSpec& spec, QObject* parent)
        : QStyledItemDelegate(parent)
        , spec_(spec) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        const GridColumn* column = columnOf(index);
        if (index.row() == 0 || !column || !column->editable) {
            return nullptr;
        }
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            if (column->filter != FieldFilter::None) {
                edit->setValidator(new FieldFilterValidator(column->filter, edit));
            }
            if (column->maxLength > 0) {
                edit->setMaxLength(column->maxLength);
            }
            edit->setAlignment(column->alignment);
        }
        return editor;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const GridColumn* column = columnOf(index);
        if (column && !index.data(Qt::TextAlignmentRole).isValid()) {
            option->displayAlignment = column->alignment;
        }
    }

private:
    const GridColumn* columnOf(const QModelIndex& index) const {
        const int c = index.column();
        return c >= 0 && c < spec_.columns.size() ? &spec_.columns[c] : nullptr;
    }
    const GridSpec& spec_;
};

Qt::ItemFlags cellFlags(const GridSpec& spec, int row, int column) {
    if (row == 0) {
        return Qt::ItemIsEnabled;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (column < spec.columns.size() && spec.columns[column].editable) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

} // namespace

GridBehaviour::GridBehaviour(QTableWidget* grid, GridSpec spec)
    : QObject(grid)
    , grid_(grid)
    , spec_(std::move(spec)) {
    grid_->setProperty(kBehaviourProperty, QVariant::fromValue(static_cast<QObject*>(this)));
    grid_->setSortingEnabled(false);
    grid_->setColumnCount(static_cast<int>(spec_.columns.size()));
    grid_->setRowCount(qMax(1, spec_.rows));
    grid_->setItemDelegate(new GridCellDelegate(spec_, this));

    bool editable = false;
    for (const GridColumn& column : spec_.columns) {
        editable = editable || column.editable;
    }
    // Never EditKeyPressed: F2 belongs to the window's menu.
    grid_->setEditTriggers(editable
                               ? QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed
                               : QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setWordWrap(false);
    grid_->setTextElideMode(Qt::ElideNone);
    grid_->setCornerButtonEnabled(false);

    // The selected row stays highlighted while another control has the focus.
    QPalette pal = grid_->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    }
    grid_->setPalette(pal);

    QHeaderView* rows = grid_->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    QHeaderView* header = grid_->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    header->setMinimumSectionSize(0);

    // Row 0 holds the headers and is shown as the table's header, so that it
    // stays in view while the rows scroll.
    grid_->setRowHidden(0, true);
    for (int c = 0; c < spec_.columns.size(); ++c) {
        auto* item = new QTableWidgetItem(spec_.columns[c].header);
        item->setFlags(cellFlags(spec_, 0, c));
        grid_->setItem(0, c, item);
    }
    syncHeader(0, static_cast<int>(spec_.columns.size()) - 1);
    connect(grid_->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (topLeft.row() == 0) {
                    syncHeader(topLeft.column(), bottomRight.column());
                }
            });
    connect(grid_, &QTableWidget::cellClicked, this,
            [this](int row, int) { emit RowClicked(row); });
    connect(header, &QHeaderView::sectionClicked, this, [this] { emit RowClicked(0); });
    applyWidths();
}

GridBehaviour* GridBehaviour::Of(const QTableWidget* grid) {
    return grid ? qobject_cast<GridBehaviour*>(grid->property(kBehaviourProperty).value<QObject*>())
                : nullptr;
}

void GridBehaviour::syncHeader(int first, int last) {
    for (int c = qMax(0, first); c <= last && c < grid_->columnCount(); ++c) {
        QTableWidgetItem* label = grid_->horizontalHeaderItem(c);
        if (!label) {
            label = new QTableWidgetItem;
            grid_->setHorizontalHeaderItem(c, label);
        }
        label->setText(Text(0, c));
        if (c < spec_.columns.size()) {
            label->setTextAlignment(spec_.columns[c].alignment);
        }
    }
}

void GridBehaviour::applyWidths() {
    for (int c = 0; c < spec_.columns.size(); ++c) {
        const GridColumn& column = spec_.columns[c];
        grid_->setColumnHidden(c, column.hidden);
        if (column.width > 0) {
            grid_->setColumnWidth(c, column.width);
        } else if (!column.hidden) {
            grid_->resizeColumnToContents(c);
        }
    }
}

int GridBehaviour::Rows() const {
    return grid_->rowCount();
}

void GridBehaviour::SetRows(int rows) {
    grid_->setRowCount(qMax(1, rows));
}

QString GridBehaviour::Text(int row, int column) const {
    const QTableWidgetItem* item = grid_->item(row, column);
    return item ? item->text() : QString();
}

void GridBehaviour::SetText(int row, int column, const QString& text) {
    if (QTableWidgetItem* item = grid_->item(row, column)) {
        item->setText(text);
        return;
    }
    auto* item = new QTableWidgetItem(text);
    item->setFlags(cellFlags(spec_, row, column));
    grid_->setItem(row, column, item);
}

void GridBehaviour::AppendRows(const QList<QStringList>& rows) {
    if (rows.isEmpty()) {
        return;
    }
    const bool updates = grid_->updatesEnabled();
    grid_->setUpdatesEnabled(false);
    grid_->setSortingEnabled(false);
    const int first = grid_->rowCount();
    const int columns = grid_->columnCount();
    grid_->setRowCount(first + static_cast<int>(rows.size()));
    QAbstractItemModel* model = grid_->model();
    {
        // One change notice for the whole block instead of one per cell.
        const QSignalBlocker quiet(model);
        for (int i = 0; i < rows.size(); ++i) {
            const QStringList& cells = rows[i];
            const int n = qMin(columns, static_cast<int>(cells.size()));
            for (int c = 0; c < n; ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                item->setFlags(cellFlags(spec_, first + i, c));
                grid_->setItem(first + i, c, item);
            }
        }
    }
    if (columns > 0) {
        emit model->dataChanged(model->index(first, 0),
                                model->index(grid_->rowCount() - 1, columns - 1));
    }
    applyWidths();
    grid_->setUpdatesEnabled(updates);
}

void GridBehaviour::Fill(const QList<QStringList>& rows) {
    Reset();
    AppendRows(rows);
}

QString GridBehaviour::Key(int row) const {
    return spec_.keyColumn >= 0 ? Text(row, spec_.keyColumn) : QString();
}

int GridBehaviour::CurrentRow() const {
    return qMax(0, grid_->currentRow());
}

void GridBehaviour::SelectRow(int row) {
    if (row <= 0 || row >= Rows()) {
        grid_->clearSelection();
        grid_->setCurrentCell(0, 0, QItemSelectionModel::NoUpdate);
        return;
    }
    grid_->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(grid_->model()->index(row, 0));
}

} // namespace marking
