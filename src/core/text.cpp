#include "core/text.h"

#include <algorithm>

namespace dravo {

char LowerAZ(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

std::string LowerAZ(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = LowerAZ(c);
  return out;
}

std::string UpperAZ(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  return out;
}

bool SameTextAZ(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAZ(a[i]) != LowerAZ(b[i])) return false;
  return true;
}

int CompareTextAZ(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(LowerAZ(a[i]));
    const auto cb = static_cast<unsigned char>(LowerAZ(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::size_t FindTextAZ(std::string_view hay, std::string_view needle) {
  if (needle.empty() || needle.size() > hay.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    std::size_t j = 0;
    while (j < needle.size() && LowerAZ(hay[i + j]) == LowerAZ(needle[j]))
      ++j;
    if (j == needle.size()) return i;
  }
  return std::string_view::npos;
}

namespace {
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}
}  // namespace

std::string TrimLeft(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b]))
    ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1]))
    --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
  return TrimLeft(TrimRight(s));
}

bool IsPathDelimiter(char c) {
  return c == '\\' || c == '/' || c == ':';
}

namespace {
std::size_t NameStart(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsPathDelimiter(path[i - 1]))
    --i;
  return i;
}
// Position of the extension's dot within the file-name part, or npos.
std::size_t ExtStart(std::string_view path) {
  const std::size_t start = NameStart(path);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < start) return std::string_view::npos;
  return dot;
}
}  // namespace

std::string ExtractFileName(std::string_view path) {
  return std::string(path.substr(NameStart(path)));
}
std::string ExtractFilePath(std::string_view path) {
  return std::string(path.substr(0, NameStart(path)));
}

std::string ExtractFileExt(std::string_view path) {
  const std::size_t dot = ExtStart(path);
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  const std::size_t dot = ExtStart(path);
  std::string out(dot == std::string_view::npos ? path : path.substr(0, dot));
  out += ext;
  return out;
}

std::optional<std::int32_t> StrToInt(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ')
    ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const bool hex = i < s.size() && s[i] == '$';
  if (hex) ++i;
  if (i >= s.size()) return std::nullopt;
  std::uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    auto bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }
  if (negative) {
    if (value > 2147483648ull) return std::nullopt;
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
  }
  if (value > 2147483647ull) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::int32_t StrToIntDef(std::string_view s, std::int32_t fallback) {
  return StrToInt(s).value_or(fallback);
}

std::string FormatMessage(std::string_view pattern, std::string_view arg) {
  std::string out;
  const std::size_t at = pattern.find("%s");
  if (at == std::string_view::npos) return std::string(pattern);
  out.append(pattern.substr(0, at));
  out.append(arg);
  out.append(pattern.substr(at + 2));
  return out;
}

std::string Printable(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string EightBitToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> Utf8ToEightBit(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      out += utf8[i];
    } else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      out += static_cast<char>(((byte & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      return std::nullopt;
    }
  }
  return out;
}

}  // namespace dravo
