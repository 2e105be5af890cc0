// libvolmarra: the component server of the volume control. Its type library VolmarraLib 1.3,
// the control (coclass Volmarra) and its property page, both safe for scripting and for
// initialising from persisted data.
#include "hosted.h"
#include "platform/comserver.h"
#include "proppage.h"
#include "volctl/errors.h"
#include "volctl/ids.h"
#include "volctl/volmarra.h"

namespace volmarra {
namespace {

const vnk::com::ServerInfo& server() {
    static const vnk::com::ServerInfo info = [] {
        using namespace vnk::com;
        ServerInfo s;
        s.typeLib = &typeLib();
        s.categories = {
            {CATID_SafeForInitializing, u"Controls safely initializable from persistent data"},
            {CATID_SafeForScripting, u"Controls that are safely scriptable"}};
        ClassInfo control;
        control.clsid = CLSID_Volmarra;
        control.description = std::u16string(stringResource(kTextControlName));
        control.progId = kVolmarraProgId;
        control.create = &ui::createHostedVolmarra;
        control.control = true;
        control.categories = {CATID_SafeForInitializing, CATID_SafeForScripting};
        s.classes.push_back(control);
        ClassInfo page;
        page.clsid = CLSID_VolmarraPropPage;
        page.description = std::u16string(stringResource(kTextPropPageName));
        page.progId = kVolmarraPropPageProgId;
        page.create = &ui::createVolmarraPropPage;
        s.classes.push_back(page);
        return s;
    }();
    return info;
}

}  // namespace
}  // namespace volmarra

VNK_COM_SERVER(volmarra::server)
