#pragma once

// What the four property pages share: the controls they act on (through
// IMrvDIO only), their own copy of the settings, the dirty mark, and the
// messages they show.

#include "mrvdio/MrvDIO.h"
#include "mrvdio/Variant.h"

#include <QWidget>

#include <vector>

namespace mrvdio::pages {

class PageWidget : public QWidget {
    Q_OBJECT
public:
    explicit PageWidget(QWidget* parent = nullptr);

    // The controls to edit; the page fills its copy from the first one.
    void SetObjects(std::vector<ComPtr<IMrvDIO>> objects);
    const std::vector<ComPtr<IMrvDIO>>& Objects() const { return objects_; }
    // Writes the copy to every control. The first refused call ends it and
    // is returned (the control's error info says why); the page is clean
    // afterwards either way.
    HRESULT Apply();
    bool IsDirty() const { return dirty_; }

signals:
    void DirtyChanged(bool dirty);

protected:
    // Fill the copy and the widgets from `first`.
    virtual void Fill(IMrvDIO* first) = 0;
    // Write the copy to one control; the first failure is returned.
    virtual HRESULT ApplyTo(IMrvDIO* control) = 0;
    void SetDirty(bool dirty);
    // A message box ("Error" caption) through the control's dialog hook.
    void ShowMessage(const QString& text, const QString& caption = QStringLiteral("Error"));

private:
    std::vector<ComPtr<IMrvDIO>> objects_;
    bool dirty_ = false;
};

// Small readers of the members the pages use.
int32_t IntOf(IMrvDIO* c, HRESULT (IMrvDIO::*get)(int32_t*));

} // namespace mrvdio::pages
