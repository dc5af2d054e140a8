#include "report/render/ReportLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRectF>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <functional>

namespace marking::report {

QString LayoutFileName() {
    return QStringLiteral("WorkReport.rpt");
}

QPageLayout ReportLayout::PageLayout() const {
    return QPageLayout(QPageSize(pageSize), orientation, margins, QPageLayout::Millimeter);
}

namespace {

// A fault at the line being parsed; turned into a ReportError by the parser.
struct LineFault {
    QString reason;
};

bool parseNumber(const QString& text, double min, double max, double* out) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !(v >= min && v <= max))
        return false;
    *out = v;
    return true;
}

QString numberRange(double min, double max) {
    return QStringLiteral("%1에서 %2 사이의 숫자").arg(min).arg(max);
}

bool parseYesNo(const QString& value) {
    static const QHash<QString, bool> words{{"yes", true},    {"on", true},  {"true", true},
                                            {"1", true},      {"no", false}, {"off", false},
                                            {"false", false}, {"0", false}};
    const auto it = words.constFind(value.toLower());
    if (it == words.constEnd())
        throw LineFault{QStringLiteral("yes 또는 no 여야 합니다: '%1'").arg(value)};
    return *it;
}

const QRegularExpression& fieldName() {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re;
}

QString parseField(const QString& value) {
    if (value.isEmpty())
        throw LineFault{QStringLiteral("열 이름이 비어 있습니다.")};
    if (!fieldName().match(value).hasMatch())
        throw LineFault{QStringLiteral("열 이름으로 쓸 수 없습니다: '%1'").arg(value)};
    return value;
}

// Checks the {name} marks of a header or footer text.
QString parseBandText(const QString& value) {
    static const QSet<QString> known{"title", "date", "time", "page", "pages"};
    static const QRegularExpression mark(QStringLiteral("\\{([^{}]*)\\}"));
    for (auto it = mark.globalMatch(value); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (!known.contains(name))
            throw LineFault{QStringLiteral("알 수 없는 자리 표시입니다: '{%1}' ({title}, {date}, "
                                           "{time}, {page}, {pages} 중 하나)")
                                .arg(name)};
    }
    QString rest = value;
    rest.remove(mark);
    if (rest.contains(u'{') || rest.contains(u'}'))
        throw LineFault{QStringLiteral("닫히지 않은 중괄호가 있습니다: '%1'").arg(value)};
    return value;
}

void parsePage(const QString& value, ReportLayout& layout) {
    static const QHash<QString, QPageSize::PageSizeId> sizes{
        {"a3", QPageSize::A3},      {"a4", QPageSize::A4}, {"a5", QPageSize::A5},
        {"b4", QPageSize::B4},      {"b5", QPageSize::B5}, {"letter", QPageSize::Letter},
        {"legal", QPageSize::Legal}};
    const QStringList words =
        value.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty() || words.size() > 2)
        throw LineFault{QStringLiteral("용지 크기와 방향을 적어야 합니다 (예: A4 portrait).")};
    bool sizeSeen = false;
    bool orientationSeen = false;
    for (const QString& w : words) {
        const QString lower = w.toLower();
        if (sizes.contains(lower) && !sizeSeen) {
            layout.pageSize = sizes.value(lower);
            sizeSeen = true;
        } else if ((lower == u"portrait" || lower == u"landscape") && !orientationSeen) {
            layout.orientation =
                lower == u"portrait" ? QPageLayout::Portrait : QPageLayout::Landscape;
            orientationSeen = true;
        } else {
            throw LineFault{QStringLiteral("알 수 없는 용지 설정입니다: '%1' (A3, A4, A5, B4, B5, "
                                           "Letter, Legal, portrait, landscape)")
                                .arg(w)};
        }
    }
}

void parseMargins(const QString& value, ReportLayout& layout) {
    const QStringList words =
        value.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.size() != 1 && words.size() != 4)
        throw LineFault{QStringLiteral("여백은 숫자 한 개 또는 네 개(좌 상 우 하, mm)입니다.")};
    double mm[4];
    for (int i = 0; i < words.size(); ++i) {
        if (!parseNumber(words.at(i), 0, 60, &mm[i]))
            throw LineFault{QStringLiteral("여백은 %1(mm)여야 합니다: '%2'")
                                .arg(numberRange(0, 60), words.at(i))};
    }
    layout.margins = words.size() == 1 ? QMarginsF(mm[0], mm[0], mm[0], mm[0])
                                       : QMarginsF(mm[0], mm[1], mm[2], mm[3]);
}

LayoutColumn parseColumn(const QString& value) {
    const QStringList parts = value.split(u'|');
    if (parts.size() < 3)
        throw LineFault{
            QStringLiteral("열은 '너비 | 머리글 | 필드 [| 정렬] [| optional]' 형식입니다.")};
    LayoutColumn c;
    if (!parseNumber(parts.at(0).trimmed(), 0.01, 1000, &c.width))
        throw LineFault{QStringLiteral("열 너비는 %1여야 합니다: '%2'")
                            .arg(numberRange(0.01, 1000), parts.at(0).trimmed())};
    c.header = parts.at(1).trimmed();
    c.field = parseField(parts.at(2).trimmed());
    bool alignSeen = false;
    for (qsizetype i = 3; i < parts.size(); ++i) {
        const QString word = parts.at(i).trimmed().toLower();
        if (word == u"optional" && !c.optional) {
            c.optional = true;
        } else if ((word == u"left" || word == u"center" || word == u"right") && !alignSeen) {
            c.align = word == u"left"     ? CellAlign::Left
                      : word == u"center" ? CellAlign::Center
                                          : CellAlign::Right;
            alignSeen = true;
        } else {
            throw LineFault{
                QStringLiteral("알 수 없거나 겹친 열 설정입니다: '%1' (left, center, right, "
                               "optional)")
                    .arg(parts.at(i).trimmed())};
        }
    }
    return c;
}

using Setter = std::function<void(const QString& value, int line, ReportLayout& layout)>;

const QHash<QString, Setter>& setters() {
    static const QHash<QString, Setter> table{
        {"format",
         [](const QString& v, int, ReportLayout&) {
             if (v != u"1")
                 throw LineFault{
                     QStringLiteral("읽을 수 없는 형식 번호입니다: '%1' (1만 읽습니다)").arg(v)};
         }},
        {"title", [](const QString& v, int, ReportLayout& l) { l.title = v; }},
        {"subtitle", [](const QString& v, int, ReportLayout& l) { l.subtitle = v; }},
        {"page", [](const QString& v, int, ReportLayout& l) { parsePage(v, l); }},
        {"margins", [](const QString& v, int, ReportLayout& l) { parseMargins(v, l); }},
        {"font.family",
         [](const QString& v, int, ReportLayout& l) {
             if (v.isEmpty())
                 throw LineFault{QStringLiteral("글꼴 이름이 비어 있습니다.")};
             l.fontFamily = v;
         }},
        {"font.size",
         [](const QString& v, int, ReportLayout& l) {
             if (!parseNumber(v, 5, 30, &l.fontSize))
                 throw LineFault{QStringLiteral("글자 크기는 %1(포인트)여야 합니다: '%2'")
                                     .arg(numberRange(5, 30), v)};
         }},
        {"header.left",
         [](const QString& v, int, ReportLayout& l) { l.header.left = parseBandText(v); }},
        {"header.center",
         [](const QString& v, int, ReportLayout& l) { l.header.center = parseBandText(v); }},
        {"header.right",
         [](const QString& v, int, ReportLayout& l) { l.header.right = parseBandText(v); }},
        {"footer.left",
         [](const QString& v, int, ReportLayout& l) { l.footer.left = parseBandText(v); }},
        {"footer.center",
         [](const QString& v, int, ReportLayout& l) { l.footer.center = parseBandText(v); }},
        {"footer.right",
         [](const QString& v, int, ReportLayout& l) { l.footer.right = parseBandText(v); }},
        {"column",
         [](const QString& v, int line, ReportLayout& l) {
             LayoutColumn c = parseColumn(v);
             c.line = line;
             l.columns.append(c);
         }},
        {"summary", [](const QString& v, int, ReportLayout& l) { l.summary = parseYesNo(v); }},
        {"chart", [](const QString& v, int, ReportLayout& l) { l.chart = parseYesNo(v); }},
        {"summary.team",
         [](const QString& v, int line, ReportLayout& l) {
             l.teamField = {parseField(v), line};
         }},
        {"summary.date",
         [](const QString& v, int line, ReportLayout& l) {
             l.dateField = {parseField(v), line};
         }},
        {"summary.count",
         [](const QString& v, int line, ReportLayout& l) {
             l.countField = {parseField(v), line};
         }},
    };
    return table;
}

ReportError fault(const QString& file, int line, const QString& reason) {
    return ReportError{file, line, reason};
}

} // namespace

ReportResult<ReportLayout> ParseLayout(const QString& text, const QString& fileLabel) {
    ReportLayout layout;
    layout.file = fileLabel;
    QHash<QString, int> seen; // key -> line of its first appearance
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq < 0)
            return fault(fileLabel, lineNo,
                         QStringLiteral("'설정 = 값' 형식이 아닙니다: '%1'").arg(trimmed));
        const QString key = trimmed.left(eq).trimmed().toLower();
        const QString value = trimmed.mid(eq + 1).trimmed();
        const auto setter = setters().constFind(key);
        if (setter == setters().constEnd())
            return fault(
                fileLabel, lineNo,
                QStringLiteral("알 수 없는 설정입니다: '%1'").arg(trimmed.left(eq).trimmed()));
        if (key != u"column") {
            if (seen.contains(key))
                return fault(fileLabel, lineNo,
                             QStringLiteral("'%1' 설정이 %2행에 이미 있습니다.")
                                 .arg(key)
                                 .arg(seen.value(key)));
            seen.insert(key, lineNo);
        }
        try {
            (*setter)(value, lineNo, layout);
        } catch (const LineFault& f) {
            return fault(fileLabel, lineNo, f.reason);
        }
    }
    if (!seen.contains(QStringLiteral("title")) || layout.title.isEmpty())
        return fault(fileLabel, seen.value(QStringLiteral("title")),
                     QStringLiteral("제목(title)이 없습니다."));
    if (layout.columns.isEmpty())
        return fault(fileLabel, 0, QStringLiteral("열(column)이 하나도 없습니다."));
    const QSizeF page = layout.PageLayout().fullRect(QPageLayout::Millimeter).size();
    const QMarginsF& m = layout.margins;
    if (m.left() + m.right() > page.width() - 50 || m.top() + m.bottom() > page.height() - 50)
        return fault(fileLabel, seen.value(QStringLiteral("margins")),
                     QStringLiteral("여백이 너무 커서 용지에 쓸 자리가 남지 않습니다."));
    return layout;
}

ReportResult<ReportLayout> ParseLayoutBytes(const QByteArray& bytes, const QString& fileLabel) {
    QByteArrayView data(bytes);
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    // Decoded line by line, so that a line that is not UTF-8 (a file saved
    // in code page 949, say) is named.
    QString text;
    int lineNo = 0;
    for (qsizetype start = 0; start <= data.size();) {
        ++lineNo;
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder.decode(data.sliced(start, end - start));
        if (decoder.hasError())
            return fault(fileLabel, lineNo, QStringLiteral("UTF-8 텍스트가 아닙니다."));
        text += line;
        if (end < data.size())
            text += u'\n';
        start = end + 1;
    }
    return ParseLayout(text, fileLabel);
}

ReportResult<ReportLayout> ReadLayoutFile(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return fault(path, 0, QStringLiteral("리포트 양식 파일이 없습니다."));
    if (!file.open(QIODevice::ReadOnly))
        return fault(
            path, 0,
            QStringLiteral("리포트 양식 파일을 열 수 없습니다 (%1).").arg(file.errorString()));
    if (file.size() > 1024 * 1024)
        return fault(path, 0, QStringLiteral("리포트 양식 파일이 너무 큽니다 (1 MB 이하)."));
    return ParseLayoutBytes(file.readAll(), path);
}

ReportResult<ReportLayout> ReadProgramLayout(const QString& directory) {
    return ReadLayoutFile(QDir(directory).filePath(LayoutFileName()));
}

QString DefaultLayoutText() {
    QFile file(QStringLiteral(":/marking/report/WorkReport.rpt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

ReportStatus WriteDefaultLayout(const QString& directory, bool overwrite) {
    const QString path = QDir(directory).filePath(LayoutFileName());
    if (QFileInfo::exists(path) && !overwrite)
        return {};
    const QString text = DefaultLayoutText();
    if (text.isEmpty())
        return fault(path, 0, QStringLiteral("기본 리포트 양식이 프로그램에 들어 있지 않습니다."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fault(
            path, 0,
            QStringLiteral("리포트 양식 파일을 쓸 수 없습니다 (%1).").arg(file.errorString()));
    file.write(text.toUtf8());
    if (!file.commit())
        return fault(
            path, 0,
            QStringLiteral("리포트 양식 파일을 쓸 수 없습니다 (%1).").arg(file.errorString()));
    return {};
}

} // namespace marking::report
