#pragma once

// The control's two dialogs: device selection and the about box.

#include <QDialog>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

class QListWidget;

namespace mrvdio {

// "Select Device": the DIO devices as "%03d (%s)", the current one selected;
// OK hands back the selected device number.
class SelectDeviceDialog : public QDialog {
    Q_OBJECT
public:
    SelectDeviceDialog(const std::vector<std::pair<int32_t, QString>>& devices, int32_t current,
                       QWidget* parent = nullptr);
    // The number of the selected device, -1 when none is selected.
    int32_t SelectedNumber() const;
    QListWidget* DeviceList() const { return list_; }

    static QString EntryText(int32_t number, const QString& name);

private:
    QListWidget* list_;
};

// "About Zephrel Pro DIO Control".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace mrvdio
