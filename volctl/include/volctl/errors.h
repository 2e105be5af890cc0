// The control's error convention: every failure that reaches a script is a dispatch exception
// whose code is the 16-bit result (a NetWare completion code or one of the control's own 0xCExx
// codes), whose description comes from the control's string table, and whose help context is -1.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win32.h"

namespace volmarra {

// The control's own codes.
inline constexpr std::int32_t kExceedsLimit = 0xCE10;
inline constexpr std::int32_t kInvalidNameFormat = 0xCE01;
inline constexpr std::int32_t kNotInitialized = 0xCE15;
inline constexpr std::int32_t kFileExists = 0xCE16;
inline constexpr std::int32_t kEntryNotFound = 0xCE17;
inline constexpr std::int32_t kIncompatibleEntry = 0xCE18;
inline constexpr std::int32_t kSourceIsVolume = 0xCE19;
inline constexpr std::int32_t kDestinationInsideSource = 0xCE20;
inline constexpr std::int32_t kSameSourceAndDestination = 0xCE21;
inline constexpr std::int32_t kMoveTargetExists = 0xCE22;
inline constexpr std::int32_t kNotAuthenticated = 0xCE23;
inline constexpr std::int32_t kOwnerElsewhere = 0xCE24;
inline constexpr std::int32_t kInvalidEntryType = 0xCE35;
inline constexpr std::int32_t kNoParent = 0xCE36;
// Clearing the supervisor bit of an inherited rights mask.
inline constexpr std::int32_t kSupervisorMaskFixed = 265;

// NetWare results the objects test or raise themselves.
inline constexpr std::int32_t kNwInvalidConnection = 0x8801;
inline constexpr std::int32_t kNwNameExists = 0x8992;
inline constexpr std::int32_t kNwVolumeDoesNotExist = 0x8998;
inline constexpr std::int32_t kNwInvalidPath = 0x899C;
inline constexpr std::int32_t kNwInvalidEntryName = 0x899E;
inline constexpr std::int32_t kNwInvalidParameter = 0x89FB;
inline constexpr std::int32_t kNwNoSuchObject = 0x89FC;
inline constexpr std::int32_t kNwTrusteeNotFound = 0x89FE;
inline constexpr std::int32_t kNwFailure = 0x89FF;  // also "no more entries" at the end of a scan

// String resources used by number.
inline constexpr int kTextUnknownError = 221;  // "NetWare error"
inline constexpr int kTextNoLicensedConnection = 207;
// The display names of the control and of its property page (registry, about box, page title).
inline constexpr int kTextControlName = 1;
inline constexpr int kTextPropPageName = 2;
// The property page's node texts and the directory object classes it shows.
inline constexpr int kTextServices = 202;
inline constexpr int kTextServers = 203;
inline constexpr int kTextDirectory = 204;
inline constexpr int kTextCountry = 132;
inline constexpr int kTextLocality = 137;
inline constexpr int kTextOrganization = 142;
inline constexpr int kTextUnit = 145;
inline constexpr int kTextVolumeClass = 156;

// Texts used directly, without the table.
inline constexpr std::u16string_view kTextFileNotFound = u"File or directory not found";
inline constexpr std::u16string_view kTextSupervisorMask =
    u"You cannot modify the supervisor flag for a inherited rights mask";
inline constexpr std::u16string_view kTextInvalidDirectory = u"Invalid directory";

// The text of the control's string table for a result code, looked up by its low 16 bits (the
// code a script sees); text 221 for any code the table does not list.
std::u16string_view errorText(std::int32_t code);
// A string resource by number; text 221 for a number without a string.
std::u16string_view stringResource(int id);

// The code a script sees: the low 16 bits of the result.
inline constexpr std::int32_t scriptCode(std::int32_t result) {
    return result & 0xFFFF;
}

// Raises the dispatch exception of a result code with its table text, help context -1.
vnk::win::HRESULT raiseResult(std::int32_t result);
// Raises a result code with a text of the caller's choice, help context -1.
vnk::win::HRESULT raiseText(std::int32_t result, std::u16string_view text);

}  // namespace volmarra
