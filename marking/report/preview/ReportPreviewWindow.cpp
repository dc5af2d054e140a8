#include "report/preview/ReportPreviewWindow.h"

#include "common/MessagePort.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace marking::report {

QString ReportPreviewWindow::PrintCaption() {
    return QStringLiteral("프린트 [F8]");
}

QString ReportPreviewWindow::NoPrinterCaption() {
    return QStringLiteral("프린터 없음 (설치된 프린터가 없습니다)");
}

ReportPreviewWindow::ReportPreviewWindow(ReportDocument document, QWidget* parent)
    : QDialog(parent)
    , document_(std::move(document))
    , printer_(QPrinter::HighResolution) {
    setObjectName(QStringLiteral("ReportPreviewWindow"));
    setWindowTitle(QStringLiteral("%1 - 미리 보기").arg(document_.Layout().title));
    resize(1000, 720);
    printer_.setPageLayout(document_.Layout().PageLayout());
    printer_.setDocName(document_.Layout().title);

    Preview = new QPrintPreviewWidget(&printer_, this);
    Preview->setObjectName(QStringLiteral("Preview"));
    Preview->setViewMode(QPrintPreviewWidget::SinglePageView);
    connect(Preview, &QPrintPreviewWidget::paintRequested, this,
            &ReportPreviewWindow::Preview_PaintRequested);
    connect(Preview, &QPrintPreviewWidget::previewChanged, this,
            &ReportPreviewWindow::updatePageLabel);

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    ScmdPrint = button("ScmdPrint", PrintCaption());
    ScmdSavePdf = button("ScmdSavePdf", QStringLiteral("PDF 저장 [F9]"));
    ScmdZoomIn = button("ScmdZoomIn", QStringLiteral("확대 [+]"));
    ScmdZoomOut = button("ScmdZoomOut", QStringLiteral("축소 [-]"));
    ScmdFitWidth = button("ScmdFitWidth", QStringLiteral("폭 맞춤"));
    ScmdClose = button("ScmdClose", QStringLiteral("닫  기 [Esc]"));
    LblPage = new QLabel(this);
    LblPage->setObjectName(QStringLiteral("LblPage"));

    connect(ScmdPrint, &QPushButton::clicked, this, &ReportPreviewWindow::ScmdPrint_Click);
    connect(ScmdSavePdf, &QPushButton::clicked, this, &ReportPreviewWindow::ScmdSavePdf_Click);
    connect(ScmdZoomIn, &QPushButton::clicked, Preview, [this] { Preview->zoomIn(); });
    connect(ScmdZoomOut, &QPushButton::clicked, Preview, [this] { Preview->zoomOut(); });
    connect(ScmdFitWidth, &QPushButton::clicked, Preview, &QPrintPreviewWidget::fitToWidth);
    connect(ScmdClose, &QPushButton::clicked, this, &QDialog::reject);

    auto key = [this](QKeySequence seq, auto action) {
        connect(new QShortcut(seq, this), &QShortcut::activated, this, action);
    };
    key(Qt::Key_F8, [this] { ScmdPrint->animateClick(); });
    key(Qt::Key_F9, [this] { ScmdSavePdf->click(); });
    key(Qt::Key_Plus, [this] { Preview->zoomIn(); });
    key(Qt::Key_Minus, [this] { Preview->zoomOut(); });
    key(Qt::Key_PageDown, [this] { Preview->setCurrentPage(Preview->currentPage() + 1); });
    key(Qt::Key_PageUp, [this] { Preview->setCurrentPage(Preview->currentPage() - 1); });

    auto* bar = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(ScmdPrint), static_cast<QWidget*>(ScmdSavePdf),
                       static_cast<QWidget*>(ScmdZoomIn), static_cast<QWidget*>(ScmdZoomOut),
                       static_cast<QWidget*>(ScmdFitWidth)})
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(LblPage);
    bar->addSpacing(12);
    bar->addWidget(ScmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(Preview, 1);

    choosePrinter_ = [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(QStringLiteral("프린트"));
        return dialog.exec() == QDialog::Accepted;
    };
    choosePdfPath_ = [](QWidget* parent, const QString& suggested) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("PDF로 저장"), suggested,
                                            QStringLiteral("PDF (*.pdf)"));
    };
    SetPrinterNames(QPrinterInfo::availablePrinterNames());
    Preview->setFocus();
}

ReportPreviewWindow::~ReportPreviewWindow() = default;

ReportPreviewWindow* ReportPreviewWindow::ForPrintReport(const QString& directory,
                                                         QWidget* parent) {
    ReportResult<ReportDocument> doc = LoadPrintReport(directory);
    if (!doc) {
        ShowReportError(doc.error());
        return nullptr;
    }
    return new ReportPreviewWindow(doc.take(), parent);
}

void ReportPreviewWindow::SetPrinterNames(const QStringList& names) {
    printers_ = names;
    const bool any = !printers_.isEmpty();
    ScmdPrint->setEnabled(any);
    ScmdPrint->setText(any ? PrintCaption() : NoPrinterCaption());
    ScmdPrint->setToolTip(any ? QString()
                              : QStringLiteral("설치된 프린터가 없습니다. PDF 저장 [F9]로 "
                                               "파일을 만들 수 있습니다."));
}

void ReportPreviewWindow::SetPrinterChooser(std::function<bool(QPrinter&, QWidget*)> chooser) {
    choosePrinter_ = std::move(chooser);
}

void ReportPreviewWindow::SetPdfPathChooser(
    std::function<QString(QWidget*, const QString&)> chooser) {
    choosePdfPath_ = std::move(chooser);
}

void ReportPreviewWindow::Preview_PaintRequested(QPrinter* printer) {
    const ReportResult<int> pages = document_.Render(*printer);
    if (!pages.ok()) {
        // This runs while the preview is shown or printed: tell the operator
        // once that is over, never from inside it.
        const ReportError error = pages.error();
        QMetaObject::invokeMethod(
            this, [error] { ShowReportError(error); }, Qt::QueuedConnection);
    }
}

void ReportPreviewWindow::ScmdPrint_Click() {
    if (printers_.isEmpty()) {
        Messages().ShowMessage(QStringLiteral("설치된 프린터가 없습니다."),
                               QStringLiteral("프린터 확인!"));
        return;
    }
    printer_.setOutputFormat(QPrinter::NativeFormat);
    if (!choosePrinter_(printer_, this))
        return;
    Preview->print();
    emit Printed();
}

void ReportPreviewWindow::ScmdSavePdf_Click() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested =
        QDir(folder.isEmpty() ? QDir::homePath() : folder)
            .filePath(QStringLiteral("%1 %2.pdf")
                          .arg(document_.Layout().title,
                               document_.PrintTime().toString(QStringLiteral("yyyy-MM-dd HHmm"))));
    QString path = choosePdfPath_(this, suggested);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    const ReportResult<int> pages = document_.WritePdf(path, printer_.pageLayout());
    if (!pages.ok()) {
        ShowReportError(pages.error());
        return;
    }
    Messages().ShowMessage(QStringLiteral("PDF 파일로 저장했습니다: %1").arg(path),
                           QStringLiteral("저장 확인!"));
    emit PdfSaved(path);
}

void ReportPreviewWindow::updatePageLabel() {
    LblPage->setText(
        QStringLiteral("%1 / %2 쪽")
            .arg(QString::number(Preview->currentPage()), QString::number(Preview->pageCount())));
}

} // namespace marking::report
