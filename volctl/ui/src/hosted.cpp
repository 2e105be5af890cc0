#include "hosted.h"

#include <QApplication>
#include <QPointer>
#include <memory>

#include "aboutbox.h"
#include "controlwindow.h"
#include "netclient/client.h"
#include "volctl/hosting.h"
#include "volctl/volmarra.h"

namespace volmarra::ui {
namespace {

using vnk::com::ComPtr;
using vnk::com::IDispatch;
using vnk::com::IUnknown;

// IQtControl of one control: part of the control's object (its IUnknown members are the
// control's), kept alive by the control's interface hook.
class HostedPart final : public IQtControl {
public:
    HostedPart(IUnknown* owner, nw::Client& client) : owner_(owner), client_(client) {}

    vnk::win::HRESULT QueryInterface(const vnk::com::IID& iid, void** out) override {
        return owner_->QueryInterface(iid, out);
    }
    vnk::com::ULONG AddRef() override { return owner_->AddRef(); }
    vnk::com::ULONG Release() override { return owner_->Release(); }

    QWidget* CreateControlWindow(QWidget* parent) override {
        if (window_) {
            window_->setParent(parent);
            window_->show();
            return window_;
        }
        ComPtr<IDispatch> self;
        owner_->QueryInterface(IDispatch::iid, self.putVoid());
        window_ = new ControlWindow(std::move(self), client_, parent);
        return window_;
    }
    vnk::win::HRESULT SetExtent(const Extent&) override {
        // The size is fixed: whatever the container asks, the extent stays kControlPixels.
        return vnk::win::S_OK;
    }
    Extent GetExtent() override {
        const double dpi = window_ ? window_->logicalDpiX() : 96.0;
        const long side = pixelsToHimetric(kControlPixels, dpi);
        return {side, side};
    }

    void showAbout() {
        // Without a widget application (a script host) there is nothing to show it on.
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
            showAboutBox(window_);
        }
    }
    void changed() {
        if (window_) {
            window_->controlChanged();
        }
    }

private:
    IUnknown* owner_;
    nw::Client& client_;
    QPointer<ControlWindow> window_;
};

}  // namespace

ComPtr<IDispatch> createHostedControl(nw::Client& client) {
    ComPtr<IDispatch> control = createControl(client);
    const ComPtr<IVolmarraControl> container = control.as<IVolmarraControl>();
    auto part = std::make_shared<HostedPart>(control.get(), client);
    HostedPart* raw = part.get();
    container->SetAboutBoxHandler([raw] { raw->showAbout(); });
    container->SetChangeHandler([raw] { raw->changed(); });
    container->SetInterfaceHook([part](const vnk::com::IID& iid) -> void* {
        return iid == IQtControl::iid ? static_cast<IQtControl*>(part.get()) : nullptr;
    });
    return control;
}

vnk::win::HRESULT createHostedVolmarra(const vnk::com::IID& iid, void** out) {
    if (out == nullptr) {
        return vnk::win::E_POINTER;
    }
    *out = nullptr;
    return createHostedControl(nw::processClient())->QueryInterface(iid, out);
}

}  // namespace volmarra::ui
