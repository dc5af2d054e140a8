#include "common/widgets/ScreenBehaviour.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOption>
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
            // A control character would reach the print controller's frame raw.
            if (ch.unicode() >= 0x20) {
                out.append(ch.toUpper());
            }
            break;
        }
    }
    return out;
}

FieldFilterValidator::FieldFilterValidator(FieldFilter filter, QObject* parent)
    : QValidator(parent)
    , filter_(filter) {}

namespace {
// A marking text as the program writes it: control characters dropped, the
// letters as they are.
QString withoutControlCharacters(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        if (ch.unicode() >= 0x20) {
            out.append(ch);
        }
    }
    return out;
}
} // namespace

QValidator::State FieldFilterValidator::validate(QString& input, int& pos) const {
    pos = qBound(0, pos, static_cast<int>(input.size()));
    if (filter_ != FieldFilter::UpperCase) {
        // The cursor stays after the characters that were kept before it.
        const QString before = FilterText(filter_, input.left(pos));
        const QString after = FilterText(filter_, input.mid(pos));
        input = before + after;
        pos = static_cast<int>(before.size());
    } else if (keep_) {
        const QString before = withoutControlCharacters(input.left(pos));
        input = before + withoutControlCharacters(input.mid(pos));
        pos = static_cast<int>(before.size());
    } else {
        // What was typed or pasted ends at the cursor; the text after the
        // cursor and the common start with the held text were there before.
        const qsizetype tail = input.size() - pos;
        qsizetype head = 0;
        if (tail <= held_.size() &&
            QStringView(input).right(tail) == QStringView(held_).right(tail)) {
            const qsizetype limit = qMin<qsizetype>(pos, held_.size() - tail);
            while (head < limit && input.at(head) == held_.at(head)) {
                ++head;
            }
        }
        const QString before = withoutControlCharacters(input.left(head)) +
                               FilterText(filter_, input.mid(head, pos - head));
        input = before + withoutControlCharacters(input.mid(pos));
        pos = static_cast<int>(before.size());
    }
    held_ = input;
    return Acceptable;
}

void SetFieldText(QLineEdit* field, const QString& text) {
    auto* validator =
        qobject_cast<FieldFilterValidator*>(const_cast<QValidator*>(field->validator()));
    if (validator) {
        validator->KeepNextText(true);
    }
    field->setText(text);
    if (validator) {
        validator->KeepNextText(false);
    }
}

FieldFilter FilterOf(const QWidget* field) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(field)) {
        if (const auto* v = qobject_cast<const FieldFilterValidator*>(edit->validator())) {
            return v->Filter();
        }
    }
    return FieldFilter::None;
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

namespace {

// Flat list fields and clearly framed focused buttons over the platform style.
class ScreenStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        if (control != CC_ComboBox || !combo || combo->editable) {
            return;
        }
        // Inside the frame, left of the arrow: the field colour, as a text
        // field shows it. The label is drawn over it afterwards.
        QRect inside = option->rect.adjusted(2, 2, -2, -2);
        const QRect arrow = subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);
        if (arrow.isValid() && arrow.left() > inside.left()) {
            inside.setRight(arrow.left() - 1);
        }
        painter->fillRect(inside, option->palette.color(QPalette::Base));
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element != CE_PushButton || !(option->state & State_HasFocus)) {
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(Qt::NoPen);
        const QRect outer = option->rect.adjusted(2, 2, -2, -2);
        const int w = kButtonFocusFrameWidth;
        painter->fillRect(QRect(outer.left(), outer.top(), outer.width(), w),
                          kButtonFocusFrameColor);
        painter->fillRect(QRect(outer.left(), outer.bottom() - w + 1, outer.width(), w),
                          kButtonFocusFrameColor);
        painter->fillRect(QRect(outer.left(), outer.top(), w, outer.height()),
                          kButtonFocusFrameColor);
        painter->fillRect(QRect(outer.right() - w + 1, outer.top(), w, outer.height()),
                          kButtonFocusFrameColor);
        painter->restore();
    }
};

QStyle* screenStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new ScreenStyle;
        style->setParent(qApp);
    }
    return style;
}

constexpr Qt::KeyboardModifiers kExactModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

QHash<const QWidget*, ScreenBehaviour*>& registry() {
    static QHash<const QWidget*, ScreenBehaviour*> screens;
    return screens;
}

bool isEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// An editor an item view opened in one of its cells.
bool isCellEditor(const QWidget* widget) {
    const QWidget* viewport = widget->parentWidget();
    const auto* view =
        viewport ? qobject_cast<const QAbstractItemView*>(viewport->parentWidget()) : nullptr;
    return view && view->viewport() == viewport;
}

bool dropDownOpen(QWidget* widget) {
    auto* combo = qobject_cast<QComboBox*>(widget);
    return combo && combo->view() && combo->view()->isVisible();
}

} // namespace

void UseScreenStyle(QWidget* control) {
    if (control->style() != screenStyle()) {
        control->setStyle(screenStyle());
    }
}

QKeyCombination ExactKey(int key, Qt::KeyboardModifiers modifiers) {
    return QKeyCombination(modifiers & kExactModifiers, Qt::Key(key));
}

// One application-wide filter hands the key and focus events of every
// screen's widgets to that screen's behaviour, so that widgets created after
// the screen was built are covered as well.
class ScreenEventDispatcher : public QObject {
public:
    static void Ensure() {
        static QPointer<ScreenEventDispatcher> dispatcher;
        if (!dispatcher && qApp) {
            dispatcher = new ScreenEventDispatcher;
            dispatcher->setParent(qApp);
            qApp->installEventFilter(dispatcher);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride &&
            type != QEvent::FocusIn && type != QEvent::FocusOut) {
            return false;
        }
        if (!watched->isWidgetType()) {
            return false;
        }
        auto* widget = static_cast<QWidget*>(watched);
        ScreenBehaviour* b = ScreenBehaviour::Of(widget);
        if (!b) {
            return false;
        }
        switch (type) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            return b->handleKey(widget, key->key(), key->modifiers());
        }
        case QEvent::ShortcutOverride: {
            // Keys bound on this screen win over shortcuts of the window.
            auto* key = static_cast<QKeyEvent*>(event);
            if (isCellEditor(widget) && (isEnterKey(key->key()) || key->key() == Qt::Key_Escape)) {
                return false;
            }
            if (b->HandlesKey(ExactKey(key->key(), key->modifiers()))) {
                event->accept();
                return true;
            }
            return false;
        }
        case QEvent::FocusIn:
            if (b->IsField(widget)) {
                b->focusIn(widget, static_cast<QFocusEvent*>(event)->reason());
            }
            return false;
        case QEvent::FocusOut:
            // A list's own drop-down taking the keys is no leaving of the field.
            if (b->IsField(widget) && !dropDownOpen(widget) &&
                static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                b->focusOut(widget);
            }
            return false;
        default:
            return false;
        }
    }
};

ScreenBehaviour::ScreenBehaviour(QWidget* screen)
    : QObject(screen)
    , screen_(screen) {
    ScreenEventDispatcher::Ensure();
    registry().insert(screen, this);
}

ScreenBehaviour::~ScreenBehaviour() {
    if (registry().value(screen_) == this) {
        registry().remove(screen_);
    }
}

ScreenBehaviour* ScreenBehaviour::Of(const QWidget* widget) {
    const auto& screens = registry();
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (ScreenBehaviour* b = screens.value(w)) {
            return b;
        }
        if (w->isWindow()) {
            break; // a popup or dialog of its own
        }
    }
    return nullptr;
}

void ScreenBehaviour::AddField(QWidget* field, QWidget* captionPanel, FieldFilter filter) {
    if (!fields_.contains(field)) {
        fields_.append(field);
    }
    if (captionPanel) {
        panels_.insert(field, captionPanel);
        PaintBackground(captionPanel, kCaptionColor);
    }
    if (!qobject_cast<QCheckBox*>(field) && !ownColours_.contains(field)) {
        PaintBackground(field, kFieldColor);
    }
    if (qobject_cast<QComboBox*>(field)) {
        UseScreenStyle(field);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(field); edit && filter != FieldFilter::None) {
        edit->setValidator(new FieldFilterValidator(filter, edit));
    }
    connect(field, &QObject::destroyed, this, [this, field] {
        fields_.removeAll(field);
        ownColours_.removeAll(field);
        panels_.remove(field);
        enterTargets_.remove(field);
    });
}

void ScreenBehaviour::KeepOwnColours(QWidget* field) {
    if (!ownColours_.contains(field)) {
        ownColours_.append(field);
    }
}

void ScreenBehaviour::SetEnterTarget(QWidget* field, QWidget* target) {
    enterTargets_.insert(field, target);
}

void ScreenBehaviour::SetEscAction(std::function<void()> action, const QList<QWidget*>& only) {
    escAction_ = std::move(action);
    escOnly_.clear();
    for (QWidget* w : only) {
        escOnly_.append(w);
    }
}

void ScreenBehaviour::BindButton(QAbstractButton* button, QKeyCombination key) {
    const QKeyCombination exact = ExactKey(key.key(), key.keyboardModifiers());
    keys_[exact.toCombined()] = Binding{button, {}};
    UseScreenStyle(button);
}

void ScreenBehaviour::BindKey(QKeyCombination key, std::function<void()> action) {
    const QKeyCombination exact = ExactKey(key.key(), key.keyboardModifiers());
    keys_[exact.toCombined()] = Binding{nullptr, std::move(action)};
}

void ScreenBehaviour::Install() {
    for (QPushButton* b : screen_->findChildren<QPushButton*>()) {
        if (b->window() == screen_->window()) {
            UseScreenStyle(b);
        }
    }
}

QAbstractButton* ScreenBehaviour::ButtonForKey(QKeyCombination key) const {
    const auto it = keys_.constFind(ExactKey(key.key(), key.keyboardModifiers()).toCombined());
    if (it == keys_.constEnd() || !it->button || !it->button->isEnabled()) {
        return nullptr;
    }
    return it->button;
}

bool ScreenBehaviour::HandlesKey(QKeyCombination key) const {
    const auto it = keys_.constFind(ExactKey(key.key(), key.keyboardModifiers()).toCombined());
    if (it == keys_.constEnd()) {
        return false;
    }
    return it->action ? true : (it->button && it->button->isEnabled());
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
    // Enter and Esc of a cell editor commit or drop its edit.
    if (isCellEditor(widget) && (isEnterKey(key) || key == Qt::Key_Escape)) {
        return false;
    }
    const auto it = keys_.constFind(ExactKey(key, mods).toCombined());
    if (it != keys_.constEnd()) {
        if (it->action) {
            it->action();
            return true;
        }
        if (it->button && it->button->isEnabled()) {
            it->button->click();
            return true;
        }
        return false;
    }
    if (isEnterKey(key)) {
        return handleEnter(widget);
    }
    if (key == Qt::Key_Escape) {
        return handleEsc(widget);
    }
    return false;
}

bool ScreenBehaviour::handleEnter(QWidget* widget) {
    const bool field = IsField(widget);
    const bool button = qobject_cast<QAbstractButton*>(widget) && !field;
    const bool listed = enterWidgets_.contains(QPointer<QWidget>(widget));
    if (!field && !(button && enterOnButtons_) && !listed) {
        return false;
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->hidePopup();
    }
    QWidget* next = enterTargets_.value(widget);
    if (!next || !next->isEnabled() || !next->isVisibleTo(next->window())) {
        next = NextInTabOrder(widget);
    }
    if (next) {
        next->setFocus(Qt::TabFocusReason);
    }
    return true; // the Enter character is dropped
}

bool ScreenBehaviour::handleEsc(QWidget* widget) {
    if (!escAction_) {
        return false;
    }
    if (!escOnly_.isEmpty() && !escOnly_.contains(QPointer<QWidget>(widget))) {
        return false;
    }
    escAction_();
    return true;
}

void ScreenBehaviour::focusIn(QWidget* field, Qt::FocusReason reason) {
    if (!qobject_cast<QCheckBox*>(field) && !ownColours_.contains(field)) {
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
    if (!qobject_cast<QCheckBox*>(field) && !ownColours_.contains(field)) {
        PaintBackground(field, kFieldColor);
    }
    if (QWidget* panel = panels_.value(field)) {
        PaintBackground(panel, kCaptionColor);
    }
}

} // namespace marking
