#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

class QPushButton;
class QTextBrowser;
class QTimer;

namespace marking {
class ScreenForm;
}

namespace marking::shell {

// Installation values of the banner and the picture, from the settings store
// section "Information" (keys SupplierPhone, SupplierWeb, CustomerWeb).
struct InformationSettings {
    QString supplierPhone;
    QString supplierWeb;
    QString customerWeb;
};
InformationSettings ReadInformationSettings();

// The six lines of WebActive.htm, each ended by CR LF.
QByteArray BannerPage(const InformationSettings& settings);

// The screens this build has, each with its key, for the text of the
// information screen: a key whose screen is missing is not offered.
QString InformationKeysText();

// A picture that can be clicked.
class ClickablePicture : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The program information screen: the first screen the operator sees.
class FomInformation : public QWidget {
    Q_OBJECT
public:
    explicit FomInformation(QWidget* parent = nullptr);

    QTextBrowser* WebInformation;
    ClickablePicture* Picture3;
    QLabel* LblProgram; // the program and the keys of its screens
    QPushButton* ScmdOK;

    // Writes WebActive.htm into the program directory and shows it; lists the
    // keys of the screens this build has.
    void Form_Activate();
    void Picture3_Click();
    // Closes the screen and shows FomMarkingSetting, which takes the keys.
    void ScmdOK_Click();

    // How often the banner page was written and shown (every activation).
    int ActivationCount() const { return activations_; }

    ScreenForm& Form() const { return *form_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void startBanner();
    ScreenForm* form_;
    QTimer* bannerTimer_;
    int activations_ = 0;
};

} // namespace marking::shell
