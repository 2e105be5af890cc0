// Bindery login with an encrypted password (23/23 Get Login Key, 23/24 Keyed Object Login).
//
// A bindery keeps only the 16-byte password hash, salted with the object id. The client asks for
// an 8-byte key and answers with 8 bytes computed from the hash and the key; the server computes
// the same from its stored hash and compares. Passwords are upper-cased by the client before
// hashing, as servers expect; these functions take the bytes as given.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace nw::ncp {

using PasswordHash = std::array<std::uint8_t, 16>;
using LoginKey = std::array<std::uint8_t, 8>;
using LoginAnswer = std::array<std::uint8_t, 8>;

// The hash a bindery stores for (object id, password); the id enters hi-lo.
PasswordHash passwordHash(std::uint32_t objectId, std::string_view password);

// The 8 bytes of 23/24 for the key of 23/23.
LoginAnswer loginAnswer(const PasswordHash& hash, const LoginKey& key);

// Constant-time comparison for the server's check.
bool sameAnswer(const LoginAnswer& a, const LoginAnswer& b);

}  // namespace nw::ncp
