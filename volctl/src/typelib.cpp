// The type library VolmarraLib 1.3.
#include "objects.h"

namespace volmarra {
namespace {

const vnk::com::InterfaceInfo& eventsInterface() {
    static const vnk::com::InterfaceInfo info = [] {
        vnk::com::InterfaceInfo i;
        i.iid = DIID_DVolmarraEvents;
        i.name = u"_DVolmarraEvents";
        i.help = u"Event interface for Volmarra Control (no events)";
        i.flags = vnk::com::TYPEFLAG_FDISPATCHABLE | vnk::com::TYPEFLAG_FHIDDEN;
        return i;
    }();
    return info;
}

}  // namespace

const vnk::com::TypeLibInfo& typeLib() {
    static const vnk::com::TypeLibInfo lib = [] {
        using namespace vnk::com;
        TypeLibInfo t;
        t.libid = LIBID_VolmarraLib;
        t.name = u"VolmarraLib";
        t.help = u"Volmarra volume administration control";
        t.major = kTypeLibMajor;
        t.minor = kTypeLibMinor;
        t.imports = {u"stdole2.tlb"};
        t.interfaces = {&CVolmarraCtrl::dispatchInfo(), &eventsInterface(),
                        &NWEntry::dispatchInfo(),       &NWEntries::dispatchInfo(),
                        &NWFile::dispatchInfo(),        &NWTrustee::dispatchInfo(),
                        &NWTrustees::dispatchInfo(),    &NWRights::dispatchInfo(),
                        &NWSpaceLimit::dispatchInfo(),  &NWSpaceLimits::dispatchInfo()};
        t.coclasses.push_back(
            CoClassInfo{CLSID_Volmarra,
                        u"Volmarra",
                        u"Volmarra Control: the object model of one NetWare volume",
                        static_cast<WORD>(TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL),
                        {{&CVolmarraCtrl::dispatchInfo(), IMPLTYPEFLAG_FDEFAULT},
                         {&eventsInterface(),
                          static_cast<WORD>(IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)}}});
        t.enums.push_back(EnumInfo{u"NWEntryType",
                                   u"Type of a directory entry",
                                   {{u"NETWAREDIR", NETWAREDIR}, {u"NETWAREFILE", NETWAREFILE}}});
        return t;
    }();
    return lib;
}

}  // namespace volmarra
