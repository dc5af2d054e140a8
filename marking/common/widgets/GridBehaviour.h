#pragma once

#include "common/widgets/ScreenBehaviour.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QTableWidget;

namespace marking {

// One column of a grid.
struct GridColumn {
    QString header;                                             // its text in row 0
    int width = 80;                                             // pixels; 0: fit the contents
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter; // header and cells
    bool hidden = false;                    // a key column the operator need not see
    bool editable = false;                  // cells open an editor on a double click or typing
    FieldFilter filter = FieldFilter::None; // the cell editor's filter
    int maxLength = 0;                      // the cell editor's limit (0: none)
};

// A grid ("Flx..."): its columns and which column holds the record key.
struct GridSpec {
    QString name;    // object name, "FlxMarkingData"
    QString panel;   // title panel above the grid (empty: none), "SpanHelp"
    QString caption; // its text
    QList<GridColumn> columns;
    int keyColumn = -1; // column holding the record key (M_ID, W_ID ...); -1: none
    int rows = 1;       // rows at creation, the header row included
    bool hidden = false;
};

// The behaviour every grid of the program shares, over a QTableWidget:
//  - row 0 is the header row: it holds the column headers, counts in the row
//    count (an algorithm's "N not less than the row count" includes it) and
//    stays in view as the table's header while the data rows scroll;
//  - a click selects and highlights the whole row, also after the focus left;
//  - no edit trigger takes a function key: F2 reaches the window's menu;
//    editable columns open their editor on a double click or typing, and the
//    editor holds the column's filter and length (Enter commits, Esc drops);
//  - column widths and alignment come from the description;
//  - the focus colours and Enter-to-next of every field, when the screen
//    registers the grid (ScreenForm does).
class GridBehaviour : public QObject {
    Q_OBJECT
public:
    GridBehaviour(QTableWidget* grid, GridSpec spec); // owned by the grid
    // The behaviour of a grid (nullptr: a plain table).
    static GridBehaviour* Of(const QTableWidget* grid);

    QTableWidget* Grid() const { return grid_; }
    const GridSpec& Spec() const { return spec_; }

    // Row count, the header row included.
    int Rows() const;
    // Sets the row count (at least 1: the header row stays); new rows are empty.
    void SetRows(int rows);
    // Back to the header row alone.
    void Reset() { SetRows(1); }
    QString Text(int row, int column) const;
    // Row 0 sets a header text.
    void SetText(int row, int column, const QString& text);
    // Appends data rows in one pass (one row count change, no repaint or
    // sorting in between): 10,000 rows of 12 columns in well under 100 ms.
    // A row with fewer cells leaves the rest empty.
    void AppendRows(const QList<QStringList>& rows);
    // Reset, then AppendRows.
    void Fill(const QList<QStringList>& rows);

    // The key column's text of a row ("" without a key column).
    QString Key(int row) const;
    // The current row (0: the header row or none).
    int CurrentRow() const;
    // Makes a data row current and highlights it whole; 0 clears the selection.
    void SelectRow(int row);

signals:
    // A click on a data row, or on the header (row 0).
    void RowClicked(int row);

private:
    void applyWidths();
    void syncHeader(int first, int last);

    QTableWidget* grid_;
    GridSpec spec_;
};

} // namespace marking
