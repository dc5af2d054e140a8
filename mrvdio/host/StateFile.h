#pragma once

// A control's saved state in a file of its own beside the program, for
// hosts that keep it themselves (the run screen keeps MrvDIO1's in
// MrvDIO1.dat):
//
//   const mrvdio::host::StateFile file(mrvdio::host::StateFile::DefaultPath(programDir));
//   if (auto r = file.Load(dio->Object()); !r.ok) show(r.message);   // after creating it
//   ...
//   if (auto r = file.SaveIfDirty(dio->Object()); !r.ok) show(r.message);
//
// The file holds exactly the control's stream (IPersistStream). It is written
// whole or not at all: the stream goes to a new file that then replaces the
// old one, so a failed save leaves the previous state in place.

#include "mrvdio/ComBase.h"

#include <QString>

namespace mrvdio::host {

struct StateFileResult {
    bool ok = true;
    // Load: there was no file, the control keeps the state it was created with.
    bool absent = false;
    // Save: the control had nothing new and the file was left alone.
    bool unchanged = false;
    HRESULT hr = S_OK;
    // Korean, naming the file and the reason; empty when ok.
    QString message;
};

class StateFile {
public:
    explicit StateFile(QString path)
        : path_(std::move(path)) {}

    // "<programDir>/<name>.dat", e.g. .../MrvDIO1.dat.
    static QString DefaultPath(const QString& programDir, const QString& name = "MrvDIO1");

    const QString& Path() const { return path_; }

    // Loads the saved state into `control` (any interface of it). A missing
    // file is no error. A file that cannot be read or is not the control's
    // state fails; the control then goes on without a device.
    StateFileResult Load(IUnknown* control) const;
    // Saves the control's state, clearing its dirty flag.
    StateFileResult Save(IUnknown* control) const;
    // Saves only when the control says its state changed.
    StateFileResult SaveIfDirty(IUnknown* control) const;

private:
    QString path_;
};

} // namespace mrvdio::host
