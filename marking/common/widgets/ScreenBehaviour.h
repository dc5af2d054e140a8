#pragma once

#include <QColor>
#include <QHash>
#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QValidator>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QLabel;
class QLineEdit;

namespace marking {

// Screen geometry: 15360 x 11520 twips at 15 twips per pixel.
inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 768;

// Focus colours shared by every screen.
inline const QColor kFieldFocusColor{213, 205, 254};
inline const QColor kFieldColor{255, 255, 255};
inline const QColor kCaptionFocusColor{255, 128, 0};
inline const QColor kCaptionColor{192, 192, 255};
// The frame a button with the focus shows inside its border.
inline const QColor kButtonFocusFrameColor{255, 128, 0};
inline constexpr int kButtonFocusFrameWidth = 2;

// State panel colours.
inline const QColor kStateOffColor{212, 208, 200};
inline const QColor kStateOnColor{0, 255, 0};
inline const QColor kStateAlarmColor{255, 0, 0};

// Character filters of text fields. They hold for typed and pasted text alike.
enum class FieldFilter {
    None,
    Digits,    // 0-9 only
    Decimal,   // 0-9, "." and the character code 110 ("n")
    UpperCase, // marking texts: letters turned into upper case, control
               // characters (below 0x20: STX, ETX, tab, line breaks) dropped
};

// The text a field keeps when `text` is typed or pasted into it.
QString FilterText(FieldFilter filter, const QString& text);

// QValidator that applies a FieldFilter (drops or converts characters and
// keeps the cursor after the kept characters). UpperCase turns only what is
// typed or pasted now into upper case: the text the field already holds keeps
// its letters, so that a stored marking text's control letters ("r", "t",
// "z" ...) survive the next key.
class FieldFilterValidator : public QValidator {
    Q_OBJECT
public:
    FieldFilterValidator(FieldFilter filter, QObject* parent);
    State validate(QString& input, int& pos) const override;
    FieldFilter Filter() const { return filter_; }
    // The next text is the program's, not the operator's: UpperCase keeps its
    // letters as they are (control characters are still dropped).
    void KeepNextText(bool keep) { keep_ = keep; }

private:
    FieldFilter filter_;
    bool keep_ = false;
    mutable QString held_; // the text the field holds
};

// The filter a text field holds (None without one).
FieldFilter FilterOf(const QWidget* field);

// Sets a field's text as the program writes it (a stored or chosen text, not
// typed): a marking text keeps its lower-case control letters; digits fields
// still keep only digits and control characters are still dropped.
void SetFieldText(QLineEdit* field, const QString& text);

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

// Lists painted flat in their field colour (the platform style paints a
// faint gradient over it) and buttons with a clear frame while they have the
// focus. ScreenBehaviour applies it to its lists and buttons.
void UseScreenStyle(QWidget* control);

// A key with exactly the modifiers held: Shift, Ctrl, Alt and Meta count, the
// keypad flag does not. Shift+F1 matches only Shift+F1, never Ctrl+Shift+F1.
QKeyCombination ExactKey(int key, Qt::KeyboardModifiers modifiers);

// The key handling and focus colouring of one screen (or dialog), configured
// once; ScreenForm (ScreenSpec.h) configures it from a screen's tables.
//  - fields registered with AddField get the focus colours (a text field also
//    selects its text), their caption panel turns orange while they have the
//    focus, and text fields get the character filter;
//  - Enter in a field (or on a button registered with AddEnterMovesFocus)
//    moves the focus to the next control in tab order, or to the control set
//    with SetEnterTarget; the Enter character never reaches the field;
//  - Esc runs the screen's Esc action (from every control or only from the
//    listed ones);
//  - keys bound with BindButton or BindKey run from every control of the
//    screen, before the control itself and before the window's shortcuts,
//    with exact modifiers (ExactKey). Other keys (F2 of the main window's
//    menu, for instance) pass on to the window.
// The behaviour sees every control of the screen, those created later (the
// cell editors of a grid) included. A cell editor of a grid keeps its own
// Enter (commit) and Esc (drop the edit); function keys work from it too.
class ScreenBehaviour : public QObject {
    Q_OBJECT
public:
    explicit ScreenBehaviour(QWidget* screen);
    ~ScreenBehaviour() override;

    // The behaviour of the screen a widget belongs to (nullptr: none).
    static ScreenBehaviour* Of(const QWidget* widget);

    void AddField(QWidget* field, QWidget* captionPanel = nullptr,
                  FieldFilter filter = FieldFilter::None);
    // The field keeps its own colours; only its caption panel is repainted
    // (call before AddField).
    void KeepOwnColours(QWidget* field);
    // Enter in this field moves the focus to `target` instead of the next control.
    void SetEnterTarget(QWidget* field, QWidget* target);
    // Enter on every button moves the focus on, as Tab does.
    void SetEnterOnButtonsMovesFocus(bool on) { enterOnButtons_ = on; }
    // Enter on this one widget (a button) moves the focus on, as Tab does.
    void AddEnterMovesFocus(QWidget* widget) { enterWidgets_.append(widget); }
    void SetEscAction(std::function<void()> action, const QList<QWidget*>& only = {});
    // The key clicks the button while the button is enabled.
    void BindButton(QAbstractButton* button, QKeyCombination key);
    void BindKey(QKeyCombination key, std::function<void()> action);
    // Gives the screen's buttons the clear focus frame; call once the
    // screen's buttons exist (key handling needs no call).
    void Install();

    QWidget* Screen() const { return screen_; }
    QWidget* CaptionPanelOf(QWidget* field) const { return panels_.value(field); }
    bool IsField(const QWidget* w) const { return fields_.contains(const_cast<QWidget*>(w)); }
    // The button a key clicks (nullptr: none, or its button is disabled).
    QAbstractButton* ButtonForKey(QKeyCombination key) const;
    // Whether a key is bound and would run now.
    bool HandlesKey(QKeyCombination key) const;

    // Next control after `from` in tab order that can take the focus.
    static QWidget* NextInTabOrder(QWidget* from);

private:
    friend class ScreenEventDispatcher;
    struct Binding {
        QPointer<QAbstractButton> button;
        std::function<void()> action;
    };

    bool handleKey(QWidget* widget, int key, Qt::KeyboardModifiers mods);
    bool handleEnter(QWidget* widget);
    bool handleEsc(QWidget* widget);
    void focusIn(QWidget* field, Qt::FocusReason reason);
    void focusOut(QWidget* field);

    QWidget* screen_;
    QHash<QWidget*, QPointer<QWidget>> panels_;
    QList<QWidget*> fields_;
    QList<QWidget*> ownColours_;
    QHash<QWidget*, QPointer<QWidget>> enterTargets_;
    std::function<void()> escAction_;
    QList<QPointer<QWidget>> escOnly_;
    QHash<int, Binding> keys_;
    QList<QPointer<QWidget>> enterWidgets_;
    bool enterOnButtons_ = false;
};

} // namespace marking
