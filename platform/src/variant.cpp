#include "platform/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/dispatch.h"
#include "platform/text.h"

namespace vnk::com {
namespace {

const std::u16string kEmptyString;

// Days from 1899-12-30 to y-m-d (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468 + 25569;  // 25569: 1970 - 1899
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z -= 25569;
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

bool isInteger(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
            return true;
        default:
            return false;
    }
}

bool isNumeric(VARTYPE vt) {
    return isInteger(vt) || vt == VT_R4 || vt == VT_R8 || vt == VT_DATE || vt == VT_BOOL;
}

bool integerRange(VARTYPE vt, double& lo, double& hi) {
    switch (vt) {
        case VT_I1:
            lo = -128, hi = 127;
            return true;
        case VT_UI1:
            lo = 0, hi = 255;
            return true;
        case VT_I2:
            lo = -32768, hi = 32767;
            return true;
        case VT_UI2:
            lo = 0, hi = 65535;
            return true;
        case VT_I4:
            lo = -2147483648.0, hi = 2147483647.0;
            return true;
        case VT_UI4:
            lo = 0, hi = 4294967295.0;
            return true;
        case VT_I8:
            lo = -9223372036854775808.0, hi = 9223372036854775807.0;
            return true;
        case VT_UI8:
            lo = 0, hi = 18446744073709551615.0;
            return true;
        default:
            return false;
    }
}

std::u16string ascii(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

std::u16string numberText(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", d);
    return ascii(buf);
}

std::u16string dateText(double v) {
    const Date::Parts p = Date{v}.parts();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
    return ascii(buf);
}

// Parses a whole decimal number (blanks around it allowed).
std::optional<double> parseNumber(const std::u16string& s) {
    std::string a;
    for (char16_t c : s) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        a += static_cast<char>(c);
    }
    const auto first = a.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    a = a.substr(first, a.find_last_not_of(" \t") - first + 1);
    if (a.size() > 2 && a[0] == '&' && (a[1] == 'H' || a[1] == 'h')) {
        char* end = nullptr;
        const unsigned long long v = std::strtoull(a.c_str() + 2, &end, 16);
        if (end == nullptr || *end != '\0') {
            return std::nullopt;
        }
        return static_cast<double>(v);
    }
    for (char c : a) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
            return std::nullopt;
        }
    }
    char* end = nullptr;
    const double v = std::strtod(a.c_str(), &end);
    if (end == nullptr || *end != '\0' || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> parseDate(const std::u16string& s) {
    const std::string a = text::utf16ToUtf8(s);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    int n = std::sscanf(a.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &se);
    if (n != 3 && n != 6) {
        return std::nullopt;
    }
    const auto date = Date::fromParts(y, mo, d, h, mi, se);
    if (!date) {
        return std::nullopt;
    }
    return date->value;
}

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

// ---- Date -------------------------------------------------------------------------------------
std::optional<Date> Date::fromParts(int year, int month, int day, int hour, int minute,
                                    int second) {
    if (month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || year < 100 || year > 9999) {
        return std::nullopt;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int maxDay = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > maxDay) {
        return std::nullopt;
    }
    const double days = static_cast<double>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)));
    const double frac = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before 1899-12-30 the time of day counts away from zero, as automation dates do.
    return Date{days >= 0 ? days + frac : days - frac};
}

Date::Parts Date::parts() const {
    Parts p;
    if (!std::isfinite(value)) {
        return p;
    }
    double days = std::trunc(value);
    double frac = std::fabs(value - days);
    auto secs = static_cast<std::int64_t>(std::llround(frac * 86400.0));
    if (secs >= 86400) {
        secs -= 86400;
        days += value >= 0 ? 1 : -1;
    }
    civilFromDays(static_cast<std::int64_t>(days), p.year, p.month, p.day);
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>((secs / 60) % 60);
    p.second = static_cast<int>(secs % 60);
    return p;
}

// ---- Variant ----------------------------------------------------------------------------------
Variant::Variant(IDispatch* v) : vt_(VT_DISPATCH) {
    unk_ = v;
    if (v != nullptr) {
        v->AddRef();
    }
}

Variant Variant::unknown(IUnknown* v) {
    Variant r;
    r.vt_ = VT_UNKNOWN;
    r.unk_ = v;
    if (v != nullptr) {
        v->AddRef();
    }
    return r;
}

Variant Variant::null() {
    Variant r;
    r.vt_ = VT_NULL;
    return r;
}

Variant Variant::error(SCODE code) {
    Variant r;
    r.vt_ = VT_ERROR;
    r.i_ = code;
    return r;
}

Variant Variant::array(std::vector<Variant> items, std::int32_t lowerBound) {
    Variant r;
    r.a_ = new SafeArray{lowerBound, std::move(items)};
    r.vt_ = VT_ARRAY | VT_VARIANT;
    return r;
}

Variant Variant::byRef(Variant& target) {
    Variant r;
    r.vt_ = VT_BYREF;
    r.ref_ = &target;
    return r;
}

Variant Variant::typedRef(Variant& target) {
    Variant r = byRef(target);
    r.typedRef_ = true;
    return r;
}

void Variant::copyOwned(const Variant& o) {
    // Empty until the deep copy is there, so that a copy that throws leaves nothing to free.
    const VARTYPE vt = vt_;
    vt_ = VT_EMPTY;
    if (vt == VT_BSTR) {
        s_ = new std::u16string(*o.s_);
    } else if (vt == (VT_ARRAY | VT_VARIANT)) {
        a_ = new SafeArray(*o.a_);
    } else if (unk_ != nullptr) {
        unk_->AddRef();
    }
    vt_ = vt;
}

void Variant::setString(std::u16string v) {
    clear();
    s_ = new std::u16string(std::move(v));
    vt_ = VT_BSTR;
}

Variant& Variant::operator=(const Variant& o) {
    if (this != &o) {
        Variant copy(o);
        *this = std::move(copy);
    }
    return *this;
}

Variant& Variant::operator=(Variant&& o) noexcept {
    if (this != &o) {
        clear();
        vt_ = o.vt_;
        typedRef_ = o.typedRef_;
        i_ = o.i_;
        o.vt_ = VT_EMPTY;
        o.typedRef_ = false;
        o.i_ = 0;
    }
    return *this;
}

void Variant::clear() {
    // Emptied first: releasing an object or freeing an array may reach this variant again.
    const VARTYPE vt = vt_;
    const std::int64_t word = i_;
    vt_ = VT_EMPTY;
    typedRef_ = false;
    i_ = 0;
    if (vt == VT_BSTR) {
        delete reinterpret_cast<std::u16string*>(word);
    } else if (vt == (VT_ARRAY | VT_VARIANT)) {
        delete reinterpret_cast<SafeArray*>(word);
    } else if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && word != 0) {
        reinterpret_cast<IUnknown*>(word)->Release();
    }
}

VARTYPE Variant::vt() const {
    if (vt_ == VT_BYREF) {
        const Variant& target = deref();
        // A reference that leads back to a reference (a cycle) reads as an untyped one.
        const bool typed = typedRef_ && target.vt_ != VT_BYREF;
        return static_cast<VARTYPE>(VT_BYREF | (typed ? target.vt_ : VT_VARIANT));
    }
    return vt_;
}

Variant& Variant::deref() {
    Variant* v = this;
    for (int depth = 0; v->vt_ == VT_BYREF && depth < 16; ++depth) {
        v = v->ref_;
    }
    return *v;
}

const Variant& Variant::deref() const {
    return const_cast<Variant*>(this)->deref();
}

std::int64_t Variant::intVal() const {
    if (isInteger(vt_) || vt_ == VT_ERROR) {
        return i_;
    }
    if (vt_ == VT_BOOL) {
        return i_ != 0 ? -1 : 0;
    }
    return 0;
}

double Variant::realVal() const {
    return (vt_ == VT_R4 || vt_ == VT_R8 || vt_ == VT_DATE) ? d_ : 0.0;
}

const std::u16string& Variant::bstr() const {
    return vt_ == VT_BSTR ? *s_ : kEmptyString;
}

const SafeArray* Variant::arrayVal() const {
    return isArray() ? a_ : nullptr;
}
SafeArray* Variant::arrayVal() {
    return isArray() ? a_ : nullptr;
}

std::optional<std::u16string> Variant::asString() const {
    Variant out;
    if (FAILED(VariantChangeType(out, *this, VT_BSTR))) {
        return std::nullopt;
    }
    return out.bstr();
}

std::optional<std::int32_t> Variant::asInt32() const {
    Variant out;
    if (FAILED(VariantChangeType(out, *this, VT_I4))) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(out.intVal());
}

std::optional<double> Variant::asDouble() const {
    Variant out;
    if (FAILED(VariantChangeType(out, *this, VT_R8))) {
        return std::nullopt;
    }
    return out.realVal();
}

std::optional<bool> Variant::asBool() const {
    Variant out;
    if (FAILED(VariantChangeType(out, *this, VT_BOOL))) {
        return std::nullopt;
    }
    return out.boolVal();
}

bool operator==(const Variant& x, const Variant& y) {
    const Variant& a = x.deref();
    const Variant& b = y.deref();
    if (a.vt_ != b.vt_) {
        return false;
    }
    switch (a.vt_) {
        case VT_EMPTY:
        case VT_NULL:
            return true;
        case VT_R4:
        case VT_R8:
        case VT_DATE:
            return a.d_ == b.d_;
        case VT_BSTR:
            return *a.s_ == *b.s_;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return a.unk_ == b.unk_;
        case VT_ARRAY | VT_VARIANT:
            return a.a_->lowerBound == b.a_->lowerBound && a.a_->elements == b.a_->elements;
        default:
            return a.i_ == b.i_;
    }
}

std::string Variant::debugString() const {
    const Variant& v = deref();
    std::string prefix = isByRef() ? "VT_BYREF " : "";
    switch (v.vt_) {
        case VT_EMPTY:
            return prefix + "VT_EMPTY";
        case VT_NULL:
            return prefix + "VT_NULL";
        case VT_BOOL:
            return prefix + (v.boolVal() ? "VT_BOOL true" : "VT_BOOL false");
        case VT_BSTR:
            return prefix + "VT_BSTR \"" + text::utf16ToUtf8(*v.s_) + "\"";
        case VT_R4:
        case VT_R8:
            return prefix + "VT_R8 " + text::utf16ToUtf8(numberText(v.d_));
        case VT_DATE:
            return prefix + "VT_DATE " + text::utf16ToUtf8(dateText(v.d_));
        case VT_DISPATCH:
            return prefix + (v.unk_ != nullptr ? "VT_DISPATCH object" : "VT_DISPATCH nothing");
        case VT_UNKNOWN:
            return prefix + "VT_UNKNOWN";
        case VT_ERROR:
            return prefix + "VT_ERROR " + std::to_string(v.i_);
        case VT_ARRAY | VT_VARIANT: {
            std::string out = prefix + "VT_ARRAY(";
            for (std::size_t i = 0; i < v.a_->elements.size(); ++i) {
                out += (i != 0 ? ", " : "") + v.a_->elements[i].debugString();
            }
            return out + ")";
        }
        default:
            return prefix + "VT_" + std::to_string(v.vt_) + " " + std::to_string(v.i_);
    }
}

// ---- Conversion ------------------------------------------------------------------------------
HRESULT VariantChangeType(Variant& dst, const Variant& source, VARTYPE vt) {
    const Variant& src = source.deref();
    if (vt == VT_VARIANT || vt == src.vt()) {
        Variant copy(src);
        dst = std::move(copy);
        return S_OK;
    }
    if (vt == VT_EMPTY) {
        dst.clear();
        return S_OK;
    }
    if (vt == VT_NULL) {
        if (!src.isEmpty()) {
            return DISP_E_TYPEMISMATCH;
        }
        dst = Variant::null();
        return S_OK;
    }
    if (src.isNull() || src.isArray()) {
        return DISP_E_TYPEMISMATCH;
    }
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        if (src.isEmpty()) {
            dst = vt == VT_DISPATCH ? Variant(static_cast<IDispatch*>(nullptr))
                                    : Variant::unknown(nullptr);
            return S_OK;
        }
        if (!src.isObject()) {
            return DISP_E_TYPEMISMATCH;
        }
        if (vt == VT_UNKNOWN) {
            dst = Variant::unknown(src.unknownVal());
            return S_OK;
        }
        ComPtr<IDispatch> d;
        if (src.unknownVal() == nullptr ||
            FAILED(src.unknownVal()->QueryInterface(IDispatch::iid, d.putVoid()))) {
            return DISP_E_TYPEMISMATCH;
        }
        dst = Variant(d);
        return S_OK;
    }
    if (src.isObject()) {
        // An object converts through its default member.
        IDispatch* d = src.dispatch();
        ComPtr<IDispatch> holder;
        if (d == nullptr && src.unknownVal() != nullptr &&
            SUCCEEDED(src.unknownVal()->QueryInterface(IDispatch::iid, holder.putVoid()))) {
            d = holder.get();
        }
        if (d == nullptr) {
            return DISP_E_TYPEMISMATCH;
        }
        Variant value;
        DispParams none;
        const HRESULT hr =
            d->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, none, &value, nullptr, nullptr);
        if (FAILED(hr) || value.isObject()) {
            return DISP_E_TYPEMISMATCH;
        }
        return VariantChangeType(dst, value, vt);
    }
    if (vt == VT_BSTR) {
        switch (src.vt()) {
            case VT_EMPTY:
                dst = Variant(std::u16string());
                return S_OK;
            case VT_BOOL:
                dst = Variant(std::u16string(src.boolVal() ? u"True" : u"False"));
                return S_OK;
            case VT_R4:
            case VT_R8:
                dst = Variant(numberText(src.realVal()));
                return S_OK;
            case VT_DATE:
                dst = Variant(dateText(src.realVal()));
                return S_OK;
            case VT_UI8:
                dst = Variant(ascii(std::to_string(static_cast<std::uint64_t>(src.intVal()))));
                return S_OK;
            default:
                if (isInteger(src.vt())) {
                    dst = Variant(ascii(std::to_string(src.intVal())));
                    return S_OK;
                }
                return DISP_E_TYPEMISMATCH;
        }
    }
    if (vt == VT_ERROR) {
        return DISP_E_TYPEMISMATCH;
    }
    // Numeric targets: first a double (or an exact integer), then range and rounding.
    double d = 0;
    bool exact = false;
    std::int64_t exactValue = 0;
    if (src.isEmpty()) {
        d = 0;
    } else if (src.vt() == VT_BSTR) {
        if (vt == VT_BOOL && equalsIgnoringCase(src.bstr(), u"true")) {
            dst = Variant(true);
            return S_OK;
        }
        if (vt == VT_BOOL && equalsIgnoringCase(src.bstr(), u"false")) {
            dst = Variant(false);
            return S_OK;
        }
        std::optional<double> n = parseNumber(src.bstr());
        if (!n && vt == VT_DATE) {
            n = parseDate(src.bstr());
        }
        if (!n) {
            return DISP_E_TYPEMISMATCH;
        }
        d = *n;
    } else if (isInteger(src.vt()) || src.vt() == VT_BOOL) {
        exact = true;
        exactValue = src.intVal();
        d = src.vt() == VT_UI8 ? static_cast<double>(static_cast<std::uint64_t>(exactValue))
                               : static_cast<double>(exactValue);
    } else if (isNumeric(src.vt())) {
        d = src.realVal();
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    switch (vt) {
        case VT_BOOL:
            dst = Variant(d != 0);
            return S_OK;
        case VT_R4:
            if (std::fabs(d) > std::numeric_limits<float>::max()) {
                return DISP_E_OVERFLOW;
            }
            dst = Variant(static_cast<float>(d));
            return S_OK;
        case VT_R8:
            dst = Variant(d);
            return S_OK;
        case VT_DATE:
            if (d < -657434.0 || d >= 2958466.0) {
                return DISP_E_OVERFLOW;
            }
            dst = Variant(Date{d});
            return S_OK;
        default:
            break;
    }
    double lo = 0, hi = 0;
    if (!integerRange(vt, lo, hi)) {
        return DISP_E_BADVARTYPE;
    }
    std::int64_t n = 0;
    if (exact && src.vt() != VT_UI8) {
        if (static_cast<double>(exactValue) < lo || static_cast<double>(exactValue) > hi) {
            return DISP_E_OVERFLOW;
        }
        n = exactValue;
    } else {
        const double r = std::nearbyint(d);  // the default rounding mode: half to even
        if (!(r >= lo && r <= hi) || (vt == VT_I8 && r >= 9223372036854775807.0)) {
            return DISP_E_OVERFLOW;
        }
        n = vt == VT_UI8 ? static_cast<std::int64_t>(static_cast<std::uint64_t>(r))
                         : static_cast<std::int64_t>(r);
    }
    switch (vt) {
        case VT_I1:
            dst = Variant(static_cast<std::int8_t>(n));
            break;
        case VT_UI1:
            dst = Variant(static_cast<std::uint8_t>(n));
            break;
        case VT_I2:
            dst = Variant(static_cast<std::int16_t>(n));
            break;
        case VT_UI2:
            dst = Variant(static_cast<std::uint16_t>(n));
            break;
        case VT_I4:
            dst = Variant(static_cast<std::int32_t>(n));
            break;
        case VT_UI4:
            dst = Variant(static_cast<std::uint32_t>(n));
            break;
        case VT_I8:
            dst = Variant(static_cast<std::int64_t>(n));
            break;
        default:
            dst = Variant(static_cast<std::uint64_t>(n));
            break;
    }
    return S_OK;
}

HRESULT storeByRef(Variant& arg, Variant&& value) {
    if (arg.isByRef() && !value.isByRef() &&
        ((arg.vt() & VT_TYPEMASK) == VT_VARIANT || (arg.vt() & ~VT_BYREF) == value.vt())) {
        arg.deref() = std::move(value);
        return S_OK;
    }
    return storeByRef(arg, static_cast<const Variant&>(value));
}

HRESULT storeByRef(Variant& arg, const Variant& value) {
    if (!arg.isByRef()) {
        return S_FALSE;
    }
    Variant& target = arg.deref();
    if ((arg.vt() & VT_TYPEMASK) == VT_VARIANT || (arg.vt() & ~VT_BYREF) == value.deref().vt()) {
        Variant copy(value.deref());
        target = std::move(copy);
        return S_OK;
    }
    Variant converted;
    const HRESULT hr =
        VariantChangeType(converted, value, static_cast<VARTYPE>(arg.vt() & ~VT_BYREF));
    if (FAILED(hr)) {
        return hr;
    }
    target = std::move(converted);
    return S_OK;
}

}  // namespace vnk::com
