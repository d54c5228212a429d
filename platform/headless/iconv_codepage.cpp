// CP932 conversions for the headless backend, through glibc's iconv.
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/headless/headless.h"

namespace vx {

namespace {

// Converts with one iconv descriptor; a sequence that cannot be converted
// (or a malformed input) gives `replacement` and the input moves on by one
// character of `inputStep` bytes (two for a UTF-16 surrogate pair).
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    std::size_t (*inputStep)(std::string_view rest)) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("iconv_open ") + from + " -> " + to);
  std::string out;
  char buf[256];
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  while (inLeft > 0) {
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ or EINVAL: this character has no form on the other side.
    const std::size_t step = std::min(inLeft, inputStep(std::string_view(inPtr, inLeft)));
    out += replacement;
    inPtr += step;
    inLeft -= step;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

std::size_t Utf16Step(std::string_view rest) {
  if (rest.size() >= 4) {
    const unsigned hi = static_cast<unsigned char>(rest[0]) | static_cast<unsigned char>(rest[1]) << 8;
    const unsigned lo = static_cast<unsigned char>(rest[2]) | static_cast<unsigned char>(rest[3]) << 8;
    if (hi >= 0xD800 && hi <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF) return 4;
  }
  return 2;
}

std::size_t ByteStep(std::string_view) { return 1; }

}  // namespace

std::string IconvCodePage::Encode(std::u16string_view text) const {
  std::string in;
  for (char16_t c : text) {
    in += static_cast<char>(c & 0xFF);
    in += static_cast<char>(c >> 8);
  }
  return Convert("CP932", "UTF-16LE", in, "?", Utf16Step);
}

std::u16string IconvCodePage::Decode(std::string_view sjis) const {
  const std::string bytes = Convert("UTF-16LE", "CP932", sjis, std::string("\xFD\xFF", 2), ByteStep);
  std::u16string out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  return out;
}

}  // namespace vx
