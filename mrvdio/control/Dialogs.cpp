#include "control/Dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mrvdio {

SelectDeviceDialog::SelectDeviceDialog(const std::vector<std::pair<int32_t, QString>>& devices,
                                       int32_t current, QWidget* parent)
    : QDialog(parent)
    , list_(new QListWidget(this)) {
    setObjectName(QStringLiteral("SelectDeviceDialog"));
    setWindowTitle(QStringLiteral("Select Device"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Device List"), this);
    layout->addWidget(label);
    list_->setObjectName(QStringLiteral("DeviceList"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    label->setBuddy(list_);
    for (const auto& [number, name] : devices) {
        auto* item = new QListWidgetItem(EntryText(number, name), list_);
        item->setData(Qt::UserRole, number);
        if (number == current)
            list_->setCurrentItem(item);
    }
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString SelectDeviceDialog::EntryText(int32_t number, const QString& name) {
    return QStringLiteral("%1 (%2)").arg(number, 3, 10, QLatin1Char('0')).arg(name);
}

int32_t SelectDeviceDialog::SelectedNumber() const {
    const QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected())
        return -1;
    return item->data(Qt::UserRole).toInt();
}

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About Zephrel Pro DIO Control"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Morvane Zephrel Pro DIO Control"), this);
    title->setObjectName(QStringLiteral("Title"));
    layout->addWidget(title);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

} // namespace mrvdio
