// Text helpers: the workstation's 8-bit code page, UTF-8 / UTF-16, the "Str" number text and
// twips. All are pure functions (namespace vnk::text).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace vnk::text {

// The workstation's 8-bit code page: the iconv name in VARNOOK_CODEPAGE, else "WINDOWS-1252".
// Read once per process.
VNK_EXPORT const std::string& workstationCodePage();

// Code page <-> UTF-8. Windows-1252 is converted by table (its five unassigned bytes map to
// the C1 controls U+0081, U+008D, U+008F, U+0090, U+009D and back, as Windows does, so every
// byte survives a round trip); any other code page through iconv. A character the code page
// cannot hold becomes "?" (and *lossy is set when given). Bytes that are not UTF-8 pass through
// utf8ToCodePage unchanged, so nothing is dropped.
VNK_EXPORT std::string codePageToUtf8(std::string_view bytes);
VNK_EXPORT std::string utf8ToCodePage(std::string_view utf8, bool* lossy = nullptr);
// The same against a named code page (tests, tools).
VNK_EXPORT std::string codePageToUtf8(std::string_view bytes, std::string_view codePage);
VNK_EXPORT std::string utf8ToCodePage(std::string_view utf8, std::string_view codePage,
                                      bool* lossy = nullptr);

// UTF-8 <-> UTF-16 (the wide strings of the component runtime). Malformed input becomes U+FFFD.
VNK_EXPORT std::u16string utf8ToUtf16(std::string_view utf8);
VNK_EXPORT std::string utf16ToUtf8(std::u16string_view utf16);
VNK_EXPORT bool isValidUtf8(std::string_view bytes);

// Wide string <-> code page, one code unit per byte for the 8-bit code pages (what the ANSI forms
// of Windows calls do).
VNK_EXPORT std::u16string codePageToWide(std::string_view bytes);
VNK_EXPORT std::string wideToCodePage(std::u16string_view wide, bool* lossy = nullptr);

// "Str text": decimal with one leading blank when not negative, a minus sign when negative
// (" 30", "-5", " 0").
VNK_EXPORT std::string strText(std::int64_t n);

// Twips and pixels: one pixel is 1440 / dpi twips. The integer forms round to the nearest,
// halves away from zero.
inline constexpr double twipsPerPixel(int dpi) {
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}
VNK_EXPORT int twipsToPixels(int twips, int dpi);
VNK_EXPORT int pixelsToTwips(int pixels, int dpi);

}  // namespace vnk::text
