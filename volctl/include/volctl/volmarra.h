// The volume control's object model: what a container (the control's widget, the component
// server, tests) uses to create the control and to drive the parts of it that scripts do not see.
//
// Scripts see the control through its dispatch interface _DVolmarra (IDispatch); the container
// additionally asks the same object for IVolmarraControl to set the ambient user mode and the
// restoring flag, to load and save the persisted FullName, and to show the about box. The control
// persists through IPersistPropertyBag (platform/persist.h): "_Version" 0x10003 and "FullName".
#pragma once

#include <functional>
#include <string>

#include "platform/com.h"
#include "platform/dispatch.h"
#include "volctl/ids.h"

namespace nw {
class Client;
}

namespace volmarra {

struct IVolmarraControl : vnk::com::IUnknown {
    static constexpr vnk::com::IID iid = IID_IVolmarraControl;
    using Base = vnk::com::IUnknown;

    // The container's ambient user (run) mode. true (the default, what scripts get): setting
    // FullName resolves and connects. false (design mode): FullName is only stored (a name of
    // the wrong form is emptied silently) and property reads do not require a name.
    virtual void SetUserMode(bool userMode) = 0;
    virtual bool UserMode() = 0;
    // Set while the container applies persisted data: a bad or unreachable FullName is then
    // dropped silently instead of raising.
    virtual void SetRestoring(bool restoring) = 0;
    virtual bool Restoring() = 0;
    // Applies a persisted FullName with the restoring flag set (and cleared again afterwards).
    virtual void LoadPersistedFullName(const std::u16string& fullName) = 0;
    // The FullName to persist (empty by default).
    virtual std::u16string PersistedFullName() = 0;
    // Set when FullName is written; the container clears it after saving.
    virtual bool IsModified() = 0;
    virtual void SetModified(bool modified) = 0;
    // Called when a script calls AboutBox() (the widget shows its modal about box). Without a
    // handler AboutBox() does nothing.
    virtual void SetAboutBoxHandler(std::function<void()> handler) = 0;
    // Called after FullName was written (the widget repaints, the property page refreshes).
    virtual void SetChangeHandler(std::function<void()> handler) = 0;
    // Lets the visible part of the control (its window, in the component server) add interfaces
    // to this object: QueryInterface asks hook(iid) for an interface pointer whose IUnknown
    // members go to this object (it is not AddRef'd by the hook), or nullptr.
    virtual void SetInterfaceHook(std::function<void*(const vnk::com::IID&)> hook) = 0;

protected:
    ~IVolmarraControl() = default;
};

// A new control that talks to `client` (kept by reference; it must outlive the control and
// every object the control hands out). The control's IDispatch, with its one reference.
vnk::com::ComPtr<vnk::com::IDispatch> createControl(nw::Client& client);

// The class factory's create function of coclass Volmarra: a control on the process's own
// client (nw::processClient(), initialised with NWCallsInit).
vnk::win::HRESULT createVolmarraCtrl(const vnk::com::IID& iid, void** out);

// The type library VolmarraLib 1.3: every dispatch interface with its members and help strings,
// the coclass Volmarra and the enumeration NWEntryType.
const vnk::com::TypeLibInfo& typeLib();

}  // namespace volmarra
