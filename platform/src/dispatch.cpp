// Member selection for Invoke, error information, script-host helpers, type-library listing.
#include "platform/dispatch.h"

#include <cstdio>

#include "platform/text.h"

namespace vnk::com {
namespace {

thread_local std::optional<ExcepInfo> t_errorInfo;

char16_t lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

const MemberInfo* findMember(const InterfaceInfo& info, DISPID id, InvokeKind kind) {
    for (const MemberInfo& m : info.members) {
        if (m.id == id && m.kind == kind) {
            return &m;
        }
    }
    return nullptr;
}

std::string u8(std::u16string_view s) {
    return text::utf16ToUtf8(s);
}

}  // namespace

// ---- Error information
// ----------------------------------------------------------------------------
void SetErrorInfo(const ExcepInfo* info) {
    if (info == nullptr) {
        t_errorInfo.reset();
    } else {
        t_errorInfo = *info;
    }
}

HRESULT GetErrorInfo(ExcepInfo* info) {
    if (!t_errorInfo) {
        return S_FALSE;
    }
    if (info != nullptr) {
        *info = std::move(*t_errorInfo);
    }
    t_errorInfo.reset();
    return S_OK;
}

HRESULT raise(SCODE scode, std::u16string description, std::int32_t helpContext,
              std::u16string source) {
    ExcepInfo e;
    e.scode = scode;
    e.description = std::move(description);
    e.helpContext = helpContext;
    e.source = std::move(source);
    t_errorInfo = std::move(e);
    return FAILED(scode) ? scode : CUSTOM_CTL_SCODE(static_cast<WORD>(scode & 0xFFFF));
}

namespace detail {

void clearErrorInfo() {
    t_errorInfo.reset();
}

// A member failed: the failure travels to Invoke's caller as DISP_E_EXCEPTION, with the error
// information the member raised, or with just its code.
HRESULT thunkFailure(HRESULT hr) {
    if (!t_errorInfo) {
        ExcepInfo e;
        e.scode = hr;
        t_errorInfo = std::move(e);
    }
    return DISP_E_EXCEPTION;
}

}  // namespace detail

// ---- Invoke
// ---------------------------------------------------------------------------------------
DISPID InterfaceInfo::idOfName(std::u16string_view n) const {
    for (const MemberInfo& m : members) {
        if (sameName(m.name, n)) {
            return m.id;
        }
    }
    return DISPID_UNKNOWN;
}

HRESULT idsOfNames(const InterfaceInfo& info, const std::u16string_view* names, unsigned count,
                   DISPID* ids) {
    if (names == nullptr || ids == nullptr || count == 0) {
        return E_INVALIDARG;
    }
    HRESULT hr = S_OK;
    ids[0] = info.idOfName(names[0]);
    if (ids[0] == DISPID_UNKNOWN) {
        hr = DISP_E_UNKNOWNNAME;
    }
    const MemberInfo* member = nullptr;
    for (const MemberInfo& m : info.members) {
        if (m.id == ids[0] && sameName(m.name, names[0])) {
            member = &m;
            break;
        }
    }
    for (unsigned i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (member != nullptr) {
            for (std::size_t p = 0; p < member->params.size(); ++p) {
                if (sameName(member->params[p].name, names[i])) {
                    ids[i] = static_cast<DISPID>(p);
                }
            }
        }
        if (ids[i] == DISPID_UNKNOWN) {
            hr = DISP_E_UNKNOWNNAME;
        }
    }
    return hr;
}

HRESULT invokeMember(const InterfaceInfo& info, void* self, DISPID id, WORD flags,
                     DispParams& params, Variant* result, ExcepInfo* excep, unsigned* argErr) {
    for (DISPID n : params.named) {
        if (n != DISPID_PROPERTYPUT) {
            return DISP_E_NONAMEDARGS;
        }
    }
    const MemberInfo* m = nullptr;
    if ((flags & DISPATCH_PROPERTYPUT) != 0) {
        m = findMember(info, id, InvokeKind::PropertyPut);
        if (m == nullptr) {
            m = findMember(info, id, InvokeKind::PropertyPutRef);
        }
    } else if ((flags & DISPATCH_PROPERTYPUTREF) != 0) {
        m = findMember(info, id, InvokeKind::PropertyPutRef);
        if (m == nullptr) {
            m = findMember(info, id, InvokeKind::PropertyPut);
        }
    } else if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
        // Scripts call methods and read properties with both flags; either member answers.
        m = findMember(info, id, InvokeKind::PropertyGet);
        if (m == nullptr || (flags & DISPATCH_PROPERTYGET) == 0) {
            const MemberInfo* method = findMember(info, id, InvokeKind::Method);
            m = method != nullptr ? method : m;
        }
    } else {
        return E_INVALIDARG;
    }
    if (m == nullptr) {
        if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0 &&
            info.readOnlyRaises && findMember(info, id, InvokeKind::PropertyGet) != nullptr) {
            if (excep != nullptr) {
                *excep = ExcepInfo{};
                excep->scode = CTL_E_SETNOTSUPPORTED;
                excep->description = u"Set not supported (read-only property)";
            }
            return DISP_E_EXCEPTION;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    if (m->invoke == nullptr) {
        return DISP_E_MEMBERNOTFOUND;
    }
    Variant scratch;
    const HRESULT hr = m->invoke(self, params, result != nullptr ? result : &scratch, argErr);
    if (hr == DISP_E_EXCEPTION) {
        ExcepInfo e;
        GetErrorInfo(&e);
        if (excep != nullptr) {
            *excep = std::move(e);
        }
    }
    return hr;
}

// ---- Script host helpers
// ----------------------------------------------------------------------------
HRESULT callByName(IDispatch* obj, std::u16string_view name, WORD flags, std::vector<Variant> args,
                   Variant* result, ExcepInfo* excep, unsigned* argErr) {
    if (obj == nullptr) {
        return E_POINTER;
    }
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = obj->GetIDsOfNames(&name, 1, &id);
    if (FAILED(hr)) {
        return hr;
    }
    const DISPID putId = DISPID_PROPERTYPUT;
    DispParams params{args, {}};
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
        params.named = std::span<const DISPID>(&putId, 1);
    }
    return obj->Invoke(id, flags, params, result, excep, argErr);
}

HRESULT call(IDispatch* obj, std::u16string_view name, std::vector<Variant> args, Variant* result,
             ExcepInfo* excep) {
    return callByName(obj, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), result,
                      excep);
}

HRESULT getProperty(IDispatch* obj, std::u16string_view name, Variant* result, ExcepInfo* excep) {
    return callByName(obj, name, DISPATCH_PROPERTYGET, {}, result, excep);
}

HRESULT putProperty(IDispatch* obj, std::u16string_view name, Variant value, ExcepInfo* excep) {
    std::vector<Variant> args;
    args.push_back(std::move(value));
    return callByName(obj, name, DISPATCH_PROPERTYPUT, std::move(args), nullptr, excep);
}

HRESULT forEach(IDispatch* collection, const std::function<bool(const Variant&)>& fn,
                ExcepInfo* excep) {
    if (collection == nullptr) {
        return E_POINTER;
    }
    Variant e;
    DispParams none;
    HRESULT hr = collection->Invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none,
                                    &e, excep, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IEnumVARIANT> en;
    IUnknown* unk = e.deref().unknownVal();
    if (unk == nullptr || FAILED(unk->QueryInterface(IEnumVARIANT::iid, en.putVoid()))) {
        return DISP_E_TYPEMISMATCH;
    }
    Variant item;
    ULONG got = 0;
    while (en->Next(1, &item, &got) == S_OK && got == 1) {
        if (!fn(item)) {
            break;
        }
        item.clear();
    }
    return S_OK;
}

// ---- Listing ------------------------------------------------------------------------------------
std::string vartypeName(VARTYPE vt) {
    std::string base;
    switch (vt & VT_TYPEMASK) {
        case VT_EMPTY:
            base = "void";
            break;
        case VT_NULL:
            base = "null";
            break;
        case VT_I2:
            base = "short";
            break;
        case VT_I4:
            base = "long";
            break;
        case VT_R4:
            base = "float";
            break;
        case VT_R8:
            base = "double";
            break;
        case VT_DATE:
            base = "DATE";
            break;
        case VT_BSTR:
            base = "BSTR";
            break;
        case VT_DISPATCH:
            base = "IDispatch*";
            break;
        case VT_ERROR:
            base = "SCODE";
            break;
        case VT_BOOL:
            base = "VARIANT_BOOL";
            break;
        case VT_VARIANT:
            base = "VARIANT";
            break;
        case VT_UNKNOWN:
            base = "IUnknown*";
            break;
        case VT_I1:
            base = "char";
            break;
        case VT_UI1:
            base = "unsigned char";
            break;
        case VT_UI2:
            base = "unsigned short";
            break;
        case VT_UI4:
            base = "unsigned long";
            break;
        case VT_I8:
            base = "int64";
            break;
        case VT_UI8:
            base = "uint64";
            break;
        case VT_USERDEFINED:
            base = "enum";
            break;
        default:
            base = "VT_" + std::to_string(vt & VT_TYPEMASK);
            break;
    }
    if ((vt & VT_ARRAY) != 0) {
        base = "SAFEARRAY(" + base + ")";
    }
    if ((vt & VT_BYREF) != 0) {
        base += "*";
    }
    return base;
}

std::string describeTypeLib(const TypeLibInfo& lib) {
    std::string out;
    out += "library " + u8(lib.name) + " " + lib.libid.toString() + " version " +
           std::to_string(lib.major) + "." + std::to_string(lib.minor) + "\n";
    out += "  helpstring \"" + u8(lib.help) + "\"\n";
    for (const auto& imp : lib.imports) {
        out += "  importlib \"" + u8(imp) + "\"\n";
    }
    for (const EnumInfo& e : lib.enums) {
        out += "\n  enum " + u8(e.name) + "  helpstring \"" + u8(e.help) + "\"\n";
        for (const auto& [name, value] : e.values) {
            out += "    " + u8(name) + " = " + std::to_string(value) + "\n";
        }
    }
    for (const InterfaceInfo* i : lib.interfaces) {
        std::string attrs;
        if ((i->flags & TYPEFLAG_FDUAL) != 0) {
            attrs += " dual";
        }
        if ((i->flags & TYPEFLAG_FHIDDEN) != 0) {
            attrs += " hidden";
        }
        if ((i->flags & TYPEFLAG_FNONEXTENSIBLE) != 0) {
            attrs += " nonextensible";
        }
        if ((i->flags & TYPEFLAG_FOLEAUTOMATION) != 0) {
            attrs += " oleautomation";
        }
        out += "\n  interface " + u8(i->name) + " " + i->iid.toString() + attrs + "\n";
        out += "    helpstring \"" + u8(i->help) + "\"\n";
        for (const MemberInfo& m : i->members) {
            const char* kind = m.kind == InvokeKind::Method        ? "method"
                               : m.kind == InvokeKind::PropertyGet ? "propget"
                               : m.kind == InvokeKind::PropertyPut ? "propput"
                                                                   : "propputref";
            out += "    [id(" + std::to_string(m.id) + "), " + kind;
            if ((m.flags & FUNCFLAG_FHIDDEN) != 0) {
                out += ", hidden";
            }
            if ((m.flags & FUNCFLAG_FRESTRICTED) != 0) {
                out += ", restricted";
            }
            out += "] " +
                   (m.resultType == VT_EMPTY ? std::string("void") : vartypeName(m.resultType)) +
                   " " + u8(m.name) + "(";
            for (std::size_t p = 0; p < m.params.size(); ++p) {
                const ParamInfo& pi = m.params[p];
                out += p != 0 ? ", " : "";
                if ((pi.flags & PARAMFLAG_FOPT) != 0) {
                    out += "[optional] ";
                }
                if ((pi.flags & PARAMFLAG_FOUT) != 0) {
                    out += "[in, out] ";
                }
                out += vartypeName(pi.vt) + " " + u8(pi.name);
            }
            out += ")  helpstring \"" + u8(m.help) + "\"\n";
        }
    }
    for (const CoClassInfo& c : lib.coclasses) {
        out += "\n  coclass " + u8(c.name) + " " + c.clsid.toString() +
               ((c.flags & TYPEFLAG_FCONTROL) != 0 ? " control" : "") + "\n";
        out += "    helpstring \"" + u8(c.help) + "\"\n";
        for (const auto& [iface, f] : c.interfaces) {
            out += std::string("    ") + ((f & IMPLTYPEFLAG_FDEFAULT) != 0 ? "[default" : "[") +
                   ((f & IMPLTYPEFLAG_FSOURCE) != 0
                        ? ((f & IMPLTYPEFLAG_FDEFAULT) != 0 ? ", source" : "source")
                        : "") +
                   "] interface " + u8(iface->name) + "\n";
        }
    }
    return out;
}

}  // namespace vnk::com
