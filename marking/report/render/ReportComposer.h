#pragma once

#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <Qt>
#include <functional>
#include <vector>

class QPainter;
class QPagedPaintDevice;

namespace marking::report {

class ReportDocument;

// Lays out and draws the pages of a document on one device: the page header
// and footer, the title, the listed rows, the totals and the chart. Run
// without a painter to count the pages, then with one to draw them.
class ReportComposer {
public:
    ReportComposer(const ReportDocument& document, QPagedPaintDevice& device);

    // Returns the number of pages; pages is the count printed as {pages}.
    // With a painter it also draws and turns the device's pages; it stops
    // early (returning fewer pages) when the device refuses a new page.
    int Run(QPainter* painter, int pages);

    struct Column {
        double width = 0; // device pixels
        QString header;
        int align = 0; // Qt::Alignment
    };
    using CellText = std::function<QString(int row, int column)>;

private:
    double mm(double millimetres) const;
    QFont font(double scale, bool bold = false) const;
    double textHeight(const QString& text, double width, const QFont& f, int align) const;
    int wrapFlags(const QString& text, double width, const QFont& f, int align) const;

    bool newPage();
    void pageBands();
    void ensure(double height);
    void text(const QRectF& rect, const QString& text, const QFont& f, int align);
    double headingHeight(const QString& text, double scale) const;
    // keepWith: room needed under the heading on its page (< 0: two more lines).
    void heading(const QString& text, double scale, double keepWith = -1,
                 int align = Qt::AlignHCenter);
    void paragraph(const QString& text);
    double rowHeight(const QList<Column>& columns, int row, const CellText& cell,
                     const QFont& f) const;
    void table(const QList<Column>& columns, int rows, const CellText& cell,
               const std::vector<double>* heights, int boldFromRow,
               const QString& caption = QString());
    void cells(const QList<Column>& columns, double height, const QFont& f, bool header,
               const std::function<QString(int)>& cell);
    void listing();
    void summary();
    void chart();

    const ReportDocument& doc_;
    QPagedPaintDevice& device_;
    QPainter* p_ = nullptr;
    double dpi_ = 72;
    QSizeF page_;
    double bodyTop_ = 0;
    double bodyBottom_ = 0;
    double y_ = 0;
    int page_no_ = 0;
    int pages_ = 0;
    bool failed_ = false;
    double pad_ = 0;
    QFont base_;
    QList<Column> listColumns_;
    std::vector<double> listHeights_; // measured once, for both runs
};

} // namespace marking::report
