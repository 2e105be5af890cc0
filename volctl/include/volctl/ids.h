// Identifiers of the volume control's type library: the library, the control's class, every
// dispatch interface, and the dispatch identifiers of every member, in the order scripts and
// the type library know them.
#pragma once

#include "platform/com.h"
#include "platform/variant.h"

namespace volmarra {

using vnk::com::DISPID;
using vnk::com::makeGuid;

// Type library VolmarraLib 1.3.
inline constexpr vnk::com::GUID LIBID_VolmarraLib =
    makeGuid("{F775B2D0-5B03-439C-AD89-5768831A4803}");
inline constexpr unsigned short kTypeLibMajor = 1;
inline constexpr unsigned short kTypeLibMinor = 3;
// Persisted properties: version 1.3 of the property exchange, holding the one string "FullName".
inline constexpr unsigned kPersistVersion = 0x10003;

// The control's class (coclass Volmarra) and its ProgID.
inline constexpr vnk::com::CLSID CLSID_Volmarra =
    makeGuid("{572991A4-2D38-4999-BCFA-872CA934D518}");
inline constexpr char16_t kVolmarraProgId[] = u"VolmarraLib.VolmarraCtrl.1";
// Its property page.
inline constexpr vnk::com::CLSID CLSID_VolmarraPropPage =
    makeGuid("{7E0B3F5C-6C1D-4F2A-9B47-3D8E21A65C90}");
inline constexpr char16_t kVolmarraPropPageProgId[] = u"VolmarraLib.VolmarraPropPage.1";
// The control's fixed size, in pixels, whatever its container asks.
inline constexpr int kControlPixels = 28;

inline constexpr vnk::com::IID DIID_DVolmarra = makeGuid("{1F6E8CB7-3ED2-4AB0-A25D-B10984E40BBC}");
inline constexpr vnk::com::IID DIID_DVolmarraEvents =
    makeGuid("{C3D171E2-F6BF-4017-8BED-02945FF84323}");
inline constexpr vnk::com::IID IID_INWEntry = makeGuid("{8D35C76F-BFFE-429F-9968-50012F963CEF}");
inline constexpr vnk::com::IID IID_INWEntries = makeGuid("{26F3721B-8028-4846-97EA-5E3A43441B9F}");
inline constexpr vnk::com::IID IID_INWFile = makeGuid("{BAE0A7BC-A48D-4367-9E64-4146104C7498}");
inline constexpr vnk::com::IID IID_INWTrustee = makeGuid("{6AF6718C-2C95-4379-9819-842BB458A0FF}");
inline constexpr vnk::com::IID IID_INWTrustees = makeGuid("{3D4B2F52-99AA-46A7-9DB0-68A07013E6C4}");
inline constexpr vnk::com::IID IID_INWRights = makeGuid("{25E1240C-2921-42AC-8273-EEB9A5001BC7}");
inline constexpr vnk::com::IID IID_INWSpaceLimit =
    makeGuid("{644B4476-82A1-40C4-8A6C-6F8C8712E7FD}");
inline constexpr vnk::com::IID IID_INWSpaceLimits =
    makeGuid("{8B93C2DE-234E-4C79-B557-841F0A3DCAD0}");
// The container's own (non-dispatch) interface of the control, see volmarra.h.
inline constexpr vnk::com::IID IID_IVolmarraControl =
    makeGuid("{A1C824B4-A9CA-4D4A-A17E-E7F1D49DEAC5}");

// _DVolmarra
namespace dispid_control {
inline constexpr DISPID FullName = 1, ShortName = 2, Loaded = 3, TotalSpace = 4, UsedSpace = 5,
                        PurgeableSpace = 6, LastModified = 7, Removable = 8, NameSpaces = 9,
                        SpaceLimits = 10, Root = 11, UnusableSpace = 12, Entry = 13,
                        HostServer = 14, Load = 15, Unload = 16, FindEntry = 17,
                        AboutBox = vnk::com::DISPID_ABOUTBOX;
}

// INWEntry
namespace dispid_entry {
inline constexpr DISPID FullName = 1, ShortName = 2, Owner = 3, Archiver = 4, Created = 5,
                        Children = 6, Trustees = 7, File = 8, InheritedRights = 9, Parent = 10,
                        LastModified = 11, ReadOnly = 12, Archive = 13, Hidden = 14, System = 15,
                        Execute = 16, DeleteInhibit = 17, DeletedFiles = 18, Size = 19,
                        LastArchived = 20, Entries = 21, EntryType = 22, Move = 23, Copy = 24;
}

// INWEntries, INWTrustees and INWSpaceLimits: Item is also the default member (DISPID_VALUE).
namespace dispid_collection {
inline constexpr DISPID Count = 1, Add = 2, Remove = 3, Item = 4,
                        NewEnum = vnk::com::DISPID_NEWENUM;
}

// INWFile
namespace dispid_file {
inline constexpr DISPID Length = 1, Compressed = 2, CopyInhibit = 3, DontCompress = 4,
                        DontMigrate = 5, DontSuballocate = 6, ImmediateCompress = 7,
                        ImmediatePurge = 8, LastAccessed = 9, MarkedForDeletion = 10, Migrated = 11,
                        RenameInhibit = 12, Shareable = 13, Transactional = 14, CantCompress = 15,
                        Close = 16, Open = 17, Purge = 18, Salvage = 19, Seek = 20, Read = 21,
                        Write = 22;
}

// INWTrustee
namespace dispid_trustee {
inline constexpr DISPID EffectiveRights = 1, FullName = 2, ShortName = 3;
}

// INWRights: Supervisor = 1 ... AccessControl = 8, in the order of kRightsMembers (tables.h).

// INWSpaceLimit
namespace dispid_spacelimit {
inline constexpr DISPID FullName = 1, ShortName = 2, UsedSpace = 3, TotalSpace = 4,
                        ChangeTotalSpace = 5;
}

// Type library enumeration NWEntryType.
inline constexpr int NETWAREDIR = 0;
inline constexpr int NETWAREFILE = 1;
// An entry that stands for a deleted file (not in the enumeration scripts see).
inline constexpr int kDeletedFile = 2;

}  // namespace volmarra
