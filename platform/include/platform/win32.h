// Basic Win32-shaped types and result codes shared by the registry and the component runtime.
//
// Everything lives in namespace vnk::win. The names and numeric values are the ones Windows
// programs know (DWORD, HRESULT, ERROR_FILE_NOT_FOUND = 2, E_NOINTERFACE, ...), so code written
// against those services reads the same here.
#pragma once

#include <cstdint>

#define VNK_EXPORT __attribute__((visibility("default")))

namespace vnk::win {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LSTATUS = LONG;

struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

// ---- Win32 error codes (the registry calls return these) -------------------------------------
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_BADDB = 1009;        // the hive's database is corrupt
inline constexpr LONG ERROR_CANTOPEN = 1011;     // the hive's database cannot be opened
inline constexpr LONG ERROR_CANTREAD = 1012;     // a read of the hive's database failed
inline constexpr LONG ERROR_CANTWRITE = 1013;    // a write to the hive's database failed
inline constexpr LONG ERROR_KEY_DELETED = 1018;  // the open key was deleted meanwhile
inline constexpr LONG ERROR_CHILD_MUST_BE_VOLATILE = 1021;

// ---- HRESULTs -----------------------------------------------------------------------------------
inline constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}
inline constexpr HRESULT HRESULT_FROM_WIN32(LONG e) {
    return e <= 0 ? e : static_cast<HRESULT>((static_cast<DWORD>(e) & 0xFFFFu) | 0x80070000u);
}
inline constexpr HRESULT hr(DWORD v) {
    return static_cast<HRESULT>(v);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hr(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
inline constexpr HRESULT E_POINTER = hr(0x80004003);
inline constexpr HRESULT E_ABORT = hr(0x80004004);
inline constexpr HRESULT E_FAIL = hr(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = hr(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hr(0x80070057);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = hr(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = hr(0x80040151);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);
inline constexpr HRESULT SELFREG_E_TYPELIB = hr(0x80040200);
inline constexpr HRESULT SELFREG_E_CLASS = hr(0x80040201);
inline constexpr HRESULT CO_E_CLASSSTRING = hr(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = hr(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = hr(0x800401F9);

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hr(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = hr(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hr(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hr(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = hr(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = hr(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = hr(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = hr(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = hr(0x8002000B);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hr(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hr(0x8002000F);
inline constexpr HRESULT TYPE_E_LIBNOTREGISTERED = hr(0x8002801D);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = hr(0x8002802B);
inline constexpr HRESULT TYPE_E_CANTLOADLIBRARY = hr(0x80029C4A);

// Errors an automation object raises through FACILITY_CONTROL (0x800A0000 | code).
inline constexpr HRESULT CUSTOM_CTL_SCODE(WORD code) {
    return hr(0x800A0000u | static_cast<DWORD>(code));
}
// "Set not supported (read-only property)": what writing a read-only property raises.
inline constexpr HRESULT CTL_E_SETNOTSUPPORTED = CUSTOM_CTL_SCODE(383);
// "Get not supported (write-only property)".
inline constexpr HRESULT CTL_E_GETNOTSUPPORTED = CUSTOM_CTL_SCODE(394);

}  // namespace vnk::win
