#pragma once

// The four property page classes of the control as objects: each one an
// IPropertyPage whose widget is made inside the frame's parent widget when
// it is activated.

#include "mrvdio/ComBase.h"

#include <QString>

class QWidget;

namespace mrvdio::pages {

class PageWidget;

struct PageClass {
    const CLSID* clsid;
    const char* title;       // as the frame's tab shows it ("&&" is one "&")
    const char* description; // the page's doc string
    PageWidget* (*make)(QWidget* parent);
};

// The page class of `clsid`, or null when it is none of the four.
const PageClass* FindPageClass(const CLSID& clsid);

// Creates a page object (no aggregation) and returns the asked interface.
HRESULT CreatePropertyPage(const CLSID& clsid, IUnknown* outer, const IID& iid, void** object);

} // namespace mrvdio::pages
