#pragma once

// General: the device of the control and its counts; "Select Device".

#include "pages/PageWidget.h"

class QLineEdit;
class QPushButton;

namespace mrvdio::pages {

class GeneralPage : public PageWidget {
    Q_OBJECT
public:
    explicit GeneralPage(QWidget* parent = nullptr);

    // Runs the control's device selection and shows the values again.
    void SelectDevice_Click();

protected:
    void Fill(IMrvDIO* first) override;
    HRESULT ApplyTo(IMrvDIO* control) override;

private:
    QLineEdit* fields_[6];
    QPushButton* selectDevice_;
    int32_t deviceNumber_ = -1;
};

} // namespace mrvdio::pages
