#pragma once

#include "report/render/ReportError.h"
#include "report/render/ReportLayout.h"
#include "report/render/ReportSummary.h"
#include "report/render/ReportTable.h"

#include <QDateTime>
#include <QPageLayout>

class QPagedPaintDevice;

namespace marking::report {

// A report ready to be drawn: a layout checked against the rows it is drawn
// over, and the totals of those rows. It keeps its own copy of the rows, so
// the source (Print.mdb) may be emptied once the document is made.
// Drawing is QPainter work: user-interface thread (or the one thread of a
// tool), one document per thread.
class ReportDocument {
public:
    // Every column that is not optional, and with the totals on every field
    // they read, must be a field of table; an optional column whose field is
    // missing is left out. Errors name the layout file and the line.
    static ReportResult<ReportDocument> Create(ReportLayout layout, ReportTable table);

    const ReportLayout& Layout() const { return layout_; }
    const ReportTable& Table() const { return table_; }
    const ReportSummary& Summary() const { return summary_; }
    const QList<LayoutColumn>& Columns() const { return columns_; } // the columns drawn
    int RowCount() const { return static_cast<int>(table_.records.size()); }

    // The time printed as {date} and {time}; the current time until set.
    void SetPrintTime(const QDateTime& time) { printTime_ = time; }
    QDateTime PrintTime() const;

    // Draws every page on device, as it is set up (page size and margins:
    // Layout().PageLayout() is the layout's own). Returns the page count.
    ReportResult<int> Render(QPagedPaintDevice& device) const;
    // Writes the report as a PDF at path on the layout's pages (or on
    // pageLayout); the file is replaced whole or not at all.
    ReportResult<int> WritePdf(const QString& path) const;
    ReportResult<int> WritePdf(const QString& path, const QPageLayout& pageLayout) const;

    // Text of a drawn cell: the field's value, a work team in its listed form.
    QString CellText(int record, int column) const;

private:
    ReportDocument() = default;

    ReportLayout layout_;
    ReportTable table_;
    ReportSummary summary_;
    QList<LayoutColumn> columns_;
    QList<int> columnFields_; // field index of each drawn column
    int teamField_ = -1;
    QDateTime printTime_;
};

// The layout of directory's WorkReport.rpt over the rows of its Print.mdb.
ReportResult<ReportDocument> LoadPrintReport(const QString& directory);

} // namespace marking::report
