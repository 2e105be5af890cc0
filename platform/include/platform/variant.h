// The component runtime, part 2: automation values.
//
// Variant is a value type (copying copies, destruction releases): there is no VariantInit /
// VariantClear to forget. It holds one of the automation types:
//   VT_EMPTY, VT_NULL, VT_BOOL, VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_I8, VT_UI8,
//   VT_R4, VT_R8, VT_DATE, VT_BSTR (a std::u16string), VT_DISPATCH, VT_UNKNOWN, VT_ERROR,
//   VT_ARRAY | VT_VARIANT (a one-dimensional SafeArray of Variants with a lower bound), and
//   VT_BYREF: a reference to another Variant that the callee may read and write.
// By-reference comes in two kinds: Variant::byRef(v) (VT_BYREF | VT_VARIANT, the callee may store
// any type, as scripts pass their variables) and Variant::typedRef(v) (VT_BYREF | v's type, the
// callee must store that type, as compiled callers pass a typed variable). storeByRef() writes
// through either kind correctly.
// Strings are UTF-16 (std::u16string), like the wide strings of Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com.h"

namespace vnk::com {

using VARTYPE = std::uint16_t;
using DISPID = std::int32_t;
using VARIANT_BOOL = std::int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R4 = 4;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_DATE = 7;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_I1 = 16;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_UI2 = 18;
inline constexpr VARTYPE VT_UI4 = 19;
inline constexpr VARTYPE VT_I8 = 20;
inline constexpr VARTYPE VT_UI8 = 21;
inline constexpr VARTYPE VT_VOID = 24;
inline constexpr VARTYPE VT_HRESULT = 25;
inline constexpr VARTYPE VT_USERDEFINED = 29;  // an enumeration of the type library
inline constexpr VARTYPE VT_ARRAY = 0x2000;
inline constexpr VARTYPE VT_BYREF = 0x4000;
inline constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

class Variant;
struct DispParams;
struct ExcepInfo;
struct InterfaceInfo;

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;  // the default member
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_NEWENUM = -4;  // the hidden _NewEnum
inline constexpr DISPID DISPID_ABOUTBOX = -552;

// Late-bound calls. Unlike the Windows layout, DispParams::args are in call order (the first
// argument first); for a property put the new value is the last argument. See dispatch.h.
struct IDispatch : IUnknown {
    static constexpr IID iid = makeGuid("{00020400-0000-0000-C000-000000000046}");
    using Base = IUnknown;
    virtual HRESULT GetTypeInfoCount(unsigned* count) = 0;
    // The interface's type information (index 0), valid as long as the library stays loaded,
    // which is the life of the process.
    virtual HRESULT GetTypeInfo(unsigned index, const InterfaceInfo** info) = 0;
    // Member name (names[0], case-insensitive) and parameter names to dispatch identifiers.
    virtual HRESULT GetIDsOfNames(const std::u16string_view* names, unsigned count,
                                  DISPID* ids) = 0;
    // flags: DISPATCH_METHOD / PROPERTYGET / PROPERTYPUT / PROPERTYPUTREF. On DISP_E_EXCEPTION
    // *excep says what the object raised; on a bad argument *argErr is its index in call order.
    virtual HRESULT Invoke(DISPID id, WORD flags, DispParams& params, Variant* result,
                           ExcepInfo* excep, unsigned* argErr) = 0;

protected:
    ~IDispatch() = default;
};

// The standard variant enumerator (For Each over a collection).
struct IEnumVARIANT : IUnknown {
    static constexpr IID iid = makeGuid("{00020404-0000-0000-C000-000000000046}");
    using Base = IUnknown;
    // Fills up to `count` items; S_OK when all were there, S_FALSE when fewer.
    virtual HRESULT Next(ULONG count, Variant* items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumVARIANT** out) = 0;

protected:
    ~IEnumVARIANT() = default;
};

// An automation date: days since 1899-12-30, the fraction being the time of day.
struct Date {
    double value = 0;
    friend bool operator==(const Date&, const Date&) = default;
    // nullopt for a day that does not exist (month 13, 31 February, ...).
    VNK_EXPORT static std::optional<Date> fromParts(int year, int month, int day, int hour = 0,
                                                    int minute = 0, int second = 0);
    struct Parts {
        int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    };
    VNK_EXPORT Parts parts() const;  // rounded to the second
};

struct SafeArray;

class VNK_EXPORT Variant {
public:
    Variant() noexcept {}
    // Scalars copy and go without a call into the library: an array of a million bytes is a
    // million of them.
    Variant(const Variant& o) : vt_(o.vt_), typedRef_(o.typedRef_) {
        i_ = o.i_;
        if (ownsValue()) {
            copyOwned(o);
        }
    }
    Variant(Variant&& o) noexcept : vt_(o.vt_), typedRef_(o.typedRef_) {
        i_ = o.i_;
        o.vt_ = VT_EMPTY;
        o.typedRef_ = false;
        o.i_ = 0;
    }
    Variant& operator=(const Variant& o);
    Variant& operator=(Variant&& o) noexcept;
    ~Variant() {
        if (ownsValue()) {
            clear();
        }
    }

    Variant(bool v) : vt_(VT_BOOL) { i_ = v ? 1 : 0; }
    Variant(std::int8_t v) : vt_(VT_I1) { i_ = v; }
    Variant(std::uint8_t v) : vt_(VT_UI1) { i_ = v; }
    Variant(std::int16_t v) : vt_(VT_I2) { i_ = v; }
    Variant(std::uint16_t v) : vt_(VT_UI2) { i_ = v; }
    Variant(std::int32_t v) : vt_(VT_I4) { i_ = v; }
    Variant(std::uint32_t v) : vt_(VT_UI4) { i_ = v; }
    Variant(std::int64_t v) : vt_(VT_I8) { i_ = v; }
    Variant(std::uint64_t v) : vt_(VT_UI8) { i_ = static_cast<std::int64_t>(v); }
    Variant(float v) : vt_(VT_R4) { d_ = v; }
    Variant(double v) : vt_(VT_R8) { d_ = v; }
    Variant(Date v) : vt_(VT_DATE) { d_ = v.value; }
    Variant(std::u16string v) { setString(std::move(v)); }
    Variant(std::u16string_view v) { setString(std::u16string(v)); }
    Variant(const char16_t* v) { setString(v != nullptr ? v : u""); }
    // Objects: take a new reference. A null pointer gives an object variant holding nothing.
    Variant(IDispatch* v);
    Variant(const ComPtr<IDispatch>& v) : Variant(v.get()) {}
    static Variant unknown(IUnknown* v);

    static Variant null();
    static Variant error(SCODE code);
    // An optional argument the caller left out (VT_ERROR holding DISP_E_PARAMNOTFOUND).
    static Variant missing() { return error(DISP_E_PARAMNOTFOUND); }
    static Variant array(std::vector<Variant> items, std::int32_t lowerBound = 0);
    static Variant byRef(Variant& target);
    static Variant typedRef(Variant& target);

    // The type; for a by-reference variant VT_BYREF | VT_VARIANT or VT_BYREF | the target's type.
    VARTYPE vt() const;
    bool isEmpty() const { return vt_ == VT_EMPTY; }
    bool isNull() const { return vt_ == VT_NULL; }
    bool isMissing() const { return vt_ == VT_ERROR && i_ == DISP_E_PARAMNOTFOUND; }
    bool isByRef() const { return vt_ == VT_BYREF; }
    bool isArray() const { return vt_ == (VT_ARRAY | VT_VARIANT); }
    bool isObject() const { return vt_ == VT_DISPATCH || vt_ == VT_UNKNOWN; }
    // Follows by-reference links to the value itself (the variant itself when not by reference).
    Variant& deref();
    const Variant& deref() const;

    // Typed access to a variant of exactly that type (after deref); a variant of another type
    // reads as 0 / false / empty / null. Use VariantChangeType or the as...() forms to convert.
    bool boolVal() const { return vt_ == VT_BOOL && i_ != 0; }
    std::int64_t intVal() const;  // any integer type, VT_BOOL (-1 / 0), VT_ERROR
    double realVal() const;       // VT_R4, VT_R8, VT_DATE
    const std::u16string& bstr() const;
    IDispatch* dispatch() const {
        return vt_ == VT_DISPATCH ? static_cast<IDispatch*>(unk_) : nullptr;
    }
    IUnknown* unknownVal() const { return isObject() ? unk_ : nullptr; }
    SCODE scode() const { return vt_ == VT_ERROR ? static_cast<SCODE>(i_) : 0; }
    const SafeArray* arrayVal() const;
    SafeArray* arrayVal();

    // Converting reads: nullopt when the value does not convert.
    std::optional<std::u16string> asString() const;
    std::optional<std::int32_t> asInt32() const;
    std::optional<double> asDouble() const;
    std::optional<bool> asBool() const;

    void clear();
    friend bool operator==(const Variant& a, const Variant& b);

    // Text for tests and diagnostics, such as "VT_I2 3" or "VT_BSTR \"abc\"".
    std::string debugString() const;

private:
    // A text, an object or an array: something to copy deeply, release or free.
    bool ownsValue() const {
        return vt_ == VT_BSTR || vt_ == VT_DISPATCH || vt_ == VT_UNKNOWN ||
               vt_ == (VT_ARRAY | VT_VARIANT);
    }
    // The deep part of a copy of `o` (whose type and union this variant already holds).
    void copyOwned(const Variant& o);
    void setString(std::u16string v);

    // 16 bytes: the type and one word, which owns the text or the array of a VT_BSTR or an
    // array variant.
    VARTYPE vt_ = VT_EMPTY;
    bool typedRef_ = false;
    union {
        std::int64_t i_ = 0;
        double d_;
        IUnknown* unk_;
        Variant* ref_;
        std::u16string* s_;
        SafeArray* a_;
    };
};

struct SafeArray {
    std::int32_t lowerBound = 0;
    std::vector<Variant> elements;
    std::int32_t upperBound() const {
        return lowerBound + static_cast<std::int32_t>(elements.size()) - 1;
    }
};

// Converts `src` (following by-reference) to `vt`. DISP_E_TYPEMISMATCH when it does not
// convert, DISP_E_OVERFLOW when the number does not fit. Numbers round half to even; strings
// convert to numbers when the whole text (blanks around it aside) is a decimal number, to
// Booleans also from "True" / "False"; Booleans are -1 / 0 as numbers and "True" / "False" as
// text; dates convert as text "yyyy-mm-dd hh:mm:ss". An object converts through its default
// member (DISPID_VALUE). Null converts to nothing but VT_NULL and VT_VARIANT.
VNK_EXPORT HRESULT VariantChangeType(Variant& dst, const Variant& src, VARTYPE vt);
// Writes `value` through a by-reference argument: into a typedRef converted to the target's
// type, into a byRef as it is. An argument that is not by reference is left alone (S_FALSE).
VNK_EXPORT HRESULT storeByRef(Variant& arg, const Variant& value);
// The same, moving `value` (when it is no reference itself) where it goes as it is.
VNK_EXPORT HRESULT storeByRef(Variant& arg, Variant&& value);

}  // namespace vnk::com
