#pragma once

// The demo game's text documents, with Windows line ends as the game's files have them: the stunt
// list, the rider and machine descriptions (.sub), their model configurations (.mcf) and materials.

#include <string>
#include <vector>

namespace dravo::demo {

struct TextDocument {
  std::string entry;  // the archive entry name, e.g. "Data\\Rider\\NoFear6.sub"
  std::string text;
};

std::vector<TextDocument> BuildDocuments();

// The riders and machines the documents describe.
inline constexpr const char* kDefaultRider = "NoFear6.sub";
inline constexpr const char* kDefaultMachine = "MX_S_250_KX2501.sub";

}  // namespace dravo::demo
