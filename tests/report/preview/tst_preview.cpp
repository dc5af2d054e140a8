#include "../ReportTestSupport.h"

#include "common/MessagePort.h"
#include "report/preview/ReportPreviewWindow.h"

#include <QFile>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace marking;
using namespace marking::report;

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        messages_.Clear();
        QVERIFY(WriteDefaultLayout(dir_->path(), true).ok());
        QList<QStringList> rows;
        for (int i = 1; i <= 60; ++i)
            rows.append({QString::number(i), "2006-09-30", "D   조", "단마킹",
                         QStringLiteral("PREVIEW%1").arg(i), "6000", "2"});
        QCOMPARE(reporttest::MakePrintMdb(dir_->path(), rows), QString());
    }

    void noPrinter_previewShownPrintButtonSaysSoPdfSaved() {
        std::unique_ptr<ReportPreviewWindow> w(ReportPreviewWindow::ForPrintReport(dir_->path()));
        QVERIFY(w);
        w->SetPrinterNames({});
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTRY_VERIFY_WITH_TIMEOUT(w->Preview->pageCount() >= 2, 20000);
        QVERIFY(!w->ScmdPrint->isEnabled());
        QCOMPARE(w->ScmdPrint->text(), ReportPreviewWindow::NoPrinterCaption());
        QVERIFY(w->ScmdPrint->text().contains(QStringLiteral("프린터가 없습니다")));

        const QString pdf = QDir(dir_->path()).filePath("saved");
        QString suggested;
        w->SetPdfPathChooser([&](QWidget*, const QString& s) {
            suggested = s;
            return pdf;
        });
        QSignalSpy saved(w.get(), &ReportPreviewWindow::PdfSaved);
        QTest::keyClick(w.get(), Qt::Key_F9);
        QCOMPARE(saved.count(), 1);
        QVERIFY(suggested.endsWith(".pdf"));
        QVERIFY(reporttest::PdfText(pdf + ".pdf").contains("PREVIEW60"));
        QCOMPARE(messages_.Messages().size(), 1);
        QVERIFY(messages_.Messages().first().text.contains(pdf + ".pdf"));
    }

    void printer_printsThroughTheChosenPrinter() {
        std::unique_ptr<ReportPreviewWindow> w(ReportPreviewWindow::ForPrintReport(dir_->path()));
        QVERIFY(w);
        w->SetPrinterNames({"Line office"});
        QCOMPARE(w->ScmdPrint->text(), ReportPreviewWindow::PrintCaption());
        const QString out = QDir(dir_->path()).filePath("printed.pdf");
        int asked = 0;
        w->SetPrinterChooser([&](QPrinter& printer, QWidget*) {
            // The printer a print dialog hands back, here one that writes a file.
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(out);
            return ++asked == 1; // then cancelled
        });
        QSignalSpy printed(w.get(), &ReportPreviewWindow::Printed);
        w->ScmdPrint->click();
        QCOMPARE(printed.count(), 1);
        QVERIFY(reporttest::PdfText(out).contains("PREVIEW1 "));
        QFile::remove(out);
        w->ScmdPrint->click();
        QCOMPARE(printed.count(), 1);
        QVERIFY(!QFile::exists(out));
    }

    void badLayout_noWindowAndTheMessageNamesFileAndLine() {
        QFile f(QDir(dir_->path()).filePath("WorkReport.rpt"));
        QVERIFY(f.open(QIODevice::Append));
        f.write("column = 5 | X | R_Missing\n");
        f.close();
        QVERIFY(!ReportPreviewWindow::ForPrintReport(dir_->path()));
        QCOMPARE(messages_.Messages().size(), 1);
        QCOMPARE(messages_.Messages().first().title, ReportErrorTitle());
        QVERIFY(messages_.Messages().first().text.contains(
            QRegularExpression("WorkReport.rpt \\d+행")));
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedMessagePort messages_;
    ScopedMessagePort port_{&messages_};
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
