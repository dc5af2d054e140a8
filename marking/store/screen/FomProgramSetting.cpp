#include "store/screen/FomProgramSetting.h"

#include "common/MessagePort.h"
#include "common/widgets/ScreenBehaviour.h"
#include "common/widgets/ScreenHost.h"
#include "common/widgets/SettingsStore.h"
#include "store/Connection.h"
#include "store/Recordset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

namespace marking::store {

namespace {

const QString kSettingQuery = QStringLiteral("select * from ProgramSetting where P_ID");

QStringList comPortItems() {
    QStringList items;
    for (int n = 1; n <= 10; ++n) {
        items << QStringLiteral("COM %1").arg(n);
    }
    return items;
}

QComboBox* newList(const QString& name, const QStringList& items, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setProperty("items", items);
    return list;
}

QLineEdit* newText(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

// The stored number as the field shows it ("" for an empty column).
QString numberText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    if (value.typeId() == QMetaType::Double) {
        return QString::number(value.toDouble(), 'g', 15);
    }
    return value.toString();
}

} // namespace

QStringList CalculatorCommand() {
    const QString configured =
        OpenSettings()->value(QStringLiteral("Tools/Calculator")).toString().trimmed();
    if (!configured.isEmpty()) {
        return QProcess::splitCommand(configured);
    }
    for (const char* name : {"gnome-calculator", "galculator", "kcalc", "xcalc"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) {
            return {path};
        }
    }
    return {};
}

FomProgramSetting::FomProgramSetting(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("FomProgramSetting"));
    setWindowTitle(QStringLiteral("프로그램 설정"));
    buildControls();

    // Creation, once.
    SetScreenSize(this);
    HideScreens({ScreenId::MarkingSetting, ScreenId::MarkingWorkState,
                 ScreenId::MarkingStateDisplay, ScreenId::Information});
    for (QLineEdit* field :
         {TxtPipeSide, TxtDotDimension, TxtLetterIntervalDotVolume, TxtRevision, TxtPulse}) {
        field->clear();
    }
    fillLists();
    showStoredSettings();
    fillHelp();
}

void FomProgramSetting::buildControls() {
    behaviour_ = new ScreenBehaviour(this);
    SSPanel3 = NewTitlePanel(QStringLiteral("프로그램 설정"), this, QStringLiteral("SSPanel3"));

    struct Row {
        QWidget* field;
        QLabel* panel;
        bool hidden;
    };
    auto addRows = [this](QGroupBox* group, const QList<Row>& rows) {
        auto* grid = new QGridLayout(group);
        grid->setColumnMinimumWidth(0, 150);
        grid->setColumnStretch(1, 1);
        int r = 0;
        for (const Row& row : rows) {
            grid->addWidget(row.panel, r, 0);
            grid->addWidget(row.field, r, 1);
            if (row.hidden) {
                row.panel->hide();
                row.field->hide();
            }
            ++r;
        }
        grid->setRowStretch(r, 1);
    };
    auto panel = [this](const QString& name, const QString& text) {
        return NewCaptionPanel(text, this, name);
    };
    const QStringList directions{QStringLiteral("일반 마킹"), QStringLiteral("역 마킹")};

    // Created in tab order.
    auto* method = new QGroupBox(QStringLiteral("마킹방법 설정"), this);
    CboSingleMarking = newList(QStringLiteral("CboSingleMarking"), directions, method);
    CboContinuityMarking = newList(QStringLiteral("CboContinuityMarking"), directions, method);
    CboFileMarking = newList(QStringLiteral("CboFileMarking"), directions, method);
    auto* hardware = new QGroupBox(QStringLiteral("하드웨어 설정"), this);
    CboPrintControler = newList(
        QStringLiteral("CboPrintControler"),
        {QStringLiteral("TRX-20"), QStringLiteral("HVL-5"), QStringLiteral("TRX-30")}, hardware);
    CboCarvingMachine =
        newList(QStringLiteral("CboCarvingMachine"), {QStringLiteral("DRE 40 T")}, hardware);
    CboPLC = newList(
        QStringLiteral("CboPLC"),
        {QStringLiteral("MASTER-K10S1"), QStringLiteral("YNS7"), QStringLiteral("MASTER-K200H")},
        hardware);
    auto* marking = new QGroupBox(QStringLiteral("마킹 관련 설정"), this);
    TxtPipeSide = newText(QStringLiteral("TxtPipeSide"), marking);
    TxtDotDimension = newText(QStringLiteral("TxtDotDimension"), marking);
    TxtLetterIntervalDotVolume = newText(QStringLiteral("TxtLetterIntervalDotVolume"), marking);
    TxtRevision = newText(QStringLiteral("TxtRevision"), marking);
    TxtHeadHome = newText(QStringLiteral("TxtHeadHome"), marking);
    TxtGAP = newText(QStringLiteral("TxtGAP"), marking);
    TxtPulse = newText(QStringLiteral("TxtPulse"), marking);
    TxtStopperPulse = newText(QStringLiteral("TxtStopperPulse"), marking);
    auto* other = new QGroupBox(QStringLiteral("기타 설정"), this);
    CheMarkingWorkDelete = new QCheckBox(other);
    CheMarkingWorkDelete->setObjectName(QStringLiteral("CheMarkingWorkDelete"));
    CheNullRecordDelete = new QCheckBox(other);
    CheNullRecordDelete->setObjectName(QStringLiteral("CheNullRecordDelete"));
    CboFileMarkingDataIntervalCheck =
        newList(QStringLiteral("CboFileMarkingDataIntervalCheck"),
                {QStringLiteral("1M 단위 표시"), QStringLiteral("0.5M 단위 표시")}, other);
    auto* ports = new QGroupBox(QStringLiteral("통신 포트 설정"), this);
    CboCarvingMachineComPort =
        newList(QStringLiteral("CboCarvingMachineComPort"), comPortItems(), ports);
    CboPrintControlerComPort =
        newList(QStringLiteral("CboPrintControlerComPort"), comPortItems(), ports);
    CboPLCComPort = newList(QStringLiteral("CboPLCComPort"), comPortItems(), ports);

    ScmdAmendment = new QPushButton(QStringLiteral("수  정[F4]"), this);
    ScmdAmendment->setObjectName(QStringLiteral("ScmdAmendment"));
    ScmdCalculator = new QPushButton(QStringLiteral("계산기 [F5]"), this);
    ScmdCalculator->setObjectName(QStringLiteral("ScmdCalculator"));
    ScmdEnd = new QPushButton(QStringLiteral("프로그램 종료[F10]"), this);
    ScmdEnd->setObjectName(QStringLiteral("ScmdEnd"));
    for (QPushButton* b : {ScmdAmendment, ScmdCalculator, ScmdEnd}) {
        b->setMinimumSize(150, 36);
    }

    SpanHelp = NewCaptionPanel(QStringLiteral("Help"), this, QStringLiteral("SpanHelp"));
    SpanHelp->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FlxHelp = new QTableWidget(100, 2, this);
    FlxHelp->setObjectName(QStringLiteral("FlxHelp"));

    // Rows: field, caption panel, hidden.
    const QList<std::tuple<QWidget*, QLabel*, bool, FieldFilter>> rows{
        {CboSingleMarking, panel("SpanSingleMarking", QStringLiteral("   단 마킹 :")), false,
         FieldFilter::None},
        {CboContinuityMarking, panel("SpanContinuityMarking", QStringLiteral("연속 마킹 :")), false,
         FieldFilter::None},
        {CboFileMarking, panel("SpanFileMarking", QStringLiteral("파일 마킹 :")), true,
         FieldFilter::None},
        {CboPrintControler, panel("SpanPrintControler", QStringLiteral("프린트 컨트롤러 :")), false,
         FieldFilter::None},
        {CboCarvingMachine, panel("SpanCarvingMachine", QStringLiteral("각인기 :")), true,
         FieldFilter::None},
        {CboPLC, panel("SpanPLC", QStringLiteral("PLC :")), true, FieldFilter::None},
        {TxtPipeSide, panel("SpanPipeSide", QStringLiteral("관단 :")), false, FieldFilter::Digits},
        {TxtDotDimension, panel("SpanDotDimension", QStringLiteral("Dot 피치 :")), false,
         FieldFilter::Decimal},
        {TxtLetterIntervalDotVolume,
         panel("SpanLetterIntervalDotVolume", QStringLiteral("문자간 Dot 수 :")), false,
         FieldFilter::Digits},
        {TxtRevision, panel("SpanRevision", QStringLiteral("보정치 :")), false,
         FieldFilter::Decimal},
        {TxtHeadHome, panel("SpanHeadHome", QStringLiteral("Head Home :")), true,
         FieldFilter::Digits},
        {TxtGAP, panel("SpanGAP", QStringLiteral("GAP :")), true, FieldFilter::Digits},
        {TxtPulse, panel("SpanPulse", QStringLiteral("헤드 펄스 비 :")), true,
         FieldFilter::Decimal},
        {TxtStopperPulse, panel("SpanStopperPulse", QStringLiteral("스토퍼펄스비 :")), true,
         FieldFilter::Decimal},
        {CheMarkingWorkDelete,
         panel("SpanMarkingWorkDelete", QStringLiteral("프로그램 종료시 마킹 작업 내역 삭제 :")),
         false, FieldFilter::None},
        {CheNullRecordDelete,
         panel("SPanNullRecordDelete", QStringLiteral("  마킹 작업 내역 DB Null 레코드 삭제 :")),
         true, FieldFilter::None},
        {CboFileMarkingDataIntervalCheck,
         panel("SPanFileMarkingDataIntervalCheck", QStringLiteral("파일 마킹 데이터 간격 :")), true,
         FieldFilter::None},
        {CboCarvingMachineComPort, panel("SpanCarvingMachineComPort", QStringLiteral("각인기 :")),
         true, FieldFilter::None},
        {CboPrintControlerComPort,
         panel("SpanPrintControlerComPort", QStringLiteral("프린트 컨트롤러 :")), false,
         FieldFilter::None},
        {CboPLCComPort, panel("SpanPLCComPort", QStringLiteral("PLC :")), true, FieldFilter::None},
    };
    QList<Row> methodRows, hardwareRows, markingRows, otherRows, portRows;
    for (const auto& [field, caption, hidden, filter] : rows) {
        behaviour_->AddField(field, caption, filter);
        QGroupBox* group = qobject_cast<QGroupBox*>(field->parentWidget());
        QList<Row>& target = group == method     ? methodRows
                             : group == hardware ? hardwareRows
                             : group == marking  ? markingRows
                             : group == other    ? otherRows
                                                 : portRows;
        target.append({field, caption, hidden});
    }
    addRows(method, methodRows);
    addRows(hardware, hardwareRows);
    addRows(marking, markingRows);
    addRows(other, otherRows);
    addRows(ports, portRows);
    static_cast<QGridLayout*>(other->layout())->setColumnMinimumWidth(0, 290);

    auto* left = new QVBoxLayout;
    left->addWidget(method);
    left->addWidget(hardware);
    left->addWidget(ports);
    auto* right = new QVBoxLayout;
    right->addWidget(marking);
    right->addWidget(other);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ScmdAmendment);
    buttons->addWidget(ScmdCalculator);
    buttons->addWidget(ScmdEnd);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSPanel3);
    layout->addLayout(columns);
    layout->addWidget(SpanHelp);
    layout->addWidget(FlxHelp, 1);
    layout->addLayout(buttons);

    connect(ScmdAmendment, &QPushButton::clicked, this, &FomProgramSetting::ScmdAmendment_Click);
    connect(ScmdCalculator, &QPushButton::clicked, this, &FomProgramSetting::ScmdCalculator_Click);
    connect(ScmdEnd, &QPushButton::clicked, this, &FomProgramSetting::ScmdEnd_Click);

    QList<QWidget*> texts;
    for (QLineEdit* field : TextFields()) {
        texts.append(field);
    }
    behaviour_->SetEscAction([this] { ClearTextFields(); }, texts);
    behaviour_->BindButton(ScmdAmendment, Qt::Key_F4);
    behaviour_->BindButton(ScmdCalculator, Qt::Key_F5);
    behaviour_->BindButton(ScmdEnd, Qt::Key_F10);
    behaviour_->Install();
}

QList<QLineEdit*> FomProgramSetting::TextFields() const {
    return {TxtPipeSide, TxtDotDimension, TxtLetterIntervalDotVolume,
            TxtRevision, TxtHeadHome,     TxtGAP,
            TxtPulse,    TxtStopperPulse};
}

QLabel* FomProgramSetting::CaptionPanelOf(QWidget* field) const {
    return qobject_cast<QLabel*>(behaviour_->CaptionPanelOf(field));
}

void FomProgramSetting::fillLists() {
    for (QComboBox* list : findChildren<QComboBox*>()) {
        list->clear();
        const QStringList items = list->property("items").toStringList();
        for (int i = 0; i < items.size(); ++i) {
            list->addItem(items[i], i);
        }
        list->setCurrentIndex(0);
    }
}

void FomProgramSetting::showStoredSettings() {
    Connection connection;
    if (const Status opened = connection.Open(DatabaseFile::Database); !opened) {
        loadError_ = opened.error();
        return;
    }
    Recordset rs;
    if (const Status queried = rs.Open(kSettingQuery, connection); !queried) {
        loadError_ = queried.error();
        return;
    }
    if (rs.RecordCount() == 0) {
        Messages().ShowMessage(
            QStringLiteral("프로그램 설정 데이터베이스에 데이터가 존재하지 않습니다."),
            QStringLiteral("데이터 확인!"), MessageIcon::Information);
    } else if (rs.RecordCount() == 1) {
        rs.MoveFirst();
        const QList<std::pair<QComboBox*, const char*>> lists{
            {CboSingleMarking, "P_SingleMarking"},
            {CboContinuityMarking, "P_ContinuityMarking"},
            {CboFileMarking, "P_FileMarking"},
            {CboPrintControler, "P_PrintControler"},
            {CboCarvingMachine, "P_CarvingMachine"},
            {CboPLC, "P_PLC"},
            {CboFileMarkingDataIntervalCheck, "P_FileMarkingDataIntervalCheck"},
            {CboPrintControlerComPort, "P_PrintControlerComPort"},
            {CboCarvingMachineComPort, "P_CarvingMachineComPort"},
            {CboPLCComPort, "P_PLCComPort"},
        };
        for (const auto& [list, column] : lists) {
            const QVariant value = rs.Field(QLatin1String(column));
            bool ok = false;
            const int position = value.toInt(&ok);
            // A number without such an item leaves the selection as it is.
            if (!value.isNull() && ok && position >= 0 && position < list->count()) {
                list->setCurrentIndex(position);
            }
        }
        const QList<std::pair<QLineEdit*, const char*>> texts{
            {TxtPipeSide, "P_PipeSide"},
            {TxtDotDimension, "P_DotDimension"},
            {TxtLetterIntervalDotVolume, "P_LetterIntervalDotVolume"},
            {TxtRevision, "P_Revision"},
            {TxtHeadHome, "P_HeadHome"},
            {TxtGAP, "P_GAP"},
            {TxtPulse, "P_Pulse"},
            {TxtStopperPulse, "P_StopperPulse"},
        };
        for (const auto& [field, column] : texts) {
            field->setText(numberText(rs.Field(QLatin1String(column))));
        }
        CheMarkingWorkDelete->setChecked(
            rs.Field(QStringLiteral("P_MarkingWorkDeleteCheck")).toBool());
        CheNullRecordDelete->setChecked(rs.Field(QStringLiteral("P_NullRecordDelete")).toBool());
    }
    rs.Close();
    connection.Close();
}

void FomProgramSetting::fillHelp() {
    const auto blanks = [](int n) { return QString(n, u' '); };
    const QList<std::pair<int, QString>> rows{
        {0, blanks(105) + QStringLiteral("* 프로그램 설정 *")},
        {2, QStringLiteral(" 1. 프로그램 설정 화면은 마킹 작업 및 프로그램 사용에 대한 기초 설정을 "
                           "하는 곳입니다.(Ver 2.0.00 알파)")},
        {4, QStringLiteral(" 2. 마킹 방법 설정 : 마킹방법 설정은 각 마킹방법에 대하여 일반 마킹과 "
                           "역마킹을 설정합니다.(Ver 2.0.00 알파)")},
        {6,
         QStringLiteral(" 3. 하드웨어 설정 : 하드웨어 설정은 마킹 작업에 필요한 프린트 컨트롤러와 "
                        "각인기, PLC를 설정합니다.(Ver 2.0.00 알파)")},
        {8,
         QStringLiteral(" 4. 마킹 관련 설정 : 마킹 관련 설정은 마킹 작업을 할 때 필요한 파이프의 "
                        "관단 및 Dot 피치, 문자간 Dot 수, 보정치를 설정합니다.")},
        {9, blanks(29) + QStringLiteral("관단은 파이프 양쪽의 관단을 설정하는 곳입니다. 파이프 "
                                        "좌측과 우측의 관단을 합한 값을 입력합니다. 단위는 "
                                        "mm입니다.")},
        {10, blanks(29) + QStringLiteral("Dot 피치는 프린트 컨트롤러의 Dot 크기를 입력하는 "
                                         "곳입니다. 단위는 mm입니다.")},
        {11, blanks(29) + QStringLiteral("보정치는 마킹 작업시 계산된 값과 실제 마킹된 거리의 "
                                         "오차를 줄이기 위한 것으로, 기본값은 '1'입니다.(Ver "
                                         "2.0.00 알파)")},
        {12, blanks(29) + QStringLiteral("Head Home은 마킹기 헤드의 Home 포지션 높이를 "
                                         "입력합니다. 단위는 mm입니다.(Ver 2.3.02 알파 추가 "
                                         "기능)")},
        {13, blanks(29) + QStringLiteral("GAP는 마킹기 헤드와 파이프간의 거리를 입력합니다. "
                                         "단위는 mm입니다.(Ver 2.3.02 알파 추가 기능)")},
        {14, blanks(29) + QStringLiteral("헤드 펄스 비는 마킹기 헤드 높이 조절을 위한, 파이프 "
                                         "관경에 대한 Pulse 비율을 나타내며, 기본값은 "
                                         "'1'입니다.(Ver 2.3.02 알파 추가 기능)")},
        {15, blanks(29) + QStringLiteral("스토퍼 펄스 비는 스토퍼의 이동 거리를 조정하기 위한 "
                                         "PLC의 Pulse 비율을 나타내며, 기본값은 '1'입니다.(Ver "
                                         "2.3.02 알파 추가 기능)")},
        {17,
         QStringLiteral(" 5. 기타 설정 : 프로그램 종료시 마킹 작업 내역 삭제는 프로그램이 "
                        "종료되면서 마킹 작업 내역[F2] 화면의 데이터를 삭제하기 위한 것입니다.")},
        {18, blanks(22) + QStringLiteral("마킹 작업 내역 DB Null 레코드 삭제는 마킹 작업 "
                                         "현황[F2] 화면에서 데이터베이스에 Null이  있을 경우 "
                                         "문제를 방지하기위한 것으로 반드시")},
        {19, blanks(22) + QStringLiteral("체크되어 있어야 합니다.(Ver 2.0.00 알파)")},
        {20, blanks(22) + QStringLiteral("파일 마킹 데이터 간격은 파일 마킹시 1M 단위로 표시 할 "
                                         "것인지, 0.5M 단위로 표시 할 것인지를 설정합니다.(Ver "
                                         "2.1.09 알파 추가 기능)")},
        {22, QStringLiteral(" 6. 통신포트 설정 : 컴퓨터와 프린트 컨트롤러, 각인기, PLC등 각종 "
                            "하드웨어 장비와의 통신을 위한 포트를 설정합니다.")},
        {23, blanks(28) + QStringLiteral("프린트 컨트롤러는 프린트 컨트롤러와 통신 할 컴퓨터의 "
                                         "통신 포트를 설정하는 곳입니다.")},
        {24, blanks(28) + QStringLiteral("각인기는 각인기와 통신 할 컴퓨터의 통신 포트를 "
                                         "설정하는 곳입니다.(Ver 2.2.05 알파 추가 기능)")},
        {25, blanks(28) + QStringLiteral("PLC는 PLC와 통신 할 컴퓨터의 통신 포트를 설정하는 "
                                         "곳입니다.(Ver 2.1.09 알파 추가 기능)")},
    };
    FlxHelp->clear();
    FlxHelp->setRowCount(100);
    FlxHelp->setColumnCount(2);
    FlxHelp->horizontalHeader()->hide();
    FlxHelp->verticalHeader()->hide();
    FlxHelp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FlxHelp->setSelectionBehavior(QAbstractItemView::SelectRows);
    FlxHelp->setSelectionMode(QAbstractItemView::SingleSelection);
    FlxHelp->setWordWrap(false);
    FlxHelp->setTextElideMode(Qt::ElideNone);
    FlxHelp->verticalHeader()->setDefaultSectionSize(20);
    for (const auto& [row, text] : rows) {
        auto* item = new QTableWidgetItem(text);
        FlxHelp->setItem(row, 0, item);
    }
    // Row 0 is the grid's fixed row.
    for (int column = 0; column < 2; ++column) {
        QTableWidgetItem* item = FlxHelp->item(0, column);
        if (!item) {
            item = new QTableWidgetItem;
            FlxHelp->setItem(0, column, item);
        }
        item->setBackground(kStateOffColor);
        item->setFlags(Qt::ItemIsEnabled);
    }
    FlxHelp->resizeColumnToContents(0);
    FlxHelp->setColumnWidth(1, 40);
}

void FomProgramSetting::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (loadError_) {
        const StoreError error = *loadError_;
        loadError_.reset();
        ShowStoreError(error);
    }
}

void FomProgramSetting::ClearTextFields() {
    for (QLineEdit* field : TextFields()) {
        field->clear();
    }
    TxtPipeSide->setFocus();
}

void FomProgramSetting::ScmdAmendment_Click() {
    const QList<std::pair<QLineEdit*, QString>> required{
        {TxtPipeSide, QStringLiteral("관단을 입력하십시요.")},
        {TxtDotDimension, QStringLiteral("Dot 피치를 입력하십시요.")},
        {TxtLetterIntervalDotVolume, QStringLiteral("문자간 Dot 수를 입력하십시요.")},
        {TxtRevision, QStringLiteral("보정치를 입력하십시요.")},
        {TxtHeadHome, QStringLiteral("Head Home을 입력하십시요.")},
        {TxtGAP, QStringLiteral("GAP을 입력하십시요.")},
        {TxtPulse, QStringLiteral("PLC 펄스 비를 입력하십시요.")},
        {TxtStopperPulse, QStringLiteral("스토퍼 펄스 비를 입력하십시요.")},
    };
    for (const auto& [field, message] : required) {
        if (field->text().isEmpty()) {
            Messages().ShowMessage(message, QStringLiteral("입력 확인!"), MessageIcon::Information);
            if (field->isVisibleTo(this)) {
                field->setFocus();
            }
            return;
        }
    }
    if (CboCarvingMachineComPort->currentIndex() == CboPLCComPort->currentIndex()) {
        Messages().ShowMessage(QStringLiteral("각인기와 PLC가 같은 통신포트를 사용할 수 없습니다."),
                               QStringLiteral("선택 확인!"), MessageIcon::Information);
        if (CboCarvingMachineComPort->isVisibleTo(this)) {
            CboCarvingMachineComPort->setFocus();
        }
        return;
    }

    Connection connection;
    if (!connection.Open(DatabaseFile::Database).ReportIfFailed()) {
        return;
    }
    Recordset rs;
    if (!rs.Open(kSettingQuery, connection).ReportIfFailed()) {
        return;
    }
    if (rs.RecordCount() != 1) {
        return;
    }
    rs.MoveFirst();

    // Every column in one edit: a value the table cannot take refuses the
    // whole row, and nothing is stored.
    QList<std::pair<QString, QVariant>> values;
    for (const auto& [list, column] : {std::pair{CboSingleMarking, "P_SingleMarking"},
                                       std::pair{CboContinuityMarking, "P_ContinuityMarking"},
                                       std::pair{CboFileMarking, "P_FileMarking"}}) {
        const int position = list->currentIndex();
        if (position == 0 || position == 1) {
            values.append({QLatin1String(column), position});
        }
    }
    values.append({QStringLiteral("P_PrintControler"), CboPrintControler->currentIndex()});
    values.append({QStringLiteral("P_CarvingMachine"), CboCarvingMachine->currentIndex()});
    values.append({QStringLiteral("P_PLC"), CboPLC->currentIndex()});
    const QList<std::pair<QLineEdit*, const char*>> texts{
        {TxtPipeSide, "P_PipeSide"},
        {TxtDotDimension, "P_DotDimension"},
        {TxtLetterIntervalDotVolume, "P_LetterIntervalDotVolume"},
        {TxtRevision, "P_Revision"},
        {TxtHeadHome, "P_HeadHome"},
        {TxtGAP, "P_GAP"},
        {TxtPulse, "P_Pulse"},
        {TxtStopperPulse, "P_StopperPulse"},
    };
    for (const auto& [field, column] : texts) {
        values.append({QLatin1String(column), field->text()});
    }
    values.append({QStringLiteral("P_MarkingWorkDeleteCheck"), CheMarkingWorkDelete->isChecked()});
    values.append({QStringLiteral("P_NullRecordDelete"), CheNullRecordDelete->isChecked()});
    values.append({QStringLiteral("P_FileMarkingDataIntervalCheck"),
                   CboFileMarkingDataIntervalCheck->currentIndex()});
    values.append(
        {QStringLiteral("P_PrintControlerComPort"), CboPrintControlerComPort->currentIndex()});
    values.append(
        {QStringLiteral("P_CarvingMachineComPort"), CboCarvingMachineComPort->currentIndex()});
    values.append({QStringLiteral("P_PLCComPort"), CboPLCComPort->currentIndex()});

    for (const auto& [column, value] : values) {
        if (const Status written = rs.SetField(column, value); !written) {
            rs.CancelUpdate();
            QString field;
            for (const auto& [edit, name] : texts) {
                if (column == QLatin1String(name)) {
                    field = CaptionPanelOf(edit)->text().remove(u':').trimmed();
                }
            }
            const QString what = field.isEmpty()
                                     ? written.error().Text()
                                     : QStringLiteral("%1 값 \"%2\"을(를) 숫자로 저장할 수 "
                                                      "없습니다. 설정을 저장하지 않았습니다.\n%3")
                                           .arg(field, value.toString(), written.error().Text());
            Messages().ShowMessage(what, StoreErrorTitle(), MessageIcon::Information);
            return;
        }
    }
    if (!rs.Update().ReportIfFailed()) {
        return;
    }
    Messages().ShowMessage(QStringLiteral("정상적으로 수정 되었습니다."),
                           QStringLiteral("수정 확인!"), MessageIcon::Information);
    rs.Close();
    connection.Close();
}

void FomProgramSetting::ScmdCalculator_Click() {
    const QStringList command = CalculatorCommand();
    if (command.isEmpty()) {
        Messages().ShowMessage(
            QStringLiteral("계산기 프로그램을 찾을 수 없습니다. gnome-calculator, galculator, "
                           "kcalc, xcalc 중 하나를 설치하거나 설정 파일의 [Tools] Calculator에 "
                           "지정하십시오."),
            QStringLiteral("확인!"), MessageIcon::Information);
        return;
    }
    QStringList arguments = command;
    const QString program = arguments.takeFirst();
    if (!QProcess::startDetached(program, arguments)) {
        Messages().ShowMessage(
            QStringLiteral("계산기를 시작할 수 없습니다. (%1)").arg(command.join(u' ')),
            QStringLiteral("확인!"), MessageIcon::Information);
    }
}

void FomProgramSetting::ScmdEnd_Click() {
    Host().ShowEndDialog();
}

} // namespace marking::store
