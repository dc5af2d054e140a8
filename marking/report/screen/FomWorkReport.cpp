#include "report/screen/FomWorkReport.h"

#include "central/PlantSearch.h"
#include "central/Sender.h"
#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/widgets/Modal.h"
#include "common/widgets/ScreenHost.h"
#include "common/widgets/ScreenSpec.h"
#include "report/preview/ReportPreviewWindow.h"
#include "report/render/PlantReport.h"
#include "store/BulkDelete.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/WorkReportTable.h"
#include "store/screen/FomProgramSetting.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>
#include <optional>

namespace marking::report {

namespace {

constexpr int kFirstYear = 2003;
constexpr int kColumns = 8; // NO .. R_ID
constexpr int kKeyColumn = 7;
constexpr int kStationColumn = 8;

const QString kInputTitle = QStringLiteral("입력 확인!");
const QString kDataTitle = QStringLiteral("데이터 확인!");

FomWorkReport::PreviewRunner& previewRunner() {
    static FomWorkReport::PreviewRunner runner;
    return runner;
}

// Days of a month as the date lists offer them: February has 29 days in a
// year divisible by 4 (every such year of the lists is a leap year).
int daysOf(int year, int month) {
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return year % 4 == 0 ? 29 : 28;
    default:
        return 31;
    }
}

QList<ListItem> yearItems() {
    QList<ListItem> items;
    for (int year = kFirstYear; year <= QDate::currentDate().year() + 1; ++year)
        items.append({QString::number(year), year});
    return items;
}

void tell(const QString& text, const QString& title) {
    Messages().ShowMessage(text, title, MessageIcon::Information);
}

// A row of Report.mdb (WorkReportTable::Columns()) as the grid lists it.
QStringList listedRow(const QStringList& stored, int number) {
    bool isCode = false;
    const int team = stored.at(2).toInt(&isCode);
    return {QString::number(number),
            stored.at(1),
            isCode ? WorkTeamListText(team) : QString(),
            stored.at(3),
            stored.at(4),
            stored.at(5),
            stored.at(6),
            stored.at(0)};
}

} // namespace

void FomWorkReport::SetPreviewRunner(PreviewRunner runner) {
    previewRunner() = std::move(runner);
}

FomWorkReport::FomWorkReport(QWidget* parent)
    : QWidget(parent)
    , central_(central::ReadSettings()) {
    setObjectName(QStringLiteral("FomWorkReport"));
    setWindowTitle(QStringLiteral("작업현황 리포트(ORVEL 소경 4호기)"));
    buildControls();
    layOut();
    SetScreenSize(this);

    // Load: today's works, the date group hidden; only the start year can be
    // picked; nothing picked in the year lists yet.
    CboStartYear->setCurrentIndex(-1);
    CboEndYear->setCurrentIndex(-1);
    for (QComboBox* list : {CboStartMonth, CboStartDay, CboEndYear, CboEndMonth, CboEndDay})
        list->setEnabled(false);
    CboSearchMethod_Click();
    resetGrid(false);
    connectLamp();
}

FomWorkReport::~FomWorkReport() = default;

GridBehaviour& FomWorkReport::Grid() const {
    return *form_->GridOf(QStringLiteral("FlxWorkReport"));
}

void FomWorkReport::buildControls() {
    const QList<ListItem> years = yearItems();
    const Qt::Alignment centre = Qt::AlignCenter;
    form_ = new ScreenForm(
        this, {.lists = {{.name = "CboSearchMethod",
                          .panel = "SpanSearchMethod",
                          .caption = "검색 방법 :",
                          .items = ItemsByPosition({"금일 작업내역 검색", "기간 입력 검색"})},
                         {.name = "CboStartYear",
                          .panel = "SpanStartDate",
                          .caption = "시작 일자 :",
                          .items = years,
                          .hidden = true},
                         {.name = "CboStartMonth", .panel = "SpanStartDate", .hidden = true},
                         {.name = "CboStartDay", .panel = "SpanStartDate", .hidden = true},
                         {.name = "CboEndYear",
                          .panel = "SpanEndDate",
                          .caption = "종료 일자 :",
                          .items = years,
                          .hidden = true},
                         {.name = "CboEndMonth", .panel = "SpanEndDate", .hidden = true},
                         {.name = "CboEndDay", .panel = "SpanEndDate", .hidden = true},
                         {.name = "CboWorkTeam",
                          .panel = "SpanWorkTeam",
                          .caption = "근무 조 :",
                          .items = ItemsByPosition({"A 조", "B 조", "C 조", "D 조", "E 조"})},
                         {.name = "CboPrintData",
                          .panel = "SpanPrintData",
                          .caption = "데이터 :",
                          .items = ItemsByPosition({"프린트 후 삭제안함", "프린트 후 삭제"})},
                         {.name = "CboDataSource",
                          .panel = "SpanDataSource",
                          .caption = "검색 대상 :",
                          .items = ItemsByPosition({"이 스테이션", "전체 스테이션"}),
                          .hidden = !central_.Enabled()}},
               .grids = {{.name = "FlxWorkReport",
                          .panel = "SpanWorkReport",
                          .caption = "마킹 작업 현황 ",
                          .columns = {{.header = "NO", .width = 50, .alignment = centre},
                                      {.header = "날     짜", .width = 100, .alignment = centre},
                                      {.header = "근무 조", .width = 70, .alignment = centre},
                                      {.header = "마킹 방법", .width = 80, .alignment = centre},
                                      {.header = "마킹 데이터", .width = 530},
                                      {.header = "길이", .width = 70, .alignment = centre},
                                      {.header = "작업 본수", .width = 80, .alignment = centre},
                                      {.header = "", .alignment = centre, .hidden = true}}, // R_ID
                          .keyColumn = kKeyColumn}},
               .buttons = {{.name = "ScmdCalculator",
                            .caption = "계산기 [F5]",
                            .key = Qt::Key_F5,
                            .onClick = [this] { ScmdCalculator_Click(); }},
                           {.name = "ScmdSearch",
                            .caption = "조건검색 [F6]",
                            .key = Qt::Key_F6,
                            .onClick = [this] { ScmdSearch_Click(); }},
                           {.name = "ScmdDelete",
                            .caption = "삭   제 [F7]",
                            .key = Qt::Key_F7,
                            .onClick = [this] { ScmdDelete_Click(); }},
                           {.name = "ScmdPrint",
                            .caption = "프린트 [F8]",
                            .key = Qt::Key_F8,
                            .onClick = [this] { ScmdPrint_Click(); }},
                           {.name = "ScmdAllDataSearch",
                            .caption = "전체검색 [F9]",
                            .key = Qt::Key_F9,
                            .onClick = [this] { ScmdAllDataSearch_Click(); }},
                           {.name = "ScmdEnd",
                            .caption = "프로그램 종료[F10]",
                            .key = Qt::Key_F10,
                            .onClick = [this] { ScmdEnd_Click(); }}},
               // The lists and buttons of the search first; the print option, the
               // source, the all-records search and the grid after them.
               .tabOrder = {"CboSearchMethod", "CboStartYear", "CboStartMonth", "CboStartDay",
                            "CboEndYear", "CboEndMonth", "CboEndDay", "CboWorkTeam", "ScmdSearch",
                            "ScmdPrint", "ScmdDelete", "ScmdCalculator", "ScmdEnd", "CboPrintData",
                            "ScmdAllDataSearch", "CboDataSource", "FlxWorkReport"}});

    CboSearchMethod = form_->List("CboSearchMethod");
    CboStartYear = form_->List("CboStartYear");
    CboStartMonth = form_->List("CboStartMonth");
    CboStartDay = form_->List("CboStartDay");
    CboEndYear = form_->List("CboEndYear");
    CboEndMonth = form_->List("CboEndMonth");
    CboEndDay = form_->List("CboEndDay");
    CboWorkTeam = form_->List("CboWorkTeam");
    CboPrintData = form_->List("CboPrintData");
    CboDataSource = form_->List("CboDataSource");
    FlxWorkReport = form_->Grid("FlxWorkReport");
    ScmdCalculator = form_->Button("ScmdCalculator");
    ScmdSearch = form_->Button("ScmdSearch");
    ScmdDelete = form_->Button("ScmdDelete");
    ScmdPrint = form_->Button("ScmdPrint");
    ScmdAllDataSearch = form_->Button("ScmdAllDataSearch");
    ScmdEnd = form_->Button("ScmdEnd");
    SSPanelTitle =
        NewTitlePanel(QStringLiteral("작업현황 리포트"), this, QStringLiteral("SSPanelTitle"));
    LblCentralDelivery = new QLabel(this);
    LblCentralDelivery->setObjectName(QStringLiteral("LblCentralDelivery"));
    LblCentralDelivery->setAlignment(Qt::AlignCenter);
    LblCentralDelivery->setMinimumWidth(200);
    LblCentralDelivery->setFrameShape(QFrame::Panel);
    LblCentralDelivery->setFrameShadow(QFrame::Sunken);
    LblCentralDelivery->setAutoFillBackground(true);
    LblCentralDelivery->hide();
    LblSearchState = new QLabel(this);
    LblSearchState->setObjectName(QStringLiteral("LblSearchState"));

    connect(CboSearchMethod, &QComboBox::currentIndexChanged, this,
            &FomWorkReport::CboSearchMethod_Click);
    connect(CboStartYear, &QComboBox::activated, this, &FomWorkReport::CboStartYear_Click);
    connect(CboStartMonth, &QComboBox::activated, this, &FomWorkReport::CboStartMonth_Click);
    connect(CboStartDay, &QComboBox::activated, this, &FomWorkReport::CboStartDay_Click);
    connect(CboEndYear, &QComboBox::activated, this, &FomWorkReport::CboEndYear_Click);
    connect(CboEndMonth, &QComboBox::activated, this, &FomWorkReport::CboEndMonth_Click);
}

void FomWorkReport::layOut() {
    auto unit = [this](QComboBox* list, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(
            list->objectName().replace(QStringLiteral("Cbo"), QStringLiteral("Lbl")));
        label->setVisible(list->isVisibleTo(this));
        return label;
    };
    auto* conditions = new QGroupBox(QStringLiteral("검색 조건"), this);
    auto* grid = new QGridLayout(conditions);
    grid->setColumnMinimumWidth(0, 110);
    grid->addWidget(form_->Panel("CboSearchMethod"), 0, 0);
    grid->addWidget(CboSearchMethod, 0, 1, 1, 6);
    int row = 1;
    for (const auto& date : {std::array{CboStartYear, CboStartMonth, CboStartDay},
                             std::array{CboEndYear, CboEndMonth, CboEndDay}}) {
        grid->addWidget(form_->Panel(date[0]->objectName()), row, 0);
        int column = 1;
        for (const auto& [list, text] :
             {std::pair{date[0], QStringLiteral("년")}, std::pair{date[1], QStringLiteral("월")},
              std::pair{date[2], QStringLiteral("일")}}) {
            list->setMinimumWidth(list == date[0] ? 90 : 60);
            grid->addWidget(list, row, column++);
            grid->addWidget(unit(list, text), row, column++);
        }
        ++row;
    }
    grid->addWidget(form_->Panel("CboWorkTeam"), row, 0);
    grid->addWidget(CboWorkTeam, row, 1, 1, 6);
    auto* right = new QGridLayout;
    right->setColumnMinimumWidth(0, 110);
    right->addWidget(form_->Panel("CboPrintData"), 0, 0);
    right->addWidget(CboPrintData, 0, 1);
    right->addWidget(form_->Panel("CboDataSource"), 1, 0);
    right->addWidget(CboDataSource, 1, 1);
    right->addWidget(LblCentralDelivery, 2, 1);
    right->setRowStretch(3, 1);
    grid->addLayout(right, 0, 8, row + 1, 1);
    grid->setColumnStretch(7, 1);

    auto* title = new QHBoxLayout;
    title->addWidget(form_->Panel("FlxWorkReport"), 1);
    title->addWidget(LblSearchState);
    for (QPushButton* b :
         {ScmdSearch, ScmdAllDataSearch, ScmdPrint, ScmdDelete, ScmdCalculator, ScmdEnd})
        b->setMinimumSize(140, 36);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSPanelTitle);
    layout->addWidget(conditions);
    layout->addLayout(title);
    layout->addWidget(FlxWorkReport, 1);
    layout->addLayout(form_->ButtonRow({"ScmdSearch", "ScmdAllDataSearch", "ScmdPrint",
                                        "ScmdDelete", "ScmdCalculator", "ScmdEnd"}));
}

void FomWorkReport::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    connectLamp(); // central reporting may have started after the screen was made
}

// --- The search method and the date lists --------------------------------

void FomWorkReport::CboSearchMethod_Click() {
    const bool range = CboSearchMethod->currentIndex() == 1;
    for (QComboBox* list :
         {CboStartYear, CboStartMonth, CboStartDay, CboEndYear, CboEndMonth, CboEndDay}) {
        form_->SetShown(list->objectName(), range);
        if (auto* unit = findChild<QLabel*>(
                list->objectName().replace(QStringLiteral("Cbo"), QStringLiteral("Lbl"))))
            unit->setVisible(range);
    }
    if (range)
        CboStartYear->setFocus();
}

// Fills a list with "1" .. last, nothing picked yet.
void FomWorkReport::fillNumbers(QComboBox* list, int last) {
    list->clear();
    for (int n = 1; n <= last; ++n)
        list->addItem(QString::number(n), n);
    list->setCurrentIndex(-1);
    list->setEnabled(true);
}

void FomWorkReport::CboStartYear_Click() {
    fillNumbers(CboStartMonth, 12);
}

void FomWorkReport::CboStartMonth_Click() {
    fillNumbers(CboStartDay,
                daysOf(CboStartYear->currentText().toInt(), CboStartMonth->currentText().toInt()));
}

void FomWorkReport::CboStartDay_Click() {
    CboEndYear->setEnabled(true);
}

void FomWorkReport::CboEndYear_Click() {
    fillNumbers(CboEndMonth, 12);
}

void FomWorkReport::CboEndMonth_Click() {
    fillNumbers(CboEndDay,
                daysOf(CboEndYear->currentText().toInt(), CboEndMonth->currentText().toInt()));
}

// The checks of a date range, in order; the first that fails is shown and
// its list takes the focus.
bool FomWorkReport::dateRangeRefused() {
    const auto refuse = [](const QString& text, QComboBox* focus) {
        tell(text, kInputTitle);
        focus->setFocus();
        return true;
    };
    const std::pair<QComboBox*, const char*> chosen[] = {
        {CboStartYear, "시작일자 년도를 선택 하십시요."},
        {CboStartMonth, "시작일자 월을 선택 하십시요."},
        {CboStartDay, "시작일자 일을 선택 하십시요."},
        {CboEndYear, "종료일자 년도를 선택 하십시요."},
        {CboEndMonth, "종료일자 월을 선택 하십시요."},
        {CboEndDay, "종료일자 일을 선택 하십시요."}};
    for (const auto& [list, message] : chosen) {
        if (list->currentIndex() < 0)
            return refuse(QString::fromUtf8(message), list);
    }
    const int startYear = CboStartYear->currentText().toInt();
    const int startMonth = CboStartMonth->currentText().toInt();
    const int startDay = CboStartDay->currentText().toInt();
    const int endYear = CboEndYear->currentText().toInt();
    const int endMonth = CboEndMonth->currentText().toInt();
    const int endDay = CboEndDay->currentText().toInt();
    if (startYear > endYear)
        return refuse(QStringLiteral("시작일자 년도가 종료일자 년도보다 클 수 없습니다."),
                      CboEndYear);
    const QString afterEnd =
        QStringLiteral("종료일자 설정일 보다 시작일자 설정일이 클 수 없습니다.");
    if (startYear == endYear && startMonth > endMonth)
        return refuse(afterEnd, CboEndMonth);
    if (startYear == endYear && startMonth == endMonth && startDay > endDay)
        return refuse(afterEnd, CboEndMonth);
    return false;
}

// --- Searches --------------------------------------------------------------

bool FomWorkReport::plantSelected() const {
    return central_.Enabled() && CboDataSource->currentIndex() == 1;
}

void FomWorkReport::resetGrid(bool withStation) {
    GridBehaviour& grid = Grid();
    grid.Reset();
    FlxWorkReport->setColumnCount(withStation ? kColumns + 1 : kColumns);
    if (withStation) {
        grid.SetText(0, kStationColumn, QStringLiteral("스테이션"));
        fitStationColumn();
    }
    listsPlant_ = withStation;
}

// The station column takes its width from the marking text's.
void FomWorkReport::fitStationColumn() {
    constexpr int kDataColumn = 4, kStationWidth = 90;
    FlxWorkReport->setColumnWidth(kStationColumn, kStationWidth);
    FlxWorkReport->setColumnWidth(kDataColumn,
                                  Grid().Spec().columns[kDataColumn].width - kStationWidth);
}

void FomWorkReport::ScmdSearch_Click() {
    if (searching_)
        return;
    const int team = CboWorkTeam->currentIndex();
    const QString nothing = QStringLiteral("검색 조건에 맞는 리포트 데이터가 존재하지 않습니다.");
    if (CboSearchMethod->currentIndex() == 1) {
        if (dateRangeRefused())
            return;
        const QDate start(CboStartYear->currentText().toInt(), CboStartMonth->currentText().toInt(),
                          CboStartDay->currentText().toInt());
        const QDate end(CboEndYear->currentText().toInt(), CboEndMonth->currentText().toInt(),
                        CboEndDay->currentText().toInt());
        search(store::QueryText::WorkReportBetween(start, end, team),
               central::SearchCriteria::Range(start, end, team), nothing);
        return;
    }
    const QDate today = QDate::currentDate();
    search(store::QueryText::WorkReportOfDay(today, team),
           central::SearchCriteria::Today(team, today), nothing);
}

void FomWorkReport::ScmdAllDataSearch_Click() {
    if (searching_)
        return;
    search(store::QueryText::WorkReportByDate(), central::SearchCriteria::AllRecords(),
           QStringLiteral("리포트 데이터가 존재하지 않습니다."));
}

void FomWorkReport::search(const QString& query, const central::SearchCriteria& criteria,
                           const QString& nothingFound) {
    if (plantSelected())
        searchPlant(criteria, nothingFound);
    else
        searchLocal(query, nothingFound);
}

void FomWorkReport::searchLocal(const QString& query, const QString& nothingFound) {
    resetGrid(false);
    LblSearchState->clear();
    store::Connection report;
    if (!report.Open(store::DatabaseFile::Report).ReportIfFailed())
        return;
    store::Result<QList<QStringList>> stored = store::WorkReportTable::Read(report, query);
    report.Close();
    if (!stored) {
        store::ShowStoreError(stored.error());
        return;
    }
    if (stored.value().isEmpty()) {
        tell(nothingFound, kInputTitle);
        return;
    }
    QList<QStringList> rows;
    rows.reserve(stored.value().size());
    int number = 0;
    for (const QStringList& record : stored.value())
        rows.append(listedRow(record, ++number));
    Grid().AppendRows(rows);
}

void FomWorkReport::searchPlant(const central::SearchCriteria& criteria,
                                const QString& nothingFound) {
    resetGrid(true);
    searching_ = true;
    LblSearchState->setText(QStringLiteral("전체 스테이션 검색 중 ..."));
    central::SearchPlantAsync(
        central_, criteria, this, [this, nothingFound](const central::PlantSearchResult& result) {
            searching_ = false;
            if (!result.ok) {
                LblSearchState->setText(QStringLiteral("전체 스테이션 검색 실패"));
                tell(QStringLiteral("전체 스테이션 검색에 실패했습니다. %1").arg(result.reason),
                     QStringLiteral("중앙 검색 오류!"));
            } else if (result.rows.isEmpty()) {
                LblSearchState->setText(QStringLiteral("전체 스테이션 0건"));
                tell(nothingFound, kInputTitle);
            } else {
                LblSearchState->setText(
                    QStringLiteral("전체 스테이션 %1건").arg(result.rows.size()));
                Grid().AppendRows(PlantReportTable(result.rows).records);
                fitStationColumn(); // the fill gives the declared widths back
            }
            emit PlantSearchFinished();
        });
}

// --- Print and delete --------------------------------------------------------

// The entry test of printing and deleting: more than two rows, or a text in
// column 0 of the current row (the header "NO" counts).
bool FomWorkReport::entryPasses() const {
    return Grid().Rows() > 2 || !Grid().Text(Grid().CurrentRow(), 0).isEmpty();
}

QList<QStringList> FomWorkReport::listedRows() const {
    QList<QStringList> rows;
    const int columns = FlxWorkReport->columnCount();
    rows.reserve(Grid().Rows() - 1);
    for (int r = 1; r < Grid().Rows(); ++r) {
        QStringList cells;
        cells.reserve(columns);
        for (int c = 0; c < columns; ++c)
            cells << Grid().Text(r, c);
        rows.append(std::move(cells));
    }
    return rows;
}

// The print copy: Print.mdb holds exactly the listed rows (what an earlier,
// interrupted print left is dropped), written whole or not at all.
bool FomWorkReport::writePrintCopy(const QList<QStringList>& rows) {
    namespace col = store::col;
    static const QString columns[] = {
        col::R_NO,   col::R_Date,   col::R_WorkTeam,  col::R_MarkingMethod,
        col::R_Data, col::R_Length, col::R_WorkVolume};
    store::Connection print;
    if (!print.Open(store::DatabaseFile::Print).ReportIfFailed())
        return false;
    store::Recordset rs;
    if (!rs.Open(store::QueryText::All(store::Table::WorkReport), print).ReportIfFailed())
        return false;
    store::Transaction tx(print);
    if (!tx.status().ReportIfFailed())
        return false;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        if (!rs.Delete().ReportIfFailed())
            return false;
    }
    for (const QStringList& row : rows) {
        if (!rs.AddNew().ReportIfFailed())
            return false;
        for (int c = 0; c < int(std::size(columns)); ++c) {
            if (!rs.SetField(columns[c], row.value(c)).ReportIfFailed())
                return false;
        }
        if (!rs.Update().ReportIfFailed())
            return false;
    }
    return tx.Commit().ReportIfFailed();
}

// Deletes the listed records from Report.mdb by their keys (column 7), all
// or none.
bool FomWorkReport::deleteListed(const QList<QStringList>& rows) {
    QList<qint64> keys;
    keys.reserve(rows.size());
    for (const QStringList& row : rows) {
        bool ok = false;
        const qint64 key = row.value(kKeyColumn).toLongLong(&ok);
        if (ok)
            keys.append(key);
    }
    store::Connection report;
    if (!report.Open(store::DatabaseFile::Report).ReportIfFailed())
        return false;
    const store::Result<int> deleted = store::WorkReportTable::DeleteByKeys(report, keys);
    if (!deleted) {
        store::ShowStoreError(deleted.error());
        return false;
    }
    return true;
}

void FomWorkReport::ScmdPrint_Click() {
    if (searching_)
        return;
    if (!entryPasses()) {
        tell(QStringLiteral("프린트 할 데이터가 존재하지 않습니다."), kDataTitle);
        CboSearchMethod->setFocus();
        return;
    }
    const QString dir = ProgramDirectory();
    const bool plant = listsPlant_;
    const QList<QStringList> rows = listedRows();

    // The layout first: a missing or faulty WorkReport.rpt stops the print
    // before anything is written or deleted.
    ReportResult<ReportLayout> layout = ReadProgramLayout(dir);
    if (!layout) {
        ShowReportError(layout.error());
        return;
    }
    std::optional<ReportDocument> document;
    if (plant) {
        ReportTable table;
        table.fields = ListedFields(true);
        table.records = rows;
        ReportResult<ReportDocument> made = ReportDocument::Create(layout.value(), table);
        if (!made) {
            ShowReportError(made.error());
            return;
        }
        document = made.take();
    } else {
        ReportTable printFields;
        for (const store::ColumnDef& c :
             store::FindTable(store::DatabaseFile::Print,
                              store::TableName(store::Table::WorkReport))
                 ->columns)
            printFields.fields << c.name;
        if (ReportResult<ReportDocument> fits = ReportDocument::Create(layout.value(), printFields);
            !fits) {
            ShowReportError(fits.error());
            return;
        }
        if (!writePrintCopy(rows))
            return;
        ReportResult<ReportTable> copy = ReadPrintRows(dir);
        ReportResult<ReportDocument> made =
            copy ? ReportDocument::Create(layout.value(), copy.take())
                 : ReportResult<ReportDocument>(copy.error());
        if (!made) {
            ShowReportError(made.error());
            (void)FunPrintDataAllDelete();
            return;
        }
        document = made.take();
    }

    // The report in its own window, where the operator prints or saves it.
    bool delivered = false;
    {
        ReportPreviewWindow preview(std::move(*document), this);
        connect(&preview, &ReportPreviewWindow::Printed, this, [&delivered] { delivered = true; });
        connect(&preview, &ReportPreviewWindow::PdfSaved, this, [&delivered] { delivered = true; });
        if (previewRunner())
            previewRunner()(preview);
        else
            RunModal(preview);
    }

    if (CboPrintData->currentIndex() == 1) {
        if (plant) {
            tell(QStringLiteral("전체 스테이션의 리포트는 삭제하지 않습니다. 이 스테이션의 "
                                "기록은 '이 스테이션'으로 검색하여 삭제하십시오."),
                 kDataTitle);
        } else if (!delivered) {
            tell(QStringLiteral("프린트하거나 PDF로 저장하지 않았으므로 리포트 데이터를 "
                                "삭제하지 않았습니다."),
                 kDataTitle);
        } else if (deleteListed(rows)) {
            resetGrid(false);
        }
    }
    if (!plant)
        (void)FunPrintDataAllDelete();
}

void FomWorkReport::ScmdDelete_Click() {
    if (searching_)
        return;
    if (!entryPasses()) {
        tell(QStringLiteral("삭제 할 데이터가 존재하지 않습니다."), kDataTitle);
        CboSearchMethod->setFocus();
        return;
    }
    if (Grid().Rows() < 2)
        return;
    if (listsPlant_) {
        tell(QStringLiteral("전체 스테이션의 검색 결과는 삭제할 수 없습니다. 중앙 데이터베이스는 "
                            "공장 전체의 보관 기록입니다. 이 스테이션의 기록은 '이 스테이션'으로 "
                            "검색하여 삭제하십시오."),
             kDataTitle);
        return;
    }
    if (Messages().Ask(QStringLiteral("검색한 데이터를 모두 삭제 하시겠습니까?"),
                       QStringLiteral("데이터 삭제!"), MessageIcon::Information) != Answer::Yes)
        return;
    if (deleteListed(listedRows()))
        resetGrid(false);
}

bool FomWorkReport::FunPrintDataAllDelete() {
    return store::PrintDataAllDelete(ProgramDirectory()).ReportIfFailed();
}

// --- Other buttons -------------------------------------------------------------

void FomWorkReport::ScmdCalculator_Click() {
    QStringList command = store::CalculatorCommand();
    if (command.isEmpty()) {
        tell(QStringLiteral("계산기 프로그램을 찾을 수 없습니다. gnome-calculator, galculator, "
                            "kcalc, xcalc 중 하나를 설치하거나 설정 파일의 [Tools] Calculator에 "
                            "지정하십시오."),
             QStringLiteral("확인!"));
        return;
    }
    const QString shown = command.join(u' ');
    const QString program = command.takeFirst();
    if (!QProcess::startDetached(program, command))
        tell(QStringLiteral("계산기를 시작할 수 없습니다. (%1)").arg(shown),
             QStringLiteral("확인!"));
}

void FomWorkReport::ScmdEnd_Click() {
    Host().ShowEndDialog();
}

// --- The lamp of central delivery --------------------------------------------

void FomWorkReport::connectLamp() {
    central::Sender* sender = central::CentralSender();
    if (!sender || lamp_ == sender->State())
        return;
    lamp_ = sender->State();
    connect(lamp_, &central::DeliveryState::Changed, this, &FomWorkReport::showLamp);
    showLamp();
}

void FomWorkReport::showLamp() {
    const central::DeliveryState* state = lamp_;
    if (!state || state->State() == central::Delivery::Off) {
        LblCentralDelivery->hide();
        return;
    }
    QColor colour = kStateOnColor;
    if (state->State() == central::Delivery::Waiting)
        colour = QColor(255, 255, 0);
    else if (state->State() == central::Delivery::Failing)
        colour = kStateAlarmColor;
    PaintBackground(LblCentralDelivery, colour);
    LblCentralDelivery->setText(state->Text());
    LblCentralDelivery->setToolTip(state->ToolTip());
    LblCentralDelivery->show();
}

} // namespace marking::report
