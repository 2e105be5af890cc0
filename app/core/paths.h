// Path resolution: drive mapping texts, volume paths and the byte buffers NetWare operations fill.
// All texts here are 8-bit text in the workstation's code page, as the NetWare client uses them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace varnook {

// Splits a drive text of the form "f: [\\SERVER\VOLUME\DIR\SUB]" into the server name and the
// volume path prefix ("VOLUME:\" or "VOLUME:\DIR\SUB\"). Returns 0 when done. A text that is not in
// that bracketed form gives a non-zero result with both outputs empty; nothing outside the text is
// ever read.
int16_t ParsePath(const std::string& UNCPath, std::string& Servername, std::string& FilePath);

// The part of a browser folder path ("F:\DATA\SUB") below its drive root ("DATA\SUB"); empty for
// the root itself.
std::string PathBelowDriveRoot(const std::string& dirPath);

// The volume path of a file: prefix from ParsePath + folder below the drive root + file name.
std::string VolumePathOfFile(const std::string& prefix, const std::string& dirPath,
                             const std::string& fileName);

// The full path of a file in a browser folder: "F:\DATA\name", or "F:\name" in a drive root.
std::string FullFilePath(const std::string& dirPath, const std::string& fileName);

// Copies bytes up to the first NUL (or the end of the buffer).
void ByteArrayToString(std::string& dest, std::span<const uint8_t> src);

// Turns a length-prefixed path (length byte, that many characters, repeated) of count bytes into
// "\COMP1\COMP2". Never reads past the end of src, whatever count and the length bytes say.
void TranslatePath(std::string& dest, std::span<const uint8_t> src, uint8_t count);

// Joins a local folder and a file name with one "/" (none added when the folder ends in "/").
std::string JoinLocal(const std::string& folder, const std::string& name);

// Reads a number the way the "RefNo" column is read: leading blanks skipped, then the digits up to
// the first non-digit. Values beyond 32 bits saturate; no digits give 0.
uint32_t ReadRefNo(const std::string& text);

}  // namespace varnook
