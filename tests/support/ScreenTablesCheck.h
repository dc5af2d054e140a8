#pragma once

// One check of a screen against its own tables, for every screen's test:
//
//     CheckScreenTables(screen.Form());   // the screen shown and active
//
// Every control of the tables exists on the screen with its kind, caption
// panel and caption, unit label, filter, length and visibility; the focus
// chain follows the tab order; lists hold their items and item data; grids
// their columns and header row; and every button's key clicks it (the
// screen's handlers held off meanwhile), a caption naming "[Fn]" being bound
// to Fn.

#include "common/widgets/GridBehaviour.h"
#include "common/widgets/ScreenSpec.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

namespace screentest {

using namespace marking;

namespace detail {

inline QString what(const QString& name, const char* text) {
    return name + QStringLiteral(": ") + QLatin1String(text);
}

inline void checkPanel(ScreenForm& form, const QString& name, const QString& panel,
                       const QString& caption, bool hidden) {
    QWidget* screen = form.Screen();
    QLabel* label = form.Panel(name);
    if (panel.isEmpty()) {
        QVERIFY2(!label, qPrintable(what(name, "has a caption panel it should not have")));
        return;
    }
    QVERIFY2(label, qPrintable(what(name, "has no caption panel")));
    QCOMPARE(label->objectName(), panel);
    QCOMPARE(screen->findChild<QLabel*>(panel), label);
    if (!caption.isEmpty()) {
        QCOMPARE(label->text(), caption);
    }
    QCOMPARE(form.Behaviour()->CaptionPanelOf(form.Control(name)), label);
    if (hidden) {
        QVERIFY2(!label->isVisibleTo(screen), qPrintable(what(name, "panel shown")));
    }
}

inline void checkControl(ScreenForm& form, const QString& name, bool hidden) {
    QWidget* screen = form.Screen();
    QWidget* w = form.Control(name);
    QVERIFY2(w, qPrintable(what(name, "not built")));
    QCOMPARE(screen->findChild<QWidget*>(name), w);
    QCOMPARE(w->isVisibleTo(screen), !hidden);
}

// The table controls in focus-chain order, starting at the first of `order`.
inline QStringList focusChain(ScreenForm& form, const QStringList& order) {
    QSet<QWidget*> controls;
    for (const QString& name : order) {
        controls.insert(form.Control(name));
    }
    QStringList chain;
    QWidget* first = form.Control(order.value(0));
    QWidget* w = first;
    for (int steps = 0; w && steps < 10000; ++steps) {
        if (controls.contains(w)) {
            chain << w->objectName();
        }
        w = w->nextInFocusChain();
        if (w == first) {
            break;
        }
    }
    return chain;
}

} // namespace detail

inline void CheckScreenTables(ScreenForm& form) {
    const ScreenSpec& spec = form.Spec();
    QWidget* screen = form.Screen();

    QStringList names;
    for (const FieldSpec& f : spec.fields) {
        names << f.name;
        detail::checkControl(form, f.name, f.hidden);
        if (QTest::currentTestFailed()) {
            return;
        }
        detail::checkPanel(form, f.name, f.panel, f.caption, f.hidden);
        if (f.kind == FieldKind::Check) {
            QVERIFY2(form.Check(f.name), qPrintable(detail::what(f.name, "is no check box")));
        } else {
            QLineEdit* edit = form.Text(f.name);
            QVERIFY2(edit, qPrintable(detail::what(f.name, "is no text field")));
            QCOMPARE(FilterOf(edit), f.filter);
            QCOMPARE(edit->maxLength(), f.maxLength > 0 ? f.maxLength : 32767);
            QCOMPARE(edit->echoMode() == QLineEdit::Password, f.kind == FieldKind::Password);
            QCOMPARE(edit->isReadOnly(), f.readOnly);
        }
        if (!f.unit.isEmpty()) {
            QVERIFY2(form.Unit(f.name), qPrintable(detail::what(f.name, "has no unit label")));
            QCOMPARE(form.Unit(f.name)->text(), f.unit);
            QCOMPARE(form.Unit(f.name)->isVisibleTo(screen), !f.hidden);
        }
        if (!f.required.isEmpty()) {
            QVERIFY2(f.kind != FieldKind::Check,
                     qPrintable(detail::what(f.name, "a check box cannot be required")));
        }
    }
    for (const ListSpec& l : spec.lists) {
        names << l.name;
        detail::checkControl(form, l.name, l.hidden);
        if (QTest::currentTestFailed()) {
            return;
        }
        detail::checkPanel(form, l.name, l.panel, {}, l.hidden);
        QComboBox* list = form.List(l.name);
        QVERIFY2(list, qPrintable(detail::what(l.name, "is no list")));
        QCOMPARE(list->count(), int(l.items.size()));
        for (int i = 0; i < l.items.size(); ++i) {
            QCOMPARE(list->itemText(i), l.items[i].text);
            QCOMPARE(list->itemData(i), l.items[i].data);
        }
    }
    for (const GridSpec& g : spec.grids) {
        names << g.name;
        detail::checkControl(form, g.name, g.hidden);
        if (QTest::currentTestFailed()) {
            return;
        }
        detail::checkPanel(form, g.name, g.panel, g.caption, g.hidden);
        GridBehaviour* grid = form.GridOf(g.name);
        QVERIFY2(grid, qPrintable(detail::what(g.name, "is no grid")));
        QCOMPARE(grid->Grid()->columnCount(), int(g.columns.size()));
        QVERIFY(grid->Rows() >= 1);
        for (int c = 0; c < g.columns.size(); ++c) {
            QCOMPARE(grid->Text(0, c), g.columns[c].header);
            QCOMPARE(grid->Grid()->isColumnHidden(c), g.columns[c].hidden);
            if (g.columns[c].width > 0 && !g.columns[c].hidden) {
                QCOMPARE(grid->Grid()->columnWidth(c), g.columns[c].width);
            }
        }
        QVERIFY(g.keyColumn < int(g.columns.size()));
    }
    for (const ButtonSpec& b : spec.buttons) {
        names << b.name;
        detail::checkControl(form, b.name, b.hidden);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(form.Button(b.name)->text(), b.caption);
        const QRegularExpressionMatch named =
            QRegularExpression(QStringLiteral("\\[F(\\d+)\\]")).match(b.caption);
        if (named.hasMatch()) {
            QCOMPARE(b.key, QKeyCombination(Qt::Key(Qt::Key_F1 + named.captured(1).toInt() - 1)));
        }
    }

    // The tab order names every control of the tables once, and the focus
    // chain follows it.
    const QStringList order = spec.tabOrder.isEmpty() ? names : spec.tabOrder;
    QStringList sortedOrder = order;
    QStringList sortedNames = names;
    sortedOrder.sort();
    sortedNames.sort();
    QCOMPARE(sortedOrder, sortedNames);
    QCOMPARE(detail::focusChain(form, order), order);

    // Every button's key clicks it, from a control of the screen.
    QWidget* from = nullptr;
    for (const QString& name : order) {
        QWidget* w = form.Control(name);
        if (w->isVisibleTo(screen) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            from = w;
            break;
        }
    }
    form.SetHandlersEnabled(false);
    for (const ButtonSpec& b : spec.buttons) {
        QPushButton* button = form.Button(b.name);
        if (b.key.key() == Qt::Key_unknown || !button->isEnabled()) {
            continue;
        }
        QWidget* target = from ? from : screen;
        target->setFocus();
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::keyClick(target, b.key.key(), b.key.keyboardModifiers());
        QVERIFY2(clicked.count() == 1, qPrintable(detail::what(b.name, "not clicked by its key")));
    }
    form.SetHandlersEnabled(true);
}

} // namespace screentest
