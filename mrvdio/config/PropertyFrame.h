#pragma once

// The frame a design environment shows a control's property pages in: one
// tab per page the control names (ISpecifyPropertyPages), the pages made by
// class identifier from the control's library, and OK, Cancel, Apply.
// Applying writes every changed page to the control and then saves the
// control's state file.

#include "host/ControlHost.h"
#include "host/StateFile.h"

#include <QDialog>

#include <memory>
#include <vector>

class QDialogButtonBox;
class QTabWidget;

namespace mrvdio::config {

class PropertyFrame : public QDialog {
    Q_OBJECT
public:
    // `control` and `library` stay referenced for the frame's life.
    PropertyFrame(ComPtr<IUnknown> control, std::shared_ptr<host::ComponentLibrary> library,
                  host::StateFile stateFile, QWidget* parent = nullptr);
    ~PropertyFrame() override;

    // Applies the changed pages and saves the state file; false (after
    // telling the user) when something failed.
    bool ApplyAll();
    QTabWidget* Tabs() const { return tabs_; }
    // Whether some page waits to be applied.
    bool AnyDirty() const;
    void UpdateButtons();

private:
    struct Site;
    void ShowProblem(const QString& text);

    ComPtr<IUnknown> control_;
    std::shared_ptr<host::ComponentLibrary> library_;
    host::StateFile stateFile_;
    QTabWidget* tabs_;
    QDialogButtonBox* buttons_;
    Site* site_;
    std::vector<ComPtr<IPropertyPage>> pages_;
};

} // namespace mrvdio::config
