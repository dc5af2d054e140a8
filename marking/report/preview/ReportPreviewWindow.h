#pragma once

#include "report/render/ReportDocument.h"

#include <QDialog>
#include <QPrinter>
#include <functional>

class QLabel;
class QPrintPreviewWidget;
class QPushButton;

namespace marking::report {

// The report in its own window: the pages as they will print, from where
// the operator prints on an installed printer (CUPS) or saves a PDF. With no
// printer installed the preview and the PDF still work and the print button
// says that there is none. The window holds its own copy of the rows.
// User-interface thread only.
class ReportPreviewWindow : public QDialog {
    Q_OBJECT
public:
    explicit ReportPreviewWindow(ReportDocument document, QWidget* parent = nullptr);
    ~ReportPreviewWindow() override;

    // The window for the Print.mdb and WorkReport.rpt of directory, or
    // nullptr after showing why not (a missing or malformed layout, an
    // unreadable Print.mdb) through marking::Messages().
    static ReportPreviewWindow* ForPrintReport(const QString& directory, QWidget* parent = nullptr);

    const ReportDocument& Document() const { return document_; }
    QPrinter& Printer() { return printer_; }

    // Printers the print button offers (default: the installed ones).
    void SetPrinterNames(const QStringList& names);
    QStringList PrinterNames() const { return printers_; }
    // Asks for the printer before printing (default: the print dialog);
    // false cancels.
    void SetPrinterChooser(std::function<bool(QPrinter&, QWidget*)> chooser);
    // Asks for the PDF file (default: a save dialog); empty cancels.
    void SetPdfPathChooser(std::function<QString(QWidget*, const QString& suggested)> chooser);

    QPrintPreviewWidget* Preview;
    QPushButton* ScmdPrint;
    QPushButton* ScmdSavePdf;
    QPushButton* ScmdZoomIn;
    QPushButton* ScmdZoomOut;
    QPushButton* ScmdFitWidth;
    QPushButton* ScmdClose;
    QLabel* LblPage;

    static QString PrintCaption();     // "프린트 [F8]"
    static QString NoPrinterCaption(); // says that no printer is installed

signals:
    void Printed();                     // the report went to the printer
    void PdfSaved(const QString& path); // the report was saved as a PDF

private:
    void ScmdPrint_Click();
    void ScmdSavePdf_Click();
    void Preview_PaintRequested(QPrinter* printer);
    void updatePageLabel();

    ReportDocument document_;
    QPrinter printer_;
    QStringList printers_;
    std::function<bool(QPrinter&, QWidget*)> choosePrinter_;
    std::function<QString(QWidget*, const QString&)> choosePdfPath_;
};

} // namespace marking::report
