// markingctl report: the work report without a screen.
//   report --pdf FILE DIR   renders the rows of DIR's Print.mdb with DIR's
//                           WorkReport.rpt into the PDF file FILE.
// Further tasks ("report VERB ...") go into reportVerbs() below.
#include "Commands.h"

#include "report/render/ReportDocument.h"

#include <QDir>
#include <QGuiApplication>
#include <QJsonObject>
#include <vector>

namespace markingctl {

namespace {

int reportPdf(const QStringList& args) {
    const Args a(args, {QStringLiteral("pdf")});
    if (!a.has(QStringLiteral("pdf")))
        throw UsageError{QStringLiteral("missing option --pdf")};
    if (a.positionals().size() != 1)
        throw UsageError{QStringLiteral("expected one directory")};
    const QString dir = QDir(a.positionals().first()).absolutePath();
    const QString pdf = QDir::current().absoluteFilePath(a.value(QStringLiteral("pdf")));

    using namespace marking::report;
    ReportResult<ReportDocument> doc = LoadPrintReport(dir);
    if (!doc)
        return DataError(doc.error().Text());
    const ReportResult<int> pages = doc.value().WritePdf(pdf);
    if (!pages)
        return DataError(pages.error().Text());
    const ReportSummary& s = doc.value().Summary();
    PrintJson(QJsonObject{{QStringLiteral("pdf"), pdf},
                          {QStringLiteral("directory"), dir},
                          {QStringLiteral("rows"), doc.value().RowCount()},
                          {QStringLiteral("pages"), pages.value()},
                          {QStringLiteral("pipes"), s.totalPipes},
                          {QStringLiteral("non_numeric_rows"), s.nonNumericRows}});
    return ExitOk;
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
