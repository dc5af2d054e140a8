#include "report/render/ReportDocument.h"

#include "report/render/ReportComposer.h"

#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace marking::report {

ReportResult<ReportDocument> ReportDocument::Create(ReportLayout layout, ReportTable table) {
    ReportDocument doc;
    for (const LayoutColumn& c : layout.columns) {
        const int field = table.FieldIndex(c.field);
        if (field < 0 && c.optional)
            continue;
        if (field < 0)
            return ReportError{
                layout.file, c.line,
                QStringLiteral("리포트 데이터에 '%1' 필드가 없습니다.").arg(c.field)};
        doc.columns_.append(c);
        doc.columnFields_.append(field);
    }
    if (doc.columns_.isEmpty())
        return ReportError{layout.file, 0, QStringLiteral("그릴 열이 하나도 남지 않았습니다.")};

    int summaryFields[3] = {-1, -1, -1};
    const FieldRef* refs[3] = {&layout.teamField, &layout.dateField, &layout.countField};
    for (int i = 0; i < 3; ++i) {
        summaryFields[i] = table.FieldIndex(refs[i]->name);
        if (layout.summary && summaryFields[i] < 0)
            return ReportError{layout.file, refs[i]->line,
                               QStringLiteral("합계에 쓸 '%1' 필드가 리포트 데이터에 없습니다.")
                                   .arg(refs[i]->name)};
    }
    doc.teamField_ = summaryFields[0];
    if (layout.summary)
        doc.summary_ = Summarize(table, summaryFields[0], summaryFields[1], summaryFields[2]);
    doc.layout_ = std::move(layout);
    doc.table_ = std::move(table);
    return doc;
}

QDateTime ReportDocument::PrintTime() const {
    return printTime_.isValid() ? printTime_ : QDateTime::currentDateTime();
}

QString ReportDocument::CellText(int record, int column) const {
    const int field = columnFields_.at(column);
    const QStringList& values = table_.records.at(record);
    const QString value = field < values.size() ? values.at(field) : QString();
    return field == teamField_ ? NormalizeWorkTeam(value) : value;
}

ReportResult<int> ReportDocument::Render(QPagedPaintDevice& device) const {
    QPainter painter;
    if (!painter.begin(&device))
        return ReportError{{}, 0, QStringLiteral("리포트를 그릴 장치를 열 수 없습니다.")};
    ReportComposer composer(*this, device);
    const int pages = composer.Run(nullptr, 0);
    const bool drawn = composer.Run(&painter, pages) == pages;
    painter.end();
    if (!drawn)
        return ReportError{{}, 0, QStringLiteral("리포트의 쪽을 넘길 수 없습니다.")};
    return pages;
}

ReportResult<int> ReportDocument::WritePdf(const QString& path) const {
    return WritePdf(path, layout_.PageLayout());
}

ReportResult<int> ReportDocument::WritePdf(const QString& path,
                                           const QPageLayout& pageLayout) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ReportError{
            path, 0, QStringLiteral("PDF 파일을 쓸 수 없습니다 (%1).").arg(file.errorString())};
    ReportResult<int> pages = [&]() -> ReportResult<int> {
        QPdfWriter writer(&file);
        writer.setTitle(layout_.title);
        writer.setCreator(QStringLiteral("Marking"));
        writer.setPageLayout(pageLayout);
        return Render(writer);
    }();
    if (!pages.ok()) {
        file.cancelWriting();
        ReportError e = pages.error();
        e.file = path;
        return e;
    }
    if (!file.commit())
        return ReportError{
            path, 0, QStringLiteral("PDF 파일을 쓸 수 없습니다 (%1).").arg(file.errorString())};
    return pages;
}

ReportResult<ReportDocument> LoadPrintReport(const QString& directory) {
    ReportResult<ReportLayout> layout = ReadProgramLayout(directory);
    if (!layout)
        return layout.error();
    ReportResult<ReportTable> rows = ReadPrintRows(directory);
    if (!rows)
        return rows.error();
    return ReportDocument::Create(layout.take(), rows.take());
}

} // namespace marking::report
