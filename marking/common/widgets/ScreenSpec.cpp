#include "common/widgets/ScreenSpec.h"

#include "common/MessagePort.h"
#include "common/widgets/PasswordField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace marking {

namespace {

// A stored value as a text field shows it ("" for an empty column).
QString textOf(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    if (value.typeId() == QMetaType::Double) {
        return QString::number(value.toDouble(), 'g', 15);
    }
    return value.toString();
}

// Whether a stored value selects a list item with this data.
bool selects(const QVariant& data, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        return false;
    }
    if (data.typeId() == QMetaType::QString) {
        return value.toString() == data.toString();
    }
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok && number == data.toInt();
}

bool isText(const FieldSpec& field) {
    return field.kind == FieldKind::Text || field.kind == FieldKind::Password;
}

} // namespace

QList<ListItem> ItemsByPosition(const QStringList& texts) {
    QList<ListItem> items;
    items.reserve(texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        items.append({texts[i], i});
    }
    return items;
}

ScreenForm::ScreenForm(QWidget* screen, ScreenSpec spec)
    : QObject(screen)
    , spec_(std::move(spec))
    , behaviour_(new ScreenBehaviour(screen)) {
    QStringList order = spec_.tabOrder;
    if (order.isEmpty()) {
        for (const FieldSpec& f : spec_.fields) {
            order << f.name;
        }
        for (const ListSpec& l : spec_.lists) {
            order << l.name;
        }
        for (const GridSpec& g : spec_.grids) {
            order << g.name;
        }
        for (const ButtonSpec& b : spec_.buttons) {
            order << b.name;
        }
    }
    // Created in tab order, so that the focus chain follows it.
    auto build = [this](const QString& name) {
        if (controls_.contains(name)) {
            return;
        }
        for (const FieldSpec& f : std::as_const(spec_.fields)) {
            if (f.name == name) {
                return buildField(f);
            }
        }
        for (const ListSpec& l : std::as_const(spec_.lists)) {
            if (l.name == name) {
                return buildList(l);
            }
        }
        for (const GridSpec& g : std::as_const(spec_.grids)) {
            if (g.name == name) {
                return buildGrid(g);
            }
        }
        for (const ButtonSpec& b : std::as_const(spec_.buttons)) {
            if (b.name == name) {
                return buildButton(b);
            }
        }
    };
    for (const QString& name : std::as_const(order)) {
        build(name);
    }
    // A control the tab order forgot still exists (the table check names it).
    for (const FieldSpec& f : std::as_const(spec_.fields)) {
        build(f.name);
    }
    for (const ListSpec& l : std::as_const(spec_.lists)) {
        build(l.name);
    }
    for (const GridSpec& g : std::as_const(spec_.grids)) {
        build(g.name);
    }
    for (const ButtonSpec& b : std::as_const(spec_.buttons)) {
        build(b.name);
    }
    QWidget* previous = nullptr;
    for (const QString& name : std::as_const(order)) {
        if (QWidget* w = controls_.value(name)) {
            if (previous) {
                QWidget::setTabOrder(previous, w);
            }
            previous = w;
        }
    }

    auto enterTo = [this](const QString& name, const QString& target) {
        if (!target.isEmpty() && controls_.value(target)) {
            behaviour_->SetEnterTarget(controls_.value(name), controls_.value(target));
        }
    };
    for (const FieldSpec& f : std::as_const(spec_.fields)) {
        enterTo(f.name, f.enterTo);
    }
    for (const ListSpec& l : std::as_const(spec_.lists)) {
        enterTo(l.name, l.enterTo);
    }
    if (spec_.onEsc) {
        QList<QWidget*> only;
        if (spec_.escFrom == EscFrom::TextFields) {
            for (const FieldSpec& f : std::as_const(spec_.fields)) {
                if (isText(f)) {
                    only.append(controls_.value(f.name));
                }
            }
        }
        behaviour_->SetEscAction([this] { spec_.onEsc(); }, only);
    }
    behaviour_->Install();
}

QWidget* ScreenForm::Screen() const {
    return behaviour_->Screen();
}

QLabel* ScreenForm::panel(const QString& name, const QString& caption) {
    if (name.isEmpty()) {
        return nullptr;
    }
    if (QLabel* shared = panelByName_.value(name)) {
        return shared;
    }
    QLabel* p = NewCaptionPanel(caption, Screen(), name);
    panelByName_.insert(name, p);
    return p;
}

void ScreenForm::buildField(const FieldSpec& f) {
    QLabel* p = panel(f.panel, f.caption);
    QWidget* w = nullptr;
    if (isText(f)) {
        auto* edit = new QLineEdit(Screen());
        edit->setAlignment(f.alignment);
        edit->setReadOnly(f.readOnly);
        if (f.maxLength > 0) {
            edit->setMaxLength(f.maxLength);
        }
        if (f.kind == FieldKind::Password) {
            ShowPasswordAsStars(edit);
        }
        w = edit;
    } else {
        w = new QCheckBox(Screen());
    }
    w->setObjectName(f.name);
    controls_.insert(f.name, w);
    if (p) {
        panels_.insert(f.name, p);
    }
    if (!f.unit.isEmpty()) {
        auto* unit = new QLabel(f.unit, Screen());
        unit->setObjectName(f.name + QStringLiteral("Unit"));
        units_.insert(f.name, unit);
    }
    if (f.ownColours) {
        behaviour_->KeepOwnColours(w);
    }
    behaviour_->AddField(w, p, f.filter);
    if (f.hidden) {
        SetShown(f.name, false);
    }
}

void ScreenForm::buildList(const ListSpec& l) {
    QLabel* p = panel(l.panel, l.caption);
    auto* list = new QComboBox(Screen());
    list->setObjectName(l.name);
    for (const ListItem& item : l.items) {
        list->addItem(item.text, item.data);
    }
    list->setCurrentIndex(l.items.isEmpty() ? -1 : 0);
    controls_.insert(l.name, list);
    if (p) {
        panels_.insert(l.name, p);
    }
    behaviour_->AddField(list, p);
    if (l.hidden) {
        SetShown(l.name, false);
    }
}

void ScreenForm::buildGrid(const GridSpec& g) {
    QLabel* p = panel(g.panel, g.caption);
    if (p) {
        p->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    auto* grid = new QTableWidget(Screen());
    grid->setObjectName(g.name);
    new GridBehaviour(grid, g);
    controls_.insert(g.name, grid);
    if (p) {
        panels_.insert(g.name, p);
    }
    behaviour_->AddField(grid, p);
    if (g.hidden) {
        SetShown(g.name, false);
    }
}

void ScreenForm::buildButton(const ButtonSpec& b) {
    auto* button = new QPushButton(b.caption, Screen());
    button->setObjectName(b.name);
    button->setAutoDefault(b.enterClicks);
    connect(button, &QPushButton::clicked, this, [this, handler = b.onClick] {
        if (handlersEnabled_ && handler) {
            handler();
        }
    });
    controls_.insert(b.name, button);
    if (b.key.key() != Qt::Key_unknown) {
        behaviour_->BindButton(button, b.key);
    }
    if (b.enterMovesFocus) {
        behaviour_->AddEnterMovesFocus(button);
    }
    if (b.hidden) {
        button->hide();
    }
}

QLineEdit* ScreenForm::Text(const QString& name) const {
    return qobject_cast<QLineEdit*>(Control(name));
}

QCheckBox* ScreenForm::Check(const QString& name) const {
    return qobject_cast<QCheckBox*>(Control(name));
}

QComboBox* ScreenForm::List(const QString& name) const {
    return qobject_cast<QComboBox*>(Control(name));
}

QTableWidget* ScreenForm::Grid(const QString& name) const {
    return qobject_cast<QTableWidget*>(Control(name));
}

GridBehaviour* ScreenForm::GridOf(const QString& name) const {
    return GridBehaviour::Of(Grid(name));
}

QPushButton* ScreenForm::Button(const QString& name) const {
    return qobject_cast<QPushButton*>(Control(name));
}

const FieldSpec* ScreenForm::Field(const QString& name) const {
    for (const FieldSpec& f : spec_.fields) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

const FieldSpec* ScreenForm::FieldOfColumn(const QString& column) const {
    for (const FieldSpec& f : spec_.fields) {
        if (!column.isEmpty() && f.column == column) {
            return &f;
        }
    }
    return nullptr;
}

const ListSpec* ScreenForm::listSpec(const QString& name) const {
    for (const ListSpec& l : spec_.lists) {
        if (l.name == name) {
            return &l;
        }
    }
    return nullptr;
}

void ScreenForm::SetShown(const QString& name, bool shown) {
    for (QWidget* w :
         {Control(name), static_cast<QWidget*>(Panel(name)), static_cast<QWidget*>(Unit(name))}) {
        if (w) {
            w->setVisible(shown);
        }
    }
}

void ScreenForm::AddRows(QGridLayout* layout, const QStringList& names) const {
    int row = layout->count() == 0 ? 0 : layout->rowCount();
    for (const QString& name : names) {
        if (QLabel* p = Panel(name)) {
            layout->addWidget(p, row, 0);
        }
        if (QWidget* w = Control(name)) {
            layout->addWidget(w, row, 1);
        }
        if (QLabel* u = Unit(name)) {
            layout->addWidget(u, row, 2);
        }
        ++row;
    }
}

QHBoxLayout* ScreenForm::ButtonRow(const QStringList& names) const {
    auto* row = new QHBoxLayout;
    row->addStretch();
    QStringList order = names;
    if (order.isEmpty()) {
        for (const ButtonSpec& b : spec_.buttons) {
            order << b.name;
        }
    }
    for (const QString& name : order) {
        if (QPushButton* b = Button(name)) {
            row->addWidget(b);
        }
    }
    return row;
}

QStringList ScreenForm::Columns() const {
    QStringList columns;
    for (const ColumnValue& v : Save()) {
        columns << v.column;
    }
    // Lists whose "none" leaves the column out of a save still load from it.
    for (const ListSpec& l : spec_.lists) {
        if (!l.column.isEmpty() && !columns.contains(l.column)) {
            columns << l.column;
        }
    }
    return columns;
}

void ScreenForm::Load(const QVariantHash& row) {
    for (const FieldSpec& f : std::as_const(spec_.fields)) {
        if (f.column.isEmpty() || !row.contains(f.column)) {
            continue;
        }
        const QVariant value = row.value(f.column);
        if (isText(f)) {
            SetFieldText(Text(f.name), textOf(value));
        } else {
            Check(f.name)->setChecked(value.toBool());
        }
    }
    for (const ListSpec& l : std::as_const(spec_.lists)) {
        if (l.column.isEmpty() || !row.contains(l.column)) {
            continue;
        }
        const QVariant value = row.value(l.column);
        QComboBox* list = List(l.name);
        for (int i = 0; i < list->count(); ++i) {
            if (selects(list->itemData(i), value)) {
                list->setCurrentIndex(i);
                break;
            }
        }
    }
}

void ScreenForm::LoadEmptyHidden(const QVariantHash& row) {
    for (const FieldSpec& f : std::as_const(spec_.fields)) {
        QLineEdit* edit = Text(f.name);
        if (!isText(f) || f.column.isEmpty() || !row.contains(f.column) || !edit ||
            edit->isVisibleTo(Screen()) || !edit->text().isEmpty()) {
            continue;
        }
        edit->setText(textOf(row.value(f.column)));
    }
}

QList<ColumnValue> ScreenForm::Save() const {
    QStringList order = spec_.tabOrder;
    if (order.isEmpty()) {
        for (const FieldSpec& f : spec_.fields) {
            order << f.name;
        }
        for (const ListSpec& l : spec_.lists) {
            order << l.name;
        }
    }
    QList<ColumnValue> values;
    for (const QString& name : std::as_const(order)) {
        if (const FieldSpec* f = Field(name); f && !f->column.isEmpty()) {
            if (isText(*f)) {
                values.append({f->column, Text(name)->text()});
            } else {
                values.append({f->column, Check(name)->isChecked()});
            }
        } else if (const ListSpec* l = listSpec(name); l && !l->column.isEmpty()) {
            const QComboBox* list = List(name);
            const QVariant value = list->currentIndex() >= 0 ? list->currentData() : l->noneValue;
            if (value.isValid()) {
                values.append({l->column, value});
            }
        }
    }
    return values;
}

const FieldSpec* ScreenForm::FirstMissingRequired() const {
    for (const FieldSpec& f : spec_.fields) {
        if (!f.required.isEmpty() && isText(f) && Text(f.name)->text().isEmpty()) {
            return &f;
        }
    }
    return nullptr;
}

bool ScreenForm::ShownRequiredFilled() const {
    for (const FieldSpec& f : spec_.fields) {
        QLineEdit* edit = Text(f.name);
        if (!f.required.isEmpty() && edit && edit->isVisibleTo(Screen()) &&
            edit->text().isEmpty()) {
            return false;
        }
    }
    return true;
}

bool ScreenForm::RefuseMissingRequired() const {
    const FieldSpec* missing = FirstMissingRequired();
    if (!missing) {
        return false;
    }
    Messages().ShowMessage(missing->required, missing->requiredTitle, MessageIcon::Information);
    QWidget* field = Control(missing->name);
    if (field->isVisibleTo(Screen())) {
        field->setFocus();
    }
    return true;
}

void ScreenForm::ClearTexts(const QStringList& names) const {
    for (const FieldSpec& f : spec_.fields) {
        if (isText(f) && (names.isEmpty() || names.contains(f.name))) {
            Text(f.name)->clear();
        }
    }
}

} // namespace marking
