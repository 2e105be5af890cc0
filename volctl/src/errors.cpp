#include "volctl/errors.h"

#include <string>

#include "platform/dispatch.h"

namespace volmarra {
namespace {

struct CodeText {
    std::int32_t code;
    std::u16string_view text;
};

// One table of (result code, text) pairs.
constexpr CodeText kTable[] = {
    {0xCE10, u"Exceeds the limit"},
    {0xCE01, u"Invalid name format"},
    {0x00BF, u"Invalid volume name"},
    {0x0203, u"Unable to mount the specified volume"},
    {0x0204, u"Unable to dismount the specified volume"},
    {0x8801, u"Invalid connection"},
    {0x880F, u"No licensed connection to the file server"},
    {0x8814, u"Licensed connection exists"},
    {0x8868, u"Invalid information type"},
    {0x8869, u"Access violation"},
    {0x886B, u"Level mentioned is invalid"},
    {0x8872, u"Invalid owner"},
    {0x897E, u"Boundary checking failed"},
    {0x8980, u"Unable to lock"},
    {0x8981, u"No more file handles to assign"},
    {0x8984, u"No creation privileges"},
    {0x8989, u"Insufficient privileges for the desired operation."},
    {0x898A, u"No delete privileges"},
    {0x898C, u"No sufficient privileges to modify"},
    {0x898D, u"Some files affected in use"},
    {0x898E, u"No files affected in use"},
    {0x898F, u"Some read only files are affected"},
    {0x8990, u"No read only files are affected"},
    {0x8991, u"No write privileges"},
    {0x8994, u"Server out of memory"},
    {0x8996, u"Volume does not exist"},
    {0x8998, u"Volume does not exist"},
    {0x8999, u"Directory full"},
    {0x899B, u"Bad directory handle"},
    {0x899C, u"Invalid path"},
    {0x899E, u"Invalid entry name"},
    {0x899F, u"Diectory in use"},
    {0x89A0, u"Directory is not empty"},
    {0x89A1, u"I/O operation cannot be done"},
    {0x89A8, u"Access denied"},
    {0x89BF, u"Invalid name space"},
    {0x89F0, u"Type of object is not specified"},
    {0x89F1, u"Invalid bindery security"},
    {0x89FB, u"Invalid parameter"},
    {0x89FC, u"No such object available"},
    {0x89FD, u"Bad station found"},
    {0x89FE, u"Trustee not found"},
    {0x89FF, u"Failure"},
    {0xFEB8, u"Context creation error"},
    {0xCE35, u"Invalid entry type"},
    {0xCE36, u"No parent"},
    {-603, u"No such attribute"},
    {0xCE15, u"Control not initialized."},
    {0xCE16, u"A File by this name already exists / the File is not deleted yet."},
    {0xCE17, u"The specified entry could not be found."},
    {0xCE18, u"Incompatible entry name Or different Context/Volume entry."},
    {0xCE19, u"Cannot Move/Copy : The source is a Volume."},
    {0xCE20, u"Cannot Move/Copy : The destination folder is a sub folder of the source folder."},
    {0xCE21, u"Cannot Move/Copy : The source and destination are same."},
    {0xCE22,
     u"Cannot Move : A File/Directory by this name already exists in the destination folder."},
    {0xCE23, u"Not Authenticated to the NDS tree."},
    {0xCE24, u"The owner of this entry might reside in a different context."},
};

}  // namespace

std::u16string_view stringResource(int id) {
    switch (id) {
        case kTextNoLicensedConnection:
            return u"No licensed connection to the file server";
        case 250:
            return u"NDS:";
        case kTextControlName:
            return u"Volmarra Control";
        case kTextPropPageName:
            return u"Volmarra Property Page";
        case kTextServices:
            return u"NetWare Services";
        case kTextServers:
            return u"NetWare Servers";
        case kTextDirectory:
            return u"NetWare Directory Services";
        case kTextCountry:
            return u"Country";
        case kTextLocality:
            return u"Locality";
        case kTextOrganization:
            return u"Organization";
        case kTextUnit:
            return u"Organizational Unit";
        case kTextVolumeClass:
            return u"Volume";
        case kTextUnknownError:
        default:
            return u"NetWare error";
    }
}

std::u16string_view errorText(std::int32_t code) {
    // By the low 16 bits, the code a script sees: a directory-services result such as -328 and
    // its 16-bit form 0xFEB8 name the same error.
    for (const CodeText& e : kTable) {
        if (scriptCode(e.code) == scriptCode(code)) {
            return e.text;
        }
    }
    return stringResource(kTextUnknownError);
}

vnk::win::HRESULT raiseText(std::int32_t result, std::u16string_view text) {
    return vnk::com::raise(scriptCode(result), std::u16string(text), -1);
}

vnk::win::HRESULT raiseResult(std::int32_t result) {
    return raiseText(result, errorText(result));
}

}  // namespace volmarra
