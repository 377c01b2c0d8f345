#pragma once

// Splitting text into lines the way both INI readers need.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dravo {

// Splits text as the platform's string lists do: up to the first zero byte, lines ending
// at CR, LF or CR LF; empty lines kept; a last line without a break is a line too.
std::vector<std::string> SplitTextLines(std::string_view text);

// Splits text as the game's own reader does, byte by byte: runs of CR and LF are skipped
// before each line, so no empty lines appear inside the text; a stream ending in a break
// yields one empty last line.
std::vector<std::string> SplitKelLines(std::string_view text);

// The index of the line that is exactly "[" + section + "]" (A-Z folded), or -1; the first
// of several.
int FindSectionHeader(const std::vector<std::string>& lines, std::string_view section);

// Writes lines with CR LF breaks, as the game's documents are written.
void SaveLines(const std::vector<std::string>& lines, const std::filesystem::path& path);

// Values are cut to this many characters.
inline constexpr std::size_t kIniValueMax = 256;

}  // namespace dravo
