#include "common/widgets/ScreenBehaviour.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>

namespace marking {

QString FilterText(FieldFilter filter, const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        switch (filter) {
        case FieldFilter::None:
            out.append(ch);
            break;
        case FieldFilter::Digits:
            if (ch >= u'0' && ch <= u'9') {
                out.append(ch);
            }
            break;
        case FieldFilter::Decimal:
            // Digits, the decimal point and the character code 110.
            if ((ch >= u'0' && ch <= u'9') || ch == u'.' || ch.unicode() == 110) {
                out.append(ch);
            }
            break;
        case FieldFilter::UpperCase:
            out.append(ch.toUpper());
            break;
        }
    }
    return out;
}

FieldFilterValidator::FieldFilterValidator(FieldFilter filter, QObject* parent)
    : QValidator(parent)
    , filter_(filter) {}

QValidator::State FieldFilterValidator::validate(QString& input, int& pos) const {
    // The cursor stays after the characters that were kept before it.
    const QString before = FilterText(filter_, input.left(pos));
    const QString after = FilterText(filter_, input.mid(pos));
    input = before + after;
    pos = static_cast<int>(before.size());
    return Acceptable;
}

void SetScreenSize(QWidget* screen) {
    screen->resize(kScreenWidth, kScreenHeight);
}

void PaintBackground(QWidget* widget, const QColor& color) {
    QPalette pal = widget->palette();
    if (qobject_cast<QLabel*>(widget) || qobject_cast<QCheckBox*>(widget)) {
        pal.setColor(QPalette::Window, color);
        widget->setAutoFillBackground(true);
    } else {
        pal.setColor(QPalette::Base, color);
        pal.setColor(QPalette::Button, color);
    }
    widget->setPalette(pal);
}

QColor BackgroundOf(const QWidget* widget) {
    if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QCheckBox*>(widget)) {
        return widget->palette().color(QPalette::Window);
    }
    return widget->palette().color(QPalette::Base);
}

QLabel* NewCaptionPanel(const QString& text, QWidget* parent, const QString& name) {
    auto* panel = new QLabel(text, parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel->setMargin(2);
    panel->setMinimumHeight(24);
    PaintBackground(panel, kCaptionColor);
    return panel;
}

QLabel* NewTitlePanel(const QString& text, QWidget* parent, const QString& name) {
    auto* panel = new QLabel(text, parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(3);
    panel->setAlignment(Qt::AlignCenter);
    panel->setMinimumHeight(40);
    QFont font = panel->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    panel->setFont(font);
    PaintBackground(panel, kStateOffColor);
    return panel;
}

ScreenBehaviour::ScreenBehaviour(QWidget* screen)
    : QObject(screen)
    , screen_(screen) {}

void ScreenBehaviour::AddField(QWidget* field, QWidget* captionPanel, FieldFilter filter) {
    if (!fields_.contains(field)) {
        fields_.append(field);
    }
    if (captionPanel) {
        panels_.insert(field, captionPanel);
        PaintBackground(captionPanel, kCaptionColor);
    }
    if (!qobject_cast<QCheckBox*>(field)) {
        PaintBackground(field, kFieldColor);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(field); edit && filter != FieldFilter::None) {
        edit->setValidator(new FieldFilterValidator(filter, edit));
    }
    field->installEventFilter(this);
    connect(field, &QObject::destroyed, this, [this, field] {
        fields_.removeAll(field);
        panels_.remove(field);
    });
}

void ScreenBehaviour::SetEscAction(std::function<void()> action, const QList<QWidget*>& only) {
    escAction_ = std::move(action);
    escOnly_.clear();
    for (QWidget* w : only) {
        escOnly_.append(w);
    }
}

void ScreenBehaviour::BindKey(int key, std::function<void()> action) {
    keyActions_[key] = std::move(action);
}

void ScreenBehaviour::Install() {
    screen_->installEventFilter(this);
    const auto children = screen_->findChildren<QWidget*>();
    for (QWidget* w : children) {
        // Installing twice would filter twice: remove first.
        w->removeEventFilter(this);
        w->installEventFilter(this);
    }
}

QAbstractButton* ScreenBehaviour::ButtonForKey(int key) const {
    if (key < Qt::Key_F1 || key > Qt::Key_F35) {
        return nullptr;
    }
    const QString tag = QStringLiteral("[F%1]").arg(key - Qt::Key_F1 + 1);
    const auto buttons = screen_->findChildren<QAbstractButton*>();
    for (QAbstractButton* b : buttons) {
        if (b->text().contains(tag) && b->isEnabled() && b->window() == screen_->window()) {
            return b;
        }
    }
    return nullptr;
}

QWidget* ScreenBehaviour::NextInTabOrder(QWidget* from) {
    QWidget* top = from->window();
    QWidget* w = from->nextInFocusChain();
    while (w && w != from) {
        if (w->window() == top && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisibleTo(top) && !w->focusProxy()) {
            return w;
        }
        w = w->nextInFocusChain();
    }
    return nullptr;
}

bool ScreenBehaviour::handleKey(QWidget* widget, int key, Qt::KeyboardModifiers mods) {
    Q_UNUSED(mods);
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const bool button = qobject_cast<QAbstractButton*>(widget) && !isField(widget);
        const bool listed = enterWidgets_.contains(QPointer<QWidget>(widget));
        if (isField(widget) || (button && enterOnButtons_) || listed) {
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                combo->hidePopup();
            }
            if (QWidget* next = NextInTabOrder(widget)) {
                next->setFocus(Qt::TabFocusReason);
            }
            return true; // the Enter character is dropped
        }
        return false;
    }
    if (key == Qt::Key_Escape) {
        if (!escAction_) {
            return false;
        }
        if (!escOnly_.isEmpty()) {
            bool listed = false;
            for (const auto& w : escOnly_) {
                listed = listed || w == widget;
            }
            if (!listed) {
                return false;
            }
        }
        escAction_();
        return true;
    }
    if (auto it = keyActions_.find(key); it != keyActions_.end()) {
        it.value()();
        return true;
    }
    if (QAbstractButton* b = ButtonForKey(key)) {
        b->click();
        return true;
    }
    return false;
}

void ScreenBehaviour::focusIn(QWidget* field, Qt::FocusReason reason) {
    if (!qobject_cast<QCheckBox*>(field)) {
        PaintBackground(field, kFieldFocusColor);
    }
    if (QWidget* panel = panels_.value(field)) {
        PaintBackground(panel, kCaptionFocusColor);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->selectAll();
        // A mouse click places the cursor after the focus arrives: select again.
        if (reason == Qt::MouseFocusReason) {
            QTimer::singleShot(0, edit, [edit] {
                if (edit->hasFocus()) {
                    edit->selectAll();
                }
            });
        }
    }
}

void ScreenBehaviour::focusOut(QWidget* field) {
    if (!qobject_cast<QCheckBox*>(field)) {
        PaintBackground(field, kFieldColor);
    }
    if (QWidget* panel = panels_.value(field)) {
        PaintBackground(panel, kCaptionColor);
    }
}

namespace {
bool dropDownOpen(QWidget* widget) {
    auto* combo = qobject_cast<QComboBox*>(widget);
    return combo && combo->view() && combo->view()->isVisible();
}
} // namespace

bool ScreenBehaviour::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) {
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        return handleKey(widget, key->key(), key->modifiers());
    }
    case QEvent::ShortcutOverride: {
        // Function keys bound on this screen win over shortcuts of the window.
        auto* key = static_cast<QKeyEvent*>(event);
        if (keyActions_.contains(key->key()) || ButtonForKey(key->key())) {
            event->accept();
            return true;
        }
        return false;
    }
    case QEvent::FocusIn:
        if (isField(widget)) {
            focusIn(widget, static_cast<QFocusEvent*>(event)->reason());
        }
        return false;
    case QEvent::FocusOut:
        // A list's own drop-down taking the keys is no leaving of the field.
        if (isField(widget) && !dropDownOpen(widget) &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            focusOut(widget);
        }
        return false;
    default:
        return false;
    }
}

} // namespace marking
