#pragma once

#include "central/PlantSearch.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace marking {
class GridBehaviour;
class ScreenForm;
} // namespace marking

namespace marking::central {
class DeliveryState;
}

namespace marking::report {

class ReportPreviewWindow;

// The work report screen: lists the finished works of Report.mdb for today,
// for a date range and one work team, or all of them; prints the listed
// works through Print.mdb and WorkReport.rpt; deletes them. With central
// reporting configured it searches the whole plant's archive as well (a
// listing without deletion) and shows the state of central delivery.
class FomWorkReport : public QWidget {
    Q_OBJECT
public:
    explicit FomWorkReport(QWidget* parent = nullptr);
    ~FomWorkReport() override;

    QComboBox* CboSearchMethod;
    QComboBox* CboStartYear;
    QComboBox* CboStartMonth;
    QComboBox* CboStartDay;
    QComboBox* CboEndYear;
    QComboBox* CboEndMonth;
    QComboBox* CboEndDay;
    QComboBox* CboWorkTeam;
    QComboBox* CboPrintData;
    QComboBox* CboDataSource; // "이 스테이션" / "전체 스테이션"; only with central reporting
    QTableWidget* FlxWorkReport;
    QPushButton* ScmdCalculator;
    QPushButton* ScmdSearch;
    QPushButton* ScmdDelete;
    QPushButton* ScmdPrint;
    QPushButton* ScmdAllDataSearch;
    QPushButton* ScmdEnd;
    QLabel* SSPanelTitle;
    QLabel* LblCentralDelivery; // the lamp of central delivery; hidden when it is off
    QLabel* LblSearchState;     // what the plant-wide search is doing

    ScreenForm& Form() const { return *form_; }
    GridBehaviour& Grid() const;

    void CboSearchMethod_Click();
    void CboStartYear_Click();
    void CboStartMonth_Click();
    void CboStartDay_Click();
    void CboEndYear_Click();
    void CboEndMonth_Click();
    void ScmdSearch_Click();
    void ScmdAllDataSearch_Click();
    void ScmdPrint_Click();
    void ScmdDelete_Click();
    void ScmdCalculator_Click();
    void ScmdEnd_Click();

    // Empties table WorkReport of Print.mdb in one transaction; a failure is
    // shown and false returned.
    bool FunPrintDataAllDelete();

    // Whether the grid lists rows of the whole plant (they are not deleted here).
    bool ListsPlant() const { return listsPlant_; }
    // Whether a plant-wide search is running; its result fills the grid.
    bool Searching() const { return searching_; }

    // Runs the preview window of a print: by default modally (RunModal),
    // the operator printing or saving a PDF from it. Tests press its buttons
    // instead of a nested event loop. Empty: the default.
    using PreviewRunner = std::function<void(ReportPreviewWindow&)>;
    static void SetPreviewRunner(PreviewRunner runner);

signals:
    // A plant-wide search ended: its rows are in the grid, or its failure was shown.
    void PlantSearchFinished();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void layOut();
    void fillNumbers(QComboBox* list, int last);
    bool dateRangeRefused();
    bool plantSelected() const;
    bool entryPasses() const;
    void resetGrid(bool withStation);
    void fitStationColumn();
    QList<QStringList> listedRows() const;
    void search(const QString& query, const central::SearchCriteria& criteria,
                const QString& nothingFound);
    void searchLocal(const QString& query, const QString& nothingFound);
    void searchPlant(const central::SearchCriteria& criteria, const QString& nothingFound);
    bool writePrintCopy(const QList<QStringList>& rows);
    bool deleteListed(const QList<QStringList>& rows);
    void connectLamp();
    void showLamp();

    ScreenForm* form_;
    central::Settings central_;
    bool listsPlant_ = false;
    bool searching_ = false;
    QPointer<central::DeliveryState> lamp_;
};

} // namespace marking::report
