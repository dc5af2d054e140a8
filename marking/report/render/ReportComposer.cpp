#include "report/render/ReportComposer.h"

#include "report/render/ReportDocument.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>

namespace marking::report {

namespace {

const QColor kGridLine(110, 110, 110);
const QColor kHeaderFill(228, 228, 236);
const QColor kTotalFill(244, 244, 248);

int alignFlags(CellAlign a) {
    switch (a) {
    case CellAlign::Left:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case CellAlign::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case CellAlign::Center:
        break;
    }
    return Qt::AlignHCenter | Qt::AlignVCenter;
}

// Bar colours: the five work teams keep theirs; other groups take the rest.
QColor teamColor(const QString& team, int position) {
    static const QColor known[5] = {QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44),
                                    QColor(214, 39, 40), QColor(148, 103, 189)};
    static const QColor other[5] = {QColor(140, 86, 75), QColor(227, 119, 194),
                                    QColor(127, 127, 127), QColor(188, 189, 34),
                                    QColor(23, 190, 207)};
    for (int t = 0; t < 5; ++t) {
        if (team == WorkTeamListText(t))
            return known[t];
    }
    return other[position % 5];
}

QString groupName(const QString& name, const QString& none) {
    return name.isEmpty() ? none : name;
}

// A step of 1, 2 or 5 times a power of ten, at least 1 (pipes are whole).
double niceStep(double raw) {
    if (!(raw > 1))
        return 1;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude;
    return (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * magnitude;
}

} // namespace

ReportComposer::ReportComposer(const ReportDocument& document, QPagedPaintDevice& device)
    : doc_(document)
    , device_(device) {
    const ReportLayout& layout = doc_.Layout();
    dpi_ = device_.logicalDpiY() > 0 ? device_.logicalDpiY() : 72;
    page_ = QSizeF(device_.width(), device_.height());
    pad_ = mm(1.2);
    base_ = QFont(layout.fontFamily);
    base_.setStyleHint(QFont::SansSerif);
    base_.setPointSizeF(layout.fontSize);

    double shares = 0;
    for (const LayoutColumn& c : doc_.Columns())
        shares += c.width;
    for (const LayoutColumn& c : doc_.Columns())
        listColumns_.append({page_.width() * c.width / shares, c.header, alignFlags(c.align)});
}

double ReportComposer::mm(double millimetres) const {
    return millimetres * dpi_ / 25.4;
}

QFont ReportComposer::font(double scale, bool bold) const {
    QFont f = base_;
    f.setPointSizeF(base_.pointSizeF() * scale);
    f.setBold(bold);
    return f;
}

int ReportComposer::wrapFlags(const QString& text, double width, const QFont& f, int align) const {
    const QFontMetricsF fm(f, &device_);
    if (!text.contains(u'\n') && fm.horizontalAdvance(text) <= width)
        return 0;
    const QRectF words = fm.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap | align, text);
    return words.width() <= width + 0.5 ? Qt::TextWordWrap : Qt::TextWrapAnywhere;
}

double ReportComposer::textHeight(const QString& text, double width, const QFont& f,
                                  int align) const {
    const QFontMetricsF fm(f, &device_);
    const int flags = wrapFlags(text, width, f, align);
    if (flags == 0)
        return fm.height();
    return fm.boundingRect(QRectF(0, 0, width, 1e9), flags | align, text).height();
}

void ReportComposer::text(const QRectF& rect, const QString& s, const QFont& f, int align) {
    if (!p_ || s.isEmpty())
        return;
    const QPen lines = p_->pen();
    p_->setPen(Qt::black);
    p_->setFont(f);
    p_->drawText(rect, wrapFlags(s, rect.width(), f, align) | align, s);
    p_->setPen(lines);
}

int ReportComposer::Run(QPainter* painter, int pages) {
    p_ = painter;
    pages_ = pages;
    failed_ = false;
    page_no_ = 1;

    const ReportLayout& layout = doc_.Layout();
    const double band = QFontMetricsF(font(0.9), &device_).height();
    bodyTop_ = layout.header.IsEmpty() ? 0 : band + mm(3);
    bodyBottom_ = page_.height() - (layout.footer.IsEmpty() ? 0 : band + mm(3));
    if (listHeights_.empty() && doc_.RowCount() > 0) {
        listHeights_.reserve(doc_.RowCount());
        const CellText cell = [this](int r, int c) { return doc_.CellText(r, c); };
        for (int r = 0; r < doc_.RowCount(); ++r)
            listHeights_.push_back(rowHeight(listColumns_, r, cell, base_));
    }

    pageBands();
    y_ = bodyTop_;
    heading(layout.title, 1.9);
    if (!layout.subtitle.isEmpty())
        heading(layout.subtitle, 1.25);
    y_ += mm(2);
    listing();
    if (layout.summary)
        summary();
    p_ = nullptr;
    return failed_ ? page_no_ - 1 : page_no_;
}

bool ReportComposer::newPage() {
    if (p_ && !device_.newPage()) {
        failed_ = true;
        return false;
    }
    ++page_no_;
    pageBands();
    y_ = bodyTop_;
    return true;
}

void ReportComposer::ensure(double height) {
    if (y_ + height > bodyBottom_ && y_ > bodyTop_ + 0.5)
        newPage();
}

void ReportComposer::pageBands() {
    if (!p_)
        return;
    const ReportLayout& layout = doc_.Layout();
    const QDateTime when = doc_.PrintTime();
    auto fill = [&](QString s) {
        s.replace(QStringLiteral("{title}"), layout.title);
        s.replace(QStringLiteral("{date}"), when.toString(QStringLiteral("yyyy-MM-dd")));
        s.replace(QStringLiteral("{time}"), when.toString(QStringLiteral("HH:mm")));
        s.replace(QStringLiteral("{pages}"), QString::number(pages_));
        s.replace(QStringLiteral("{page}"), QString::number(page_no_));
        return s;
    };
    const QFont f = font(0.9);
    const double band = QFontMetricsF(f, &device_).height();
    p_->setPen(QPen(kGridLine, mm(0.2)));
    auto draw = [&](const PageBand& b, double top) {
        const QRectF r(0, top, page_.width(), band);
        text(r, fill(b.left), f, Qt::AlignLeft | Qt::AlignVCenter);
        text(r, fill(b.center), f, Qt::AlignHCenter | Qt::AlignVCenter);
        text(r, fill(b.right), f, Qt::AlignRight | Qt::AlignVCenter);
    };
    if (!layout.header.IsEmpty()) {
        draw(layout.header, 0);
        p_->drawLine(QPointF(0, band + mm(1)), QPointF(page_.width(), band + mm(1)));
    }
    if (!layout.footer.IsEmpty()) {
        const double top = page_.height() - band;
        draw(layout.footer, top);
        p_->drawLine(QPointF(0, top - mm(1)), QPointF(page_.width(), top - mm(1)));
    }
}

double ReportComposer::headingHeight(const QString& s, double scale) const {
    return textHeight(s, page_.width(), font(scale, true), Qt::AlignHCenter) + mm(1.5);
}

void ReportComposer::heading(const QString& s, double scale, double keepWith, int align) {
    const double h = headingHeight(s, scale);
    ensure(h + (keepWith < 0 ? 2 * h : keepWith)); // never alone at the foot of a page
    text(QRectF(0, y_, page_.width(), h), s, font(scale, true), align | Qt::AlignVCenter);
    y_ += h;
}

void ReportComposer::paragraph(const QString& s) {
    const double h = textHeight(s, page_.width(), base_, Qt::AlignLeft) + mm(1);
    ensure(h);
    text(QRectF(0, y_, page_.width(), h), s, base_, Qt::AlignLeft | Qt::AlignVCenter);
    y_ += h;
}

double ReportComposer::rowHeight(const QList<Column>& columns, int row, const CellText& cell,
                                 const QFont& f) const {
    double h = 0;
    for (int c = 0; c < columns.size(); ++c) {
        const double inner = std::max(1.0, columns.at(c).width - 2 * pad_);
        h = std::max(h, textHeight(cell(row, c), inner, f, columns.at(c).align));
    }
    return h + 2 * mm(0.7);
}

void ReportComposer::cells(const QList<Column>& columns, double height, const QFont& f, bool header,
                           const std::function<QString(int)>& cell) {
    if (p_) {
        const bool clip = y_ + height > bodyBottom_ + 0.5;
        double x = 0;
        p_->setPen(QPen(kGridLine, mm(0.15)));
        for (int c = 0; c < columns.size(); ++c) {
            const QRectF r(x, y_, columns.at(c).width, height);
            if (header)
                p_->fillRect(r, kHeaderFill);
            else if (f.bold())
                p_->fillRect(r, kTotalFill);
            p_->drawRect(r);
            if (clip)
                p_->setClipRect(r);
            text(r.adjusted(pad_, mm(0.7), -pad_, -mm(0.7)), cell(c), f, columns.at(c).align);
            if (clip)
                p_->setClipping(false);
            x += columns.at(c).width;
        }
    }
    y_ += height;
}

void ReportComposer::table(const QList<Column>& columns, int rows, const CellText& cell,
                           const std::vector<double>* heights, int boldFromRow,
                           const QString& caption) {
    const QFont bold = font(1, true);
    const CellText headerText = [&](int, int c) { return columns.at(c).header; };
    const double headerHeight = rowHeight(columns, 0, headerText, bold);
    auto height = [&](int r) {
        const double h =
            heights ? heights->at(r) : rowHeight(columns, r, cell, r >= boldFromRow ? bold : base_);
        return std::min(h, bodyBottom_ - bodyTop_ - headerHeight);
    };
    auto drawHeader = [&] {
        cells(columns, headerHeight, bold, true, [&](int c) { return columns.at(c).header; });
    };
    const double captionHeight = caption.isEmpty() ? 0 : headingHeight(caption, 1.1);
    double whole = captionHeight + headerHeight;
    for (int r = 0; !heights && r < rows; ++r)
        whole += height(r);
    if (!heights && whole <= bodyBottom_ - bodyTop_)
        ensure(whole); // a short table stays on one page
    const double start = headerHeight + (rows > 0 ? height(0) : 0);
    if (!caption.isEmpty())
        heading(caption, 1.1, start, Qt::AlignLeft);
    ensure(start);
    drawHeader();
    for (int r = 0; r < rows; ++r) {
        const double h = height(r);
        if (y_ + h > bodyBottom_) {
            newPage();
            drawHeader();
        }
        cells(columns, h, r >= boldFromRow ? bold : base_, false,
              [&](int c) { return cell(r, c); });
    }
}

void ReportComposer::listing() {
    const CellText cell = [this](int r, int c) { return doc_.CellText(r, c); };
    table(listColumns_, doc_.RowCount(), cell, &listHeights_, INT_MAX);
    if (doc_.RowCount() == 0)
        paragraph(QStringLiteral("출력할 리포트 데이터가 없습니다."));
}

void ReportComposer::summary() {
    const ReportSummary& s = doc_.Summary();
    y_ += mm(6);
    heading(QStringLiteral("합    계"), 1.3);
    paragraph(QStringLiteral("작업 본수 합계: %1 본 (%2건)")
                  .arg(FormatCount(s.totalPipes), QString::number(s.numericRows)));
    paragraph(
        QStringLiteral("작업 본수가 숫자가 아닌 행: %1건 (합계에서 제외)").arg(s.nonNumericRows));
    y_ += mm(3);

    const QString noTeam = QStringLiteral("(조 없음)");
    const int teams = static_cast<int>(s.teams.size());
    const QList<Column> teamColumns{
        {mm(32), QStringLiteral("근무 조"), Qt::AlignHCenter | Qt::AlignVCenter},
        {mm(24), QStringLiteral("건수"), Qt::AlignRight | Qt::AlignVCenter},
        {mm(30), QStringLiteral("작업 본수"), Qt::AlignRight | Qt::AlignVCenter}};
    table(
        teamColumns, teams + 1,
        [&](int r, int c) -> QString {
            if (r == teams)
                return c == 0   ? QStringLiteral("합계")
                       : c == 1 ? QString::number(s.numericRows)
                                : FormatCount(s.totalPipes);
            return c == 0   ? groupName(s.teams.at(r), noTeam)
                   : c == 1 ? QString::number(s.teamRows.at(r))
                            : FormatCount(s.teamPipes.at(r));
        },
        nullptr, teams, QStringLiteral("근무 조별 작업 본수"));
    y_ += mm(5);

    const int days = static_cast<int>(s.days.size());
    QList<Column> dayColumns{{mm(28), QStringLiteral("날짜"), Qt::AlignHCenter | Qt::AlignVCenter}};
    for (const QString& t : s.teams)
        dayColumns.append({mm(22), groupName(t, noTeam), Qt::AlignRight | Qt::AlignVCenter});
    dayColumns.append({mm(26), QStringLiteral("합계"), Qt::AlignRight | Qt::AlignVCenter});
    double width = 0;
    for (const Column& c : dayColumns)
        width += c.width;
    if (width > page_.width()) {
        for (Column& c : dayColumns)
            c.width *= page_.width() / width;
    }
    table(
        dayColumns, days + 1,
        [&](int r, int c) -> QString {
            const bool total = r == days;
            if (c == 0)
                return total ? QStringLiteral("합계")
                             : groupName(s.days.at(r), QStringLiteral("(날짜 없음)"));
            if (c == teams + 1)
                return FormatCount(total ? s.totalPipes : s.dayPipes.at(r));
            return FormatCount(total ? s.teamPipes.at(c - 1) : s.dayTeamPipes.at(r).at(c - 1));
        },
        nullptr, days, QStringLiteral("일자별 작업 본수"));
    y_ += mm(5);
    if (doc_.Layout().chart)
        chart();
}

void ReportComposer::chart() {
    const ReportSummary& s = doc_.Summary();
    const QString title = QStringLiteral("일자별 근무 조별 작업 본수");
    double top = 0;
    for (int d = 0; d < s.days.size(); ++d) {
        double positive = 0;
        for (double v : s.dayTeamPipes.at(d))
            positive += std::max(0.0, v);
        top = std::max(top, positive);
    }
    if (top <= 0) {
        heading(title, 1.1, -1, Qt::AlignLeft);
        paragraph(QStringLiteral("그래프에 나타낼 작업 본수가 없습니다."));
        return;
    }
    // 85 mm high, or what is left of the page when that is at least 60 mm.
    const double titleHeight = headingHeight(title, 1.1);
    const double left = bodyBottom_ - y_ - titleHeight;
    double height = std::min(mm(85), bodyBottom_ - bodyTop_ - titleHeight);
    if (left >= mm(60) && left < height)
        height = left;
    heading(title, 1.1, height, Qt::AlignLeft);

    const QFont small = font(0.85);
    const QFontMetricsF fm(small, &device_);
    const double step = niceStep(top / 5);
    top = std::ceil(top / step) * step;
    const QRectF area(0, y_, page_.width(), height);
    y_ += height;
    if (!p_)
        return;

    // Legend, one entry per team.
    double lx = 0;
    const double box = fm.height() * 0.7;
    for (int t = 0; t < s.teams.size(); ++t) {
        const QString name = groupName(s.teams.at(t), QStringLiteral("(조 없음)"));
        p_->fillRect(QRectF(lx, area.top() + (fm.height() - box) / 2, box, box),
                     teamColor(s.teams.at(t), t));
        text(QRectF(lx + box + mm(1), area.top(), fm.horizontalAdvance(name) + 1, fm.height()),
             name, small, Qt::AlignLeft | Qt::AlignVCenter);
        lx += box + mm(1) + fm.horizontalAdvance(name) + mm(4);
    }

    double axisWidth = 0;
    for (double v = 0; v <= top + step / 2; v += step)
        axisWidth = std::max(axisWidth, fm.horizontalAdvance(FormatCount(v)));
    const QRectF plot(axisWidth + mm(2), area.top() + fm.height() * 1.6 + fm.height(),
                      area.width() - axisWidth - mm(2), 0);
    const double plotBottom = area.bottom() - fm.height() - mm(1.5);
    const double plotHeight = plotBottom - plot.top();
    auto yOf = [&](double v) { return plotBottom - v / top * plotHeight; };

    p_->setPen(QPen(QColor(210, 210, 210), mm(0.1)));
    for (double v = 0; v <= top + step / 2; v += step) {
        const double y = yOf(v);
        if (v > 0)
            p_->drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        text(QRectF(0, y - fm.height() / 2, axisWidth, fm.height()), FormatCount(v), small,
             Qt::AlignRight | Qt::AlignVCenter);
    }

    const int n = static_cast<int>(s.days.size());
    const double slot = plot.width() / n;
    const double bar = std::max(slot * 0.7, 1.0);
    bool sameYear = true;
    for (const QString& d : s.days)
        sameYear = sameYear && d.size() == 10 && d.left(4) == s.days.first().left(4);
    auto dayLabel = [&](int d) {
        const QString& day = groupName(s.days.at(d), QStringLiteral("(날짜 없음)"));
        return sameYear ? day.mid(5) : day;
    };
    double labelWidth = 0;
    for (int d = 0; d < n; ++d)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(dayLabel(d)));
    const int every = std::max(1, static_cast<int>(std::ceil((labelWidth + mm(1)) / slot)));

    for (int d = 0; d < n; ++d) {
        const double x = plot.left() + d * slot + (slot - bar) / 2;
        double v0 = 0;
        for (int t = 0; t < s.teams.size(); ++t) {
            const double v = std::max(0.0, s.dayTeamPipes.at(d).at(t));
            if (v <= 0)
                continue;
            p_->fillRect(QRectF(x, yOf(v0 + v), bar, yOf(v0) - yOf(v0 + v)),
                         teamColor(s.teams.at(t), t));
            v0 += v;
        }
        const QString total = FormatCount(s.dayPipes.at(d));
        if (fm.horizontalAdvance(total) <= slot && v0 > 0)
            text(QRectF(plot.left() + d * slot, yOf(v0) - fm.height(), slot, fm.height()), total,
                 small, Qt::AlignHCenter | Qt::AlignBottom);
        if (d % every == 0)
            text(QRectF(plot.left() + d * slot + slot / 2 - labelWidth, plotBottom + mm(1),
                        2 * labelWidth, fm.height()),
                 dayLabel(d), small, Qt::AlignHCenter | Qt::AlignTop);
    }
    p_->setPen(QPen(kGridLine, mm(0.2)));
    p_->drawLine(QPointF(plot.left(), plot.top()), QPointF(plot.left(), plotBottom));
    p_->drawLine(QPointF(plot.left(), plotBottom), QPointF(plot.right(), plotBottom));
}

} // namespace marking::report
