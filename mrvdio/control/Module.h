#pragma once

// Library-wide bookkeeping: live objects and server locks (for
// DllCanUnloadNow), the per-thread error info, and the hook through which
// the control's dialogs run.

#include "mrvdio/ComBase.h"

#include <string>

class QDialog;

namespace mrvdio {

void ModuleObjectCreated();
void ModuleObjectDestroyed();
void ModuleLock();
void ModuleUnlock();
// Live objects plus locks.
long ModuleActivity();

// Posts description and source as the calling thread's error info.
void PostErrorInfo(const std::u16string& description, const std::string& source,
                   const IID& iid = GUID_NULL);
void ClearErrorInfo();
// Number of error infos posted on this thread so far (to tell whether a call
// posted one).
unsigned long ErrorInfoSerial();
// Takes the thread's error info: description and source, false when none.
bool TakeErrorInfo(std::u16string* description, std::string* source);

// Runs a dialog modally and returns its result (QDialog::Accepted or
// Rejected). With a hook installed, the hook decides; without one, on a
// headless platform (offscreen/minimal) or without a QApplication, the
// dialog is not shown and counts as rejected.
int RunDialog(QDialog* dialog);

} // namespace mrvdio

extern "C" {
// Installs (or with null removes) the dialog hook: called with the QDialog
// about to be shown and the context; returns the dialog's result code.
typedef int (*MrvDIODialogHook)(void* dialog, void* context);
MRVDIO_EXPORT void MrvDIOSetDialogHook(MrvDIODialogHook hook, void* context);
// The thread's error info (see PFN_GetErrorInfo).
MRVDIO_EXPORT HRESULT MrvGetErrorInfo(uint32_t reserved, IErrorInfo** info);
}
