// The registry string store's interface, as a client sees it: the identifiers of the class
// clsRegwick, its ProgID and its dual interface _clsRegwick. Include this header only; create
// the class through the component runtime (by ProgID or CLSID) and never link the library.
//
//   ComPtr<IDispatch> store;
//   com::CreateObject(regwick::kProgId, store);           // late bound, by name
//   ComPtr<regwick::_clsRegwick> direct = store.as<regwick::_clsRegwick>();  // vtable calls
#pragma once

#include <cstdint>
#include <string>

#include "platform/com.h"
#include "platform/variant.h"

namespace regwick {

using vnk::com::makeGuid;

inline constexpr vnk::com::GUID LIBID_Regwick = makeGuid("{D12E1DD1-B3A3-42E4-8463-2C2C22762C8E}");
inline constexpr vnk::com::CLSID CLSID_clsRegwick =
    makeGuid("{925DCCEB-DD21-4498-9969-2F3022C15B38}");
inline constexpr vnk::com::IID IID__clsRegwick = makeGuid("{AC01FA2C-02BC-4EBD-BC29-5EE754BE4A35}");
inline constexpr char16_t kProgId[] = u"Regwick.clsRegwick";

inline constexpr vnk::com::DISPID DISPID_ReadStringValue = 1;
inline constexpr vnk::com::DISPID DISPID_WriteStringValue = 2;

// Dual interface: its two members follow the seven IDispatch slots in this order. Every
// parameter is in and out; the 16-bit result is the last parameter.
struct _clsRegwick : vnk::com::IDispatch {
    static constexpr vnk::com::IID iid = IID__clsRegwick;
    using Base = vnk::com::IDispatch;

    // -1: the key cannot be opened for all access; -2: the value cannot be read (missing or
    // longer than 255 bytes); n >= 0: the byte count, the terminating NUL included. Value comes
    // back as 255 characters (the data, its NUL, then the rest of the 255 spaces).
    virtual vnk::win::HRESULT ReadStringValue(std::int32_t* Hive, std::u16string* RegLoc,
                                              std::u16string* Name, std::u16string* Value,
                                              std::int16_t* result) = 0;
    // 0: written, or not written because the value does not exist and CreateIfNotThere is 0;
    // 1: the key cannot be opened for all access (it is never created); 3: the value cannot be
    // stored.
    virtual vnk::win::HRESULT WriteStringValue(std::int32_t* Hive, std::u16string* RegLoc,
                                               std::u16string* Name, std::u16string* Value,
                                               std::uint8_t* CreateIfNotThere,
                                               std::int16_t* result) = 0;

protected:
    ~_clsRegwick() = default;
};

}  // namespace regwick
