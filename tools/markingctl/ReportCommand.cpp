// markingctl report: the work report without a screen.
//   report --pdf FILE DIR   renders the rows of DIR's Print.mdb with DIR's
//                           WorkReport.rpt into the PDF file FILE.
//   report --central URL --pdf FILE [--from DATE --to DATE] [--team N] [DIR]
//                           renders the plant-wide report of the central
//                           database (all rows, or a date range of one team)
//                           with DIR's WorkReport.rpt, or the delivered layout.
// Further tasks ("report VERB ...") go into reportVerbs() below.
#include "Commands.h"

#include "central/PlantSearch.h"
#include "report/render/PlantReport.h"
#include "report/render/ReportDocument.h"
#include "store/QueryText.h"

#include <QDir>
#include <QGuiApplication>
#include <QJsonObject>
#include <QSet>
#include <vector>

namespace markingctl {

namespace {

using namespace marking::report;

// Writes the document and prints what was written; `source` names where the
// rows came from.
int writeReport(const ReportDocument& doc, const QString& pdf, QJsonObject source) {
    const ReportResult<int> pages = doc.WritePdf(pdf);
    if (!pages)
        return DataError(pages.error().Text());
    const ReportSummary& s = doc.Summary();
    source.insert(QStringLiteral("pdf"), pdf);
    source.insert(QStringLiteral("rows"), doc.RowCount());
    source.insert(QStringLiteral("pages"), pages.value());
    source.insert(QStringLiteral("pipes"), s.totalPipes);
    source.insert(QStringLiteral("non_numeric_rows"), s.nonNumericRows);
    PrintJson(source);
    return ExitOk;
}

QDate dateOption(const Args& a, const QString& name) {
    const QDate date = marking::store::ParseDateText(a.value(name));
    if (!date.isValid())
        throw UsageError{QStringLiteral("--%1 takes a date YYYY-MM-DD").arg(name)};
    return date;
}

// The plant-wide report: the rows of the central table, with their station.
int plantPdf(const Args& a, const QString& pdf) {
    if (a.positionals().size() > 1)
        throw UsageError{QStringLiteral("expected at most one directory (its WorkReport.rpt)")};
    const bool range = a.has(QStringLiteral("from")) || a.has(QStringLiteral("to"));
    marking::central::SearchCriteria criteria = marking::central::SearchCriteria::AllRecords();
    if (range) {
        criteria = marking::central::SearchCriteria::Range(
            dateOption(a, QStringLiteral("from")), dateOption(a, QStringLiteral("to")),
            a.intValue(QStringLiteral("team"), 0, 4));
    } else if (a.has(QStringLiteral("team"))) {
        throw UsageError{QStringLiteral("--team goes with --from and --to")};
    }
    ReportResult<ReportLayout> layout =
        a.positionals().isEmpty() ? ParseLayout(DefaultLayoutText(), LayoutFileName())
                                  : ReadProgramLayout(QDir(a.positionals().first()).absolutePath());
    if (!layout)
        return DataError(layout.error().Text());

    marking::central::Settings settings = marking::central::ReadSettings();
    settings.url = a.value(QStringLiteral("central"));
    const marking::central::PlantSearchResult found =
        marking::central::SearchPlant(settings, criteria);
    if (!found.ok) {
        PrintJson(QJsonObject{{QStringLiteral("error"), found.reason}});
        return ExitOutcome;
    }
    ReportResult<ReportDocument> doc =
        ReportDocument::Create(layout.take(), PlantReportTable(found.rows));
    if (!doc)
        return DataError(doc.error().Text());
    QSet<QString> stations;
    for (const marking::central::PlantRow& row : found.rows)
        stations.insert(row.stationId);
    return writeReport(doc.value(), pdf,
                       {{QStringLiteral("central"), true},
                        {QStringLiteral("stations"), static_cast<int>(stations.size())}});
}

int reportPdf(const QStringList& args) {
    const Args a(args, {QStringLiteral("pdf"), QStringLiteral("central"), QStringLiteral("from"),
                        QStringLiteral("to"), QStringLiteral("team")});
    if (!a.has(QStringLiteral("pdf")))
        throw UsageError{QStringLiteral("missing option --pdf")};
    const QString pdf = QDir::current().absoluteFilePath(a.value(QStringLiteral("pdf")));
    if (a.has(QStringLiteral("central")))
        return plantPdf(a, pdf);
    if (a.has(QStringLiteral("from")) || a.has(QStringLiteral("to")) ||
        a.has(QStringLiteral("team")))
        throw UsageError{QStringLiteral("--from, --to and --team go with --central")};
    if (a.positionals().size() != 1)
        throw UsageError{QStringLiteral("expected one directory")};
    const QString dir = QDir(a.positionals().first()).absolutePath();

    ReportResult<ReportDocument> doc = LoadPrintReport(dir);
    if (!doc)
        return DataError(doc.error().Text());
    return writeReport(doc.value(), pdf, {{QStringLiteral("directory"), dir}});
}

struct Verb {
    QString name;
    Command run; // receives the arguments after the verb
};

// Tasks of their own, picked by the first argument.
const std::vector<Verb>& reportVerbs() {
    static const std::vector<Verb> verbs;
    return verbs;
}

} // namespace

int CmdReport(const QStringList& args) {
    if (!args.isEmpty()) {
        for (const Verb& v : reportVerbs()) {
            if (args.first() == v.name)
                return v.run(args.mid(1));
        }
    }
    return reportPdf(args);
}

QCoreApplication* MakeOffscreenGuiApplication(int& argc, char** argv) {
    // Fonts and painting need a Gui application; a report is drawn without a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
}

} // namespace markingctl
