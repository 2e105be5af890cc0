// How a Qt container hosts the control and shows its property page. The container creates the
// control through the component runtime by its ProgID and asks the object for IQtControl; a
// property frame creates the page by its ProgID and asks it for IQtPropertyPage.
//
//   ComPtr<IDispatch> control;
//   if (SUCCEEDED(CreateObject(volmarra::kVolmarraProgId, control))) {
//       if (auto hosted = control.as<volmarra::IQtControl>()) {
//           QWidget* window = hosted->CreateControlWindow(form);   // owned by form
//       }
//   }
#pragma once

#include <functional>
#include <string>

#include "platform/com.h"
#include "platform/dispatch.h"
#include "volctl/ids.h"

class QWidget;

namespace volmarra {

// A size in HIMETRIC units (0.01 mm), as containers negotiate a control's extent.
struct Extent {
    long cx = 0;
    long cy = 0;
};

inline constexpr long pixelsToHimetric(int pixels, double dpi) {
    return static_cast<long>(pixels * 2540.0 / dpi + 0.5);
}

struct IQtControl : vnk::com::IUnknown {
    static constexpr vnk::com::IID iid =
        vnk::com::makeGuid("{5D1E94C2-3B7A-4E08-A6F1-92C04B7D3E15}");
    using Base = vnk::com::IUnknown;
    // The control's window, a child of parent that the parent owns. The window holds a reference
    // to the control while it exists. A control has one window: asking again moves it to the new
    // parent.
    virtual QWidget* CreateControlWindow(QWidget* parent) = 0;
    // The container asks for a size; the control keeps its fixed size (kControlPixels square)
    // and GetExtent tells what it takes.
    virtual vnk::win::HRESULT SetExtent(const Extent& himetric) = 0;
    virtual Extent GetExtent() = 0;

protected:
    ~IQtControl() = default;
};

struct IQtPropertyPage : vnk::com::IUnknown {
    static constexpr vnk::com::IID iid =
        vnk::com::makeGuid("{9A4C2E71-0D5B-4B3F-8E26-C17F5A0B9D48}");
    using Base = vnk::com::IUnknown;
    // The control whose properties the page edits (null: none).
    virtual vnk::win::HRESULT SetObjects(vnk::com::IUnknown* object) = 0;
    // Builds the page's dialog as a child of parent (the frame owns it).
    virtual QWidget* Activate(QWidget* parent) = 0;
    // The page's title (the property page's display name).
    virtual std::u16string Title() = 0;
    virtual bool IsPageDirty() = 0;
    // Writes the page's values into the control; a failure comes with what the control raised.
    virtual vnk::win::HRESULT Apply(vnk::com::ExcepInfo* excep) = 0;
    // Called whenever IsPageDirty may have changed (the frame enables its Apply button).
    virtual void SetPageSite(std::function<void()> statusChanged) = 0;

protected:
    ~IQtPropertyPage() = default;
};

}  // namespace volmarra
