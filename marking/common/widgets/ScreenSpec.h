#pragma once

// A screen states its controls once, in tables; ScreenForm builds them and
// gives them the shared behaviour (focus colours, filters, Enter, Esc,
// function keys, grids), and loads, saves and checks the fields by the
// tables. What stays in a screen's own file is its algorithms.
//
//     form_ = new ScreenForm(this, {
//         .fields = {{.name = "TxtLength", .panel = "SpanLength", .caption = "길이 :",
//                     .filter = FieldFilter::Digits, .maxLength = 20, .column = "W_Length",
//                     .required = "길이를 입력하십시요.", .unit = "mm"}},
//         .lists = {{.name = "CboWorkTeam", .panel = "SpanWorkTeam", .caption = "근무 조 :",
//                    .items = ItemsByPosition({"A 조", "B 조"}), .column = "W_WorkTeam"}},
//         .grids = {{.name = "FlxMarkingWork", .columns = {{.header = "번호", .width = 50},
//                    {.header = "", .hidden = true}}, .keyColumn = 1}},
//         .buttons = {{.name = "ScmdAmendment", .caption = "수  정[F4]", .key = Qt::Key_F4,
//                      .onClick = [this] { ScmdAmendment_Click(); }}},
//         .onEsc = [this] { ClearFields(); },
//     });
//     TxtLength = form_->Text("TxtLength");
//     form_->Load(row);                         // QVariantHash keyed by column
//     if (form_->RefuseMissingRequired()) return;
//     for (const ColumnValue& v : form_->Save()) rs.SetField(v.column, v.value);
//
// Keep the tables in the Parts' words: object names, captions and messages
// exactly as the screen shows them; column names as the table has them.

#include "common/widgets/GridBehaviour.h"
#include "common/widgets/ScreenBehaviour.h"

#include <QHash>
#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace marking {

enum class FieldKind {
    Text,     // QLineEdit ("Txt...")
    Password, // QLineEdit that shows "*" for every character
    Check,    // QCheckBox ("Che..."): colours only its caption panel
};

// One row of the field table.
struct FieldSpec {
    QString name;    // object name, "TxtPipeSide"
    QString panel;   // caption panel's object name (empty: none), "SpanPipeSide"
    QString caption; // its text, "관단 :"
    FieldKind kind = FieldKind::Text;
    FieldFilter filter = FieldFilter::None;
    int maxLength = 0;   // characters (0: no limit of its own)
    bool hidden = false; // part of the screen (loaded, saved, checked), not shown
    QString column;      // the column it loads from and saves to (empty: neither)
    QString required;    // message when it is empty at a save (empty: may stay empty)
    QString requiredTitle = QStringLiteral("입력 확인!");
    QString unit; // unit label after the field ("mm"; its object name: name + "Unit")
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool readOnly = false;
    bool ownColours = false; // keeps its colours; only the caption panel is repainted
    QString enterTo;         // Enter moves the focus there (empty: the next control)
};

struct ListItem {
    QString text;
    QVariant data; // the item data the list loads and saves
};
// Items whose data is their position 0, 1, 2 ...
QList<ListItem> ItemsByPosition(const QStringList& texts);

// One row of the list table ("Cbo..."). Lists sharing a caption panel name
// the same panel; the first one gives its caption.
struct ListSpec {
    QString name;
    QString panel;
    QString caption;
    QList<ListItem> items; // filled once, the first one selected
    bool hidden = false;
    QString column;          // loads: selects the item with the stored data; saves its data
    QVariant noneValue = -1; // saved when no item is selected (invalid: column left as it is)
    QString enterTo;
};

// One row of the button table ("Scmd...").
struct ButtonSpec {
    QString name;
    QString caption;
    // The key that clicks the button from every control of the screen, with
    // its exact modifiers: Qt::Key_F4, Qt::SHIFT | Qt::Key_F1, Qt::ALT | Qt::Key_F5.
    // Qt::Key_unknown: none.
    QKeyCombination key = Qt::Key_unknown;
    std::function<void()> onClick;
    bool enterMovesFocus = false; // Enter on it moves the focus on, as Tab does
    bool enterClicks = false;     // Enter on it clicks it (a dialog's auto-default button)
    bool hidden = false;
};

// Where the screen's Esc action runs.
enum class EscFrom {
    AnyControl, // every control of the screen (the screen previews its keys)
    TextFields, // only the text fields of the field table
};

// The tables of one screen or dialog.
struct ScreenSpec {
    QList<FieldSpec> fields;
    QList<ListSpec> lists;
    QList<GridSpec> grids;
    QList<ButtonSpec> buttons;
    // The tab order: every control of the tables, by name, once. Empty:
    // fields, lists, grids, buttons, each in table order.
    QStringList tabOrder;
    std::function<void()> onEsc; // empty: Esc does nothing of the screen's own
    EscFrom escFrom = EscFrom::AnyControl;
};

// A column and the value a save writes into it.
struct ColumnValue {
    QString column;
    QVariant value;
};

// The controls of one screen built from its tables, children of the screen,
// with the shared behaviour installed. Lay them out with AddRows/ButtonRow or
// by hand (moving them into group boxes keeps the tab order).
class ScreenForm : public QObject {
    Q_OBJECT
public:
    ScreenForm(QWidget* screen, ScreenSpec spec);

    const ScreenSpec& Spec() const { return spec_; }
    QWidget* Screen() const;
    ScreenBehaviour* Behaviour() const { return behaviour_; }

    // Controls by object name (nullptr: no such control of that kind).
    QWidget* Control(const QString& name) const { return controls_.value(name); }
    QLineEdit* Text(const QString& name) const;
    QCheckBox* Check(const QString& name) const;
    QComboBox* List(const QString& name) const;
    QTableWidget* Grid(const QString& name) const;
    GridBehaviour* GridOf(const QString& name) const;
    QPushButton* Button(const QString& name) const;
    // A control's caption panel and a field's unit label (nullptr: none).
    QLabel* Panel(const QString& name) const { return panels_.value(name); }
    QLabel* Unit(const QString& name) const { return units_.value(name); }
    // The table rows.
    const FieldSpec* Field(const QString& name) const;
    const FieldSpec* FieldOfColumn(const QString& column) const;

    // Shows or hides a control with its caption panel and unit label.
    void SetShown(const QString& name, bool shown);
    // Adds one row per control: caption panel, control, unit label.
    void AddRows(QGridLayout* layout, const QStringList& names) const;
    // A row of buttons, right-aligned (empty: all, in table order).
    QHBoxLayout* ButtonRow(const QStringList& names = {}) const;

    // Every column of the field and list tables, in tab order.
    QStringList Columns() const;
    // Shows a row: text fields get the value as text (a null as ""), check
    // boxes are ticked by a true value, lists select the item with the value
    // as data (no such item: the selection stays). Columns the row lacks are
    // left as they are.
    void Load(const QVariantHash& row);
    // Loads only the hidden text fields that are empty now.
    void LoadEmptyHidden(const QVariantHash& row);
    // The values of every control with a column, in tab order: texts as
    // typed, check boxes as booleans, lists as their item data.
    QList<ColumnValue> Save() const;

    // The first field of the field table with a required message that is
    // empty now (nullptr: none).
    const FieldSpec* FirstMissingRequired() const;
    // Whether every shown field with a required message holds a text.
    bool ShownRequiredFilled() const;
    // When a required field is empty: shows its message and, when the field
    // is shown, puts the focus into it; returns true (the save stops).
    bool RefuseMissingRequired() const;
    // Empties the text fields (all of the table, or the named ones).
    void ClearTexts(const QStringList& names = {}) const;

    // Checks of the tables click buttons through their keys without running
    // the screen's handlers.
    void SetHandlersEnabled(bool enabled) { handlersEnabled_ = enabled; }

private:
    QLabel* panel(const QString& name, const QString& caption);
    void buildField(const FieldSpec& field);
    void buildList(const ListSpec& list);
    void buildGrid(const GridSpec& grid);
    void buildButton(const ButtonSpec& button);
    const ListSpec* listSpec(const QString& name) const;

    ScreenSpec spec_;
    ScreenBehaviour* behaviour_;
    QHash<QString, QWidget*> controls_;
    QHash<QString, QLabel*> panels_;      // by control name
    QHash<QString, QLabel*> panelByName_; // by panel name
    QHash<QString, QLabel*> units_;
    bool handlersEnabled_ = true;
};

} // namespace marking
