#include "ShellTestSupport.h"

#include "common/MessagePort.h"
#include "common/widgets/GridBehaviour.h"
#include "common/widgets/ScreenSpec.h"
#include "shell/MFomMain.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace marking;
using namespace marking::shell;
using namespace shelltest;

namespace {

// A screen with a text field, a grid with one editable digits column and
// a hidden key column, and a button on F4.
class GridScreen : public QWidget {
public:
    explicit GridScreen(QWidget* parent = nullptr)
        : QWidget(parent) {
        setObjectName(ScreenName(ScreenId::MarkingSetting));
        form = new ScreenForm(
            this,
            {.fields = {{.name = "TxtSelectNumber",
                         .panel = "SpanSelectNumber",
                         .caption = "번호 선택 :",
                         .filter = FieldFilter::Digits}},
             .grids = {{.name = "FlxWork",
                        .columns = {{.header = "번호", .width = 50, .alignment = Qt::AlignCenter},
                                    {.header = "길이",
                                     .width = 90,
                                     .alignment = Qt::AlignRight | Qt::AlignVCenter,
                                     .editable = true,
                                     .filter = FieldFilter::Digits,
                                     .maxLength = 4},
                                    {.header = "", .hidden = true}},
                        .keyColumn = 2}},
             .buttons = {
                 {.name = "ScmdSave", .caption = "저장[F4]", .key = Qt::Key_F4, .onClick = [this] {
                      ++saves;
                  }}}});
        grid = form->GridOf("FlxWork");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(form->Text("TxtSelectNumber"));
        layout->addWidget(grid->Grid());
        layout->addWidget(form->Button("ScmdSave"));
        grid->Fill({{"1", "6000", "11"}, {"2", "5000", "12"}, {"3", "", "13"}});
    }
    ScreenForm* form;
    GridBehaviour* grid;
    int saves = 0;
};

QLineEdit* openEditor(QTableWidget* table, int row, int column) {
    table->setFocus();
    table->setCurrentCell(row, column);
    table->editItem(table->item(row, column));
    return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

} // namespace

class TestGrid : public QObject {
    Q_OBJECT
    SettingsDir* settings_ = nullptr;

private slots:
    void initTestCase() { settings_ = new SettingsDir; }
    void cleanupTestCase() { delete settings_; }
    void cleanup() {
        MFomMain::ClearScreenFactory(ScreenId::MarkingSetting);
        MFomMain::ClearScreenFactory(ScreenId::MarkingWorkState);
    }

    void f2_onAFocusedGrid_reachesTheMainWindowMenu_data() {
        QTest::addColumn<bool>("editing");
        QTest::newRow("grid") << false;
        QTest::newRow("cell editor open") << true;
    }
    void f2_onAFocusedGrid_reachesTheMainWindowMenu() {
        QFETCH(bool, editing);
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain::SetScreenFactory(ScreenId::MarkingSetting,
                                   [](QWidget* p) { return new GridScreen(p); });
        MFomMain::SetScreenFactory(ScreenId::MarkingWorkState, [](QWidget* p) {
            auto* screen = new QWidget(p);
            screen->setObjectName(ScreenName(ScreenId::MarkingWorkState));
            return screen;
        });
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.SwitchTo(ScreenId::MarkingSetting);
        auto* screen = static_cast<GridScreen*>(w.ExistingScreen(ScreenId::MarkingSetting));
        QTableWidget* table = screen->grid->Grid();
        table->setFocus();
        QTRY_VERIFY(table->hasFocus());
        if (editing) {
            QVERIFY(openEditor(table, 1, 1));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QCOMPARE(w.VisibleScreen()->objectName(), ScreenName(ScreenId::MarkingWorkState));
    }

    void cellEditor_holdsColumnFilter_commitsOnEnter_dropsOnEsc() {
        GridScreen s;
        s.show();
        s.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        QTableWidget* table = s.grid->Grid();
        QVERIFY2(!openEditor(table, 1, 0), "a read-only column opened an editor");

        QLineEdit* editor = openEditor(table, 1, 1);
        QVERIFY(editor);
        QCOMPARE(FilterOf(editor), FieldFilter::Digits);
        QCOMPARE(editor->maxLength(), 4);
        editor->selectAll();
        QTest::keyClicks(editor, "1a2.3");
        QCOMPARE(editor->text(), QStringLiteral("123"));
        QTest::keyClick(editor, Qt::Key_F4); // the screen's keys work from the editor
        QCOMPARE(s.saves, 1);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(s.grid->Text(1, 1), QStringLiteral("123"));
        QTRY_COMPARE(QApplication::focusWidget(), table);

        editor = openEditor(table, 2, 1);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "9");
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(s.grid->Text(2, 1), QStringLiteral("5000"));
        QTRY_COMPARE(QApplication::focusWidget(), table);
    }

    void headerIsRowZero_rowsSelectWhole_enterMovesOn() {
        GridScreen s;
        s.show();
        s.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        GridBehaviour* grid = s.grid;
        QTableWidget* table = grid->Grid();
        QCOMPARE(grid->Rows(), 4); // header and three rows
        QCOMPARE(grid->Text(0, 1), QStringLiteral("길이"));
        QCOMPARE(grid->Key(2), QStringLiteral("12"));
        QVERIFY(table->isRowHidden(0)); // shown as the table's header instead
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("길이"));
        grid->SetText(0, 1, QStringLiteral("길이 (mm)"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("길이 (mm)"));
        QVERIFY(table->isColumnHidden(2));
        QCOMPARE(table->columnWidth(1), 90);

        QSignalSpy clicks(grid, &GridBehaviour::RowClicked);
        const QRect cell = table->visualItemRect(table->item(2, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(table->columnWidth(0) / 2, 5));
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(clicks[0][0].toInt(), 2);
        QCOMPARE(clicks[1][0].toInt(), 0);
        QCOMPARE(grid->CurrentRow(), 2);
        QVERIFY(table->selectionModel()->isRowSelected(2, {}));
        QCOMPARE(table->selectedItems().size(), 2); // both shown cells

        // Enter moves on; the row stays highlighted in the same colour.
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), s.form->Button("ScmdSave"));
        QVERIFY(table->selectionModel()->isRowSelected(2, {}));
        QCOMPARE(table->palette().color(QPalette::Inactive, QPalette::Highlight),
                 table->palette().color(QPalette::Active, QPalette::Highlight));

        grid->SelectRow(3);
        QCOMPARE(grid->CurrentRow(), 3);
        QVERIFY(!table->selectionModel()->isRowSelected(2, {}));
        grid->Reset();
        QCOMPARE(grid->Rows(), 1);
        QCOMPARE(grid->Text(0, 0), QStringLiteral("번호"));
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
