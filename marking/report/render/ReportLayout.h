#pragma once

#include "report/render/ReportError.h"

#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

namespace marking::report {

// The layout file of the work report in the program directory.
QString LayoutFileName(); // "WorkReport.rpt"

enum class CellAlign { Left, Center, Right };

// One column of the listed rows.
struct LayoutColumn {
    double width = 1; // share of the printable width (the widths are added up)
    QString header;   // may be empty
    QString field;    // the field of the rows that fills the column
    CellAlign align = CellAlign::Center;
    bool optional = false; // left out when the rows have no such field
    int line = 0;          // where the layout file declares it
};

// Texts of the page header or footer; may hold {title}, {date}, {time},
// {page} and {pages}.
struct PageBand {
    QString left;
    QString center;
    QString right;
    bool IsEmpty() const { return left.isEmpty() && center.isEmpty() && right.isEmpty(); }
};

// A field the totals read, with the line that named it (0: the default).
struct FieldRef {
    QString name;
    int line = 0;
};

// A parsed WorkReport.rpt. The format is described in HACKING.md and in the
// comments of the default file (DefaultLayoutText()).
struct ReportLayout {
    QString file; // where it was read from, for messages
    QString title;
    QString subtitle;
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins{15, 15, 15, 15}; // millimetres: left, top, right, bottom
    QString fontFamily = QStringLiteral("NanumBarunGothic");
    double fontSize = 9; // points
    PageBand header;
    PageBand footer;
    QList<LayoutColumn> columns;
    bool summary = true; // totals per team and per day at the end
    bool chart = true;   // the bar chart of pipes per day by team (with the totals)
    FieldRef teamField{QStringLiteral("R_WorkTeam")};
    FieldRef dateField{QStringLiteral("R_Date")};
    FieldRef countField{QStringLiteral("R_WorkVolume")};

    QPageLayout PageLayout() const;
};

// Parses the text of a layout file; fileLabel names it in errors. Every
// fault is an error naming the file and the line.
ReportResult<ReportLayout> ParseLayout(const QString& text, const QString& fileLabel);
// Same on raw bytes, which must be UTF-8 (a leading byte order mark is skipped).
ReportResult<ReportLayout> ParseLayoutBytes(const QByteArray& bytes, const QString& fileLabel);

// Reads and parses the file at path; a missing or unreadable file is an error.
ReportResult<ReportLayout> ReadLayoutFile(const QString& path);
// Reads directory + "/WorkReport.rpt".
ReportResult<ReportLayout> ReadProgramLayout(const QString& directory);

// The layout delivered with the program, with its comments.
QString DefaultLayoutText();

// Writes the delivered layout as directory + "/WorkReport.rpt". An existing
// file is kept unless overwrite is set; the file is replaced whole or not at
// all.
ReportStatus WriteDefaultLayout(const QString& directory, bool overwrite);

} // namespace marking::report
