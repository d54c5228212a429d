// CP932 (Shift-JIS) byte-string helpers shared by every layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// True when byte `c` starts a double-byte CP932 character.
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The longest prefix of `s` of at most `maxBytes` bytes that ends on a
// character boundary.
std::string CutAtCharBoundary(const std::string& s, std::size_t maxBytes);

// ASCII letters folded to upper case; the trail bytes of double-byte
// characters are left alone (many of them lie in the range 'A'..'Z').
std::string FoldCase(const std::string& s);

// Replaces the first "%s" or "%d" of `pattern` with `arg`.
std::string Format(const std::string& pattern, const std::string& arg);
std::string Format(const std::string& pattern, long long arg);

// Reads an integer as the settings file stores it: optional leading blanks,
// an optional sign, then decimal digits, or hexadecimal digits after "$" or
// after "0x"/"0X". Hexadecimal values up to 0xFFFFFFFF wrap to 32 bits as a
// 32-bit register holds them. Returns false for any other text or a value
// outside 32 bits.
bool ParseInt32(std::string_view text, std::int32_t& value);

}  // namespace vx

namespace vx {

// The file-name part of a path (after the last '\\', '/' or ':'), and the
// path with its extension replaced; both aware of double-byte characters,
// whose trail byte may be a backslash.
std::string ExtractFileName(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// The folder part of a path, without its final backslash unless it is a
// root ("C:\\"); split at the last backslash or colon that is a character.
std::string ExtractFileDir(const std::string& path);

}  // namespace vx
