// The control as the component server hands it out: the object model's control, whose object
// also answers IQtControl (its window) and shows the about box when a script asks.
#pragma once

#include "platform/dispatch.h"

namespace nw {
class Client;
}

namespace volmarra::ui {

// A control on `client` (which must outlive it) that a Qt container can host.
vnk::com::ComPtr<vnk::com::IDispatch> createHostedControl(nw::Client& client);

// The class factory's create function of coclass Volmarra: a hosted control on the process's
// client.
vnk::win::HRESULT createHostedVolmarra(const vnk::com::IID& iid, void** out);

}  // namespace volmarra::ui
