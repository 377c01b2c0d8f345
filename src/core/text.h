#pragma once

// Text helpers: A-Z case folding, trimming, file extensions and the number parsing the old program did.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dravo {

// Names of entries and resources compare with only A-Z folded; every other byte is
// compared as it stands (the game's text is 8-bit).
char LowerAZ(char c);
std::string LowerAZ(std::string_view s);
std::string UpperAZ(std::string_view s);
bool SameTextAZ(std::string_view a, std::string_view b);
// Negative, zero or positive, as bytes compared unsigned after folding; a prefix sorts first.
int CompareTextAZ(std::string_view a, std::string_view b);
// Position of `needle` in `hay` after folding both, or npos. An empty needle is never found.
std::size_t FindTextAZ(std::string_view hay, std::string_view needle);

// Removes blanks and control characters (every byte up to 0x20) from both ends.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// File-name parts. Backslashes separate the game's paths; slashes and drive colons are
// separators too, so host paths split the same way.
bool IsPathDelimiter(char c);
std::string ExtractFileName(std::string_view path);
// Everything up to and including the last separator.
std::string ExtractFilePath(std::string_view path);
// The extension with its dot, or empty.
std::string ExtractFileExt(std::string_view path);
// Replaces the extension (or appends `ext` when there is none); `ext` carries its dot.
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// Integer conversion as the game's tools read numbers: blanks before, an optional sign,
// decimal digits or "$" and hexadecimal digits, nothing after. Out-of-range values fail;
// hexadecimal takes all 32 bits ("$FFFFFFFF" is -1).
std::optional<std::int32_t> StrToInt(std::string_view s);
std::int32_t StrToIntDef(std::string_view s, std::int32_t fallback);

// The program's text is 8-bit. Files that must hold text as Unicode (JSON) store each byte as the
// code point of the same number (Latin-1), so every byte comes back; the file carries
// kEightBitTextKey = kEightBitTextValue to say so.
inline constexpr const char* kEightBitTextKey = "$text";
inline constexpr const char* kEightBitTextValue = "8-bit";
std::string EightBitToUtf8(std::string_view bytes);
// nullopt when the text is not UTF-8 or holds a code point above U+00FF.
std::optional<std::string> Utf8ToEightBit(std::string_view utf8);

// The text with control characters written as \xNN, safe to show on a terminal or in a message.
std::string Printable(std::string_view s);

// printf-style "%s" substitution for the program's fixed message texts.
std::string FormatMessage(std::string_view pattern, std::string_view arg);

}  // namespace dravo
