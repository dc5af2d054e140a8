#include "shell/FomInformation.h"

#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/SettingsStore.h"
#include "common/widgets/Modal.h"
#include "common/widgets/ScreenBehaviour.h"
#include "common/widgets/ScreenHost.h"
#include "common/widgets/ScreenSpec.h"
#include "shell/MFomMain.h"
#include "shell/Pictures.h"

#include <QDesktopServices>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextFrame>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace marking::shell {

InformationSettings ReadInformationSettings() {
    auto settings = OpenSettings();
    settings->beginGroup(QStringLiteral("Information"));
    InformationSettings info;
    info.supplierPhone =
        settings->value(QStringLiteral("SupplierPhone"), QStringLiteral("000-000-0000")).toString();
    info.supplierWeb =
        settings->value(QStringLiteral("SupplierWeb"), QStringLiteral("www.example.com"))
            .toString();
    info.customerWeb =
        settings->value(QStringLiteral("CustomerWeb"), QStringLiteral("https://www.example.com/"))
            .toString();
    return info;
}

QByteArray BannerPage(const InformationSettings& settings) {
    const QString banner =
        QStringLiteral("<marquee>(주)ORVEL 포장기 PIPE AUTO MARKING PROGRAM 'KORU VANT' VER "
                       "2.5.01 알파 &nbsp;&nbsp; 문의 전화 : %1 &nbsp;&nbsp; 홈페이지 : %2"
                       "</marquee>")
            .arg(settings.supplierPhone.toHtmlEscaped(), settings.supplierWeb.toHtmlEscaped());
    const QStringList lines{
        QStringLiteral("<html>"),
        QStringLiteral("<font color=  16711680 >"),
        QStringLiteral("<body topmargin=1>"),
        banner,
        QStringLiteral("</body>"),
        QStringLiteral("</html>"),
    };
    QByteArray page;
    for (const QString& line : lines) {
        page += line.toUtf8() + "\r\n";
    }
    return page;
}

QString InformationKeysText() {
    QString text = QStringLiteral(
        "<b>(주)ORVEL 포장기 PIPE AUTO MARKING PROGRAM 'KORU VANT' VER 2.5.01 알파</b><br><br>");
    const std::pair<ScreenId, const char*> lines[] = {
        {ScreenId::MarkingSetting, "마킹 사양 설정 [F1] : 마킹 데이터를 등록하고 마킹 작업을 "
                                   "추가합니다."},
        {ScreenId::MarkingWorkState, "마킹 작업 현황 [F2] : 마킹 작업 목록을 정리합니다."},
        {ScreenId::MarkingStateDisplay,
         "마킹 상태 보기 [F3] : 마킹 작업을 시작하고 라인 상태를 봅니다."},
        {ScreenId::ProgramSetting,
         "프로그램 설정 [Ctrl+S] : 관리자 패스워드 [Ctrl+P] 입력 후 사용할 수 있습니다."},
    };
    for (const auto& [id, line] : lines) {
        if (MFomMain::HasScreenFactory(id)) {
            text += QString::fromUtf8(line) + QStringLiteral("<br>");
        }
    }
    return text + QStringLiteral("프로그램 종료 [Ctrl+X]");
}

void ClickablePicture::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    emit clicked();
}

FomInformation::FomInformation(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("FomInformation"));
    setWindowTitle(QStringLiteral("프로그램 설명"));

    auto* title = NewTitlePanel(QStringLiteral("프로그램 설명"), this, QStringLiteral("SSPanel1"));
    Picture3 = new ClickablePicture(this);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture3->setPixmap(ProgramPicture(420, 210));
    Picture3->setCursor(Qt::PointingHandCursor);
    Picture3->setToolTip(QStringLiteral("홈페이지 열기"));

    LblProgram = new QLabel(this);
    LblProgram->setObjectName(QStringLiteral("LblProgram"));
    LblProgram->setTextFormat(Qt::RichText);
    LblProgram->setWordWrap(true);
    LblProgram->setText(InformationKeysText());

    WebInformation = new QTextBrowser(this);
    WebInformation->setObjectName(QStringLiteral("WebInformation"));
    WebInformation->setLineWrapMode(QTextEdit::NoWrap);
    WebInformation->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WebInformation->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WebInformation->setFixedHeight(44);
    WebInformation->setFocusPolicy(Qt::NoFocus);

    form_ =
        new ScreenForm(this, {.buttons = {{.name = "ScmdOK", .caption = "확 인", .onClick = [this] {
                                               ScmdOK_Click();
                                           }}}});
    ScmdOK = form_->Button(QStringLiteral("ScmdOK"));
    ScmdOK->setMinimumSize(120, 36);

    auto* middle = new QHBoxLayout;
    middle->addWidget(Picture3, 0, Qt::AlignTop);
    middle->addSpacing(16);
    middle->addWidget(LblProgram, 1, Qt::AlignTop);
    QHBoxLayout* buttons = form_->ButtonRow();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(16);
    layout->addLayout(middle);
    layout->addStretch();
    layout->addWidget(WebInformation);
    layout->addLayout(buttons);

    bannerTimer_ = new QTimer(this);
    bannerTimer_->setInterval(40);
    connect(bannerTimer_, &QTimer::timeout, this, [this] {
        QScrollBar* bar = WebInformation->horizontalScrollBar();
        bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + 2);
    });
    connect(Picture3, &ClickablePicture::clicked, this, &FomInformation::Picture3_Click);

    // Load.
    SetScreenSize(this);
    HideScreens({ScreenId::ProgramSetting, ScreenId::MarkingSetting, ScreenId::MarkingWorkState,
                 ScreenId::MarkingStateDisplay});
}

void FomInformation::Form_Activate() {
    ++activations_;
    LblProgram->setText(InformationKeysText());
    const QString path = ProgramFile(QStringLiteral("WebActive.htm"));
    const QByteArray page = BannerPage(ReadInformationSettings());
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly) && file.write(page) == page.size();
    written = written && file.commit();
    if (written) {
        const QUrl url = QUrl::fromLocalFile(path);
        if (WebInformation->source() == url) {
            WebInformation->reload();
        } else {
            WebInformation->setSource(url);
        }
    } else {
        // The banner still shows; the operator learns why the file is missing,
        // once the screen is up (this runs inside the screen's show).
        WebInformation->setHtml(QString::fromUtf8(page));
        const QString text =
            QStringLiteral("배너 파일을 쓸 수 없습니다. (%1: %2)").arg(path, file.errorString());
        ReportLater(this, [text] { Messages().ShowMessage(text, QStringLiteral("확인!")); });
    }
    startBanner();
}

void FomInformation::startBanner() {
    // The banner runs in from the right: blank margins of one view width on
    // both sides of the line, scrolled along by the timer.
    QTextFrame* root = WebInformation->document()->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    const int width = qMax(200, WebInformation->viewport()->width());
    format.setLeftMargin(width);
    format.setRightMargin(width);
    root->setFrameFormat(format);
    WebInformation->horizontalScrollBar()->setValue(0);
    bannerTimer_->start();
}

void FomInformation::Picture3_Click() {
    const QString address = ReadInformationSettings().customerWeb.trimmed();
    const QUrl url = QUrl::fromUserInput(address);
    if (address.isEmpty() || !url.isValid()) {
        Messages().ShowMessage(
            QStringLiteral(
                "고객 홈페이지 주소가 설정되어 있지 않습니다. (설정: Information/CustomerWeb)"),
            QStringLiteral("확인!"));
        return;
    }
    if (!QDesktopServices::openUrl(url)) {
        Messages().ShowMessage(
            QStringLiteral("웹 브라우저를 열 수 없습니다. (%1)").arg(url.toString()),
            QStringLiteral("확인!"));
    }
}

void FomInformation::ScmdOK_Click() {
    hide();
    Host().ShowScreen(ScreenId::MarkingSetting);
    // The shown screen takes the keys, also without a window manager.
    QWidget* screen = Host().Screen(ScreenId::MarkingSetting);
    if (screen && screen->isVisible()) {
        QWidget* first = ScreenBehaviour::NextInTabOrder(screen);
        (first && screen->isAncestorOf(first) ? first : screen)->setFocus(Qt::OtherFocusReason);
    }
}

void FomInformation::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Form_Activate();
}

void FomInformation::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    bannerTimer_->stop();
}

} // namespace marking::shell
