#pragma once

#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace reporttest {

// The columns the print copy fills, in the order of a row below.
inline const QStringList& PrintColumns() {
    static const QStringList columns{"R_NO",   "R_Date",   "R_WorkTeam",  "R_MarkingMethod",
                                     "R_Data", "R_Length", "R_WorkVolume"};
    return columns;
}

// Makes dir/Print.mdb unless it is there and stores rows in it through the
// store, as the print copy does. Returns an empty text or what failed.
inline QString MakePrintMdb(const QString& dir, const QList<QStringList>& rows) {
    using namespace marking::store;
    const QString path = QDir(dir).filePath("Print.mdb");
    if (Status s = QFile::exists(path) ? Status() : CreateDatabaseFile(path, DatabaseFile::Print);
        !s)
        return s.error().Text();
    Connection conn;
    Recordset rs;
    if (Status s = conn.Open(dir, DatabaseFile::Print); !s)
        return s.error().Text();
    if (Status s = rs.Open("select * from WorkReport", conn); !s)
        return s.error().Text();
    Transaction tx(conn);
    for (const QStringList& row : rows) {
        if (Status s = rs.AddNew(); !s)
            return s.error().Text();
        for (int i = 0; i < row.size(); ++i) {
            if (Status s = rs.SetField(PrintColumns().at(i), row.at(i)); !s)
                return s.error().Text();
        }
        if (Status s = rs.Update(); !s)
            return s.error().Text();
    }
    if (Status s = tx.Commit(); !s)
        return s.error().Text();
    return {};
}

// The text of a PDF (pdftotext), runs of blanks made one blank.
inline QString PdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>")
            .arg(QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput())
        .replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

} // namespace reporttest
