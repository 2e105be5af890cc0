// The volume administration control on the main window: created through the component runtime
// by its ProgID and hosted through its IQtControl interface, like any container would. The
// program never calls it.
#include "platform/dispatch.h"
#include "startup.h"
#include "volctl/hosting.h"

namespace varnook {

QWidget* CreateVolmarraControl(QWidget* parent, std::string& why) {
    vnk::com::ComPtr<vnk::com::IDispatch> control;
    const vnk::win::HRESULT hr = vnk::com::CreateObject(volmarra::kVolmarraProgId, control);
    if (vnk::win::FAILED(hr)) {
        why = "the class VolmarraLib.VolmarraCtrl.1 cannot be created: " +
              vnk::com::ComLastErrorDetail();
        return nullptr;
    }
    const vnk::com::ComPtr<volmarra::IQtControl> hosted = control.as<volmarra::IQtControl>();
    if (!hosted) {
        why = "the object of VolmarraLib.VolmarraCtrl.1 has no window to host";
        return nullptr;
    }
    // The window holds the control from here on.
    return hosted->CreateControlWindow(parent);
}

}  // namespace varnook
