// Shift-JIS (CP932) conversions for the headless backend: tables made once
// from glibc's iconv, so that a conversion is a lookup per character, as
// Windows' own code-page tables make it.
#include <iconv.h>

#include <array>
#include <memory>
#include <stdexcept>

#include "platform/headless/headless.h"

namespace vx {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsLead(unsigned c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct Tables {
  std::array<char16_t, 256> single{};          // a single byte's character; 0 where it is none (but byte 0)
  std::array<char16_t, 65536> twoBytes{};      // lead << 8 | trail -> character; 0 where it is none
  std::array<std::uint16_t, 65536> encoded{};  // character -> its bytes (one byte below 0x100); 0 where none

  Tables() {
    iconv_t decode = iconv_open("UTF-16LE", "CP932"), encode = iconv_open("CP932", "UTF-16LE");
    if (decode == reinterpret_cast<iconv_t>(-1) || encode == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("iconv_open CP932");
    // One character converted on its own; 0 when iconv has none.
    auto convert = [](iconv_t cd, const char* in, std::size_t inSize, char* out, std::size_t outSize) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      char* inPtr = const_cast<char*>(in);
      char* outPtr = out;
      std::size_t inLeft = inSize, outLeft = outSize;
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return 0uL;
      return static_cast<unsigned long>(outSize - outLeft);
    };
    auto unitOf = [](const char* u) {
      return static_cast<char16_t>(static_cast<unsigned char>(u[0]) | static_cast<unsigned char>(u[1]) << 8);
    };
    char in[2], out[8];
    for (unsigned b = 0; b < 256; ++b) {
      in[0] = static_cast<char>(b);
      if (!IsLead(b) && convert(decode, in, 1, out, sizeof out) == 2) single[b] = unitOf(out);
      for (unsigned t = 0x40; IsLead(b) && t <= 0xFC; ++t) {
        in[1] = static_cast<char>(t);
        if (convert(decode, in, 2, out, sizeof out) == 2) twoBytes[b << 8 | t] = unitOf(out);
      }
    }
    // Each character's own bytes, as the code page writes it (of
    // duplicates, the one it prefers).
    for (unsigned u = 1; u < 65536; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      const char unit[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
      const unsigned long n = convert(encode, unit, 2, out, sizeof out);
      if (n == 1)
        encoded[u] = static_cast<unsigned char>(out[0]);
      else if (n == 2)
        encoded[u] =
            static_cast<std::uint16_t>(static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]));
    }
    iconv_close(decode);
    iconv_close(encode);
  }
};

const Tables& TheTables() {
  static const std::unique_ptr<Tables> tables = std::make_unique<Tables>();
  return *tables;
}

}  // namespace

IconvCodePage::IconvCodePage() { TheTables(); }

std::string IconvCodePage::Encode(std::u16string_view text) const {
  const Tables& t = TheTables();
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u < 0x80) {
      out += static_cast<char>(u);
      continue;
    }
    // A pair of surrogates is one character without a form: one '?'.
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
    const std::uint16_t code = t.encoded[u];
    if (code == 0) {
      out += '?';
    } else if (code < 0x100) {
      out += static_cast<char>(code);
    } else {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    }
  }
  return out;
}

std::u16string IconvCodePage::Decode(std::string_view sjis) const {
  const Tables& t = TheTables();
  std::u16string out;
  out.reserve(sjis.size());
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    const unsigned b = static_cast<unsigned char>(sjis[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
    } else if (IsLead(b) && i + 1 < sjis.size() && t.twoBytes[b << 8 | static_cast<unsigned char>(sjis[i + 1])]) {
      out += t.twoBytes[b << 8 | static_cast<unsigned char>(sjis[++i])];
    } else {
      // A byte that starts nothing, alone, is no character.
      out += t.single[b] ? t.single[b] : kReplacement;
    }
  }
  return out;
}

}  // namespace vx
