#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QValidator>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QLabel;

namespace marking {

// Screen geometry: 15360 x 11520 twips at 15 twips per pixel.
inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 768;

// Focus colours shared by every screen.
inline const QColor kFieldFocusColor{213, 205, 254};
inline const QColor kFieldColor{255, 255, 255};
inline const QColor kCaptionFocusColor{255, 128, 0};
inline const QColor kCaptionColor{192, 192, 255};

// State panel colours.
inline const QColor kStateOffColor{212, 208, 200};
inline const QColor kStateOnColor{0, 255, 0};
inline const QColor kStateAlarmColor{255, 0, 0};

// Character filters of text fields. They hold for typed and pasted text alike.
enum class FieldFilter {
    None,
    Digits,    // 0-9 only
    Decimal,   // 0-9, "." and the character code 110 ("n")
    UpperCase, // letters turned into upper case
};

// The text a field keeps when `text` is typed or pasted into it.
QString FilterText(FieldFilter filter, const QString& text);

// QValidator that applies a FieldFilter (drops or converts characters and
// keeps the cursor after the kept characters).
class FieldFilterValidator : public QValidator {
    Q_OBJECT
public:
    FieldFilterValidator(FieldFilter filter, QObject* parent);
    State validate(QString& input, int& pos) const override;
    FieldFilter Filter() const { return filter_; }

private:
    FieldFilter filter_;
};

// Sets a screen to the common size of 1024 x 768 pixels.
void SetScreenSize(QWidget* screen);

// A raised 3D caption panel (the "Span..." panels beside the fields), light
// blue until its field takes the focus.
QLabel* NewCaptionPanel(const QString& text, QWidget* parent, const QString& name = {});

// A title panel ("SSPanel...") across the top of a screen.
QLabel* NewTitlePanel(const QString& text, QWidget* parent, const QString& name = {});

// Paints a widget's background (fields: Base and Button roles; panels: Window).
void PaintBackground(QWidget* widget, const QColor& color);
QColor BackgroundOf(const QWidget* widget);

// The key handling and focus colouring of one screen, configured once:
//  - fields registered with AddField get the focus colours (a text field also
//    selects its text), their caption panel turns orange while they have the
//    focus, and text fields get the character filter;
//  - Enter in a field (or, if enabled, on a button) moves the focus to the next
//    control in tab order; the Enter character never reaches the field;
//  - Esc runs the screen's Esc action (for all widgets or only for the listed ones);
//  - function keys pressed anywhere on the screen click the enabled button
//    whose caption names the key in square brackets ("수  정[F4]"), or run an
//    action bound with BindKey.
// The helper watches the screen and every widget on it; call Install() after
// the screen has built its controls (widgets added later: call it again).
class ScreenBehaviour : public QObject {
    Q_OBJECT
public:
    explicit ScreenBehaviour(QWidget* screen);

    void AddField(QWidget* field, QWidget* captionPanel = nullptr,
                  FieldFilter filter = FieldFilter::None);
    void SetEnterOnButtonsMovesFocus(bool on) { enterOnButtons_ = on; }
    // Enter on this one widget (a button) moves the focus on, as Tab does.
    void AddEnterMovesFocus(QWidget* widget) { enterWidgets_.append(widget); }
    void SetEscAction(std::function<void()> action, const QList<QWidget*>& only = {});
    void BindKey(int key, std::function<void()> action);
    void Install();

    QWidget* Screen() const { return screen_; }
    QWidget* CaptionPanelOf(QWidget* field) const { return panels_.value(field); }
    // The button a function key clicks (nullptr: none).
    QAbstractButton* ButtonForKey(int key) const;

    // Next control after `from` in tab order that can take the focus.
    static QWidget* NextInTabOrder(QWidget* from);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QWidget* widget, int key, Qt::KeyboardModifiers mods);
    void focusIn(QWidget* field, Qt::FocusReason reason);
    void focusOut(QWidget* field);
    bool isField(QWidget* w) const { return fields_.contains(w); }

    QWidget* screen_;
    QHash<QWidget*, QPointer<QWidget>> panels_;
    QList<QWidget*> fields_;
    std::function<void()> escAction_;
    QList<QPointer<QWidget>> escOnly_;
    QHash<int, std::function<void()>> keyActions_;
    QList<QPointer<QWidget>> enterWidgets_;
    bool enterOnButtons_ = false;
};

} // namespace marking
