#pragma once

// How the 3D view panel asks and tells people (TDXPrompter); the window and tests supply it.

#include <string>

namespace dravo {

enum class TMsgButtons { Ok, YesNo };
enum class TMsgIcon { None, Information, Warning, Question, Error };
enum class TMsgAnswer { Ok, Yes, No };

// Shows the 3D panel's messages and asks its questions; the window supplies it (message boxes owned by the
// panel), tests script the answers.
class TDXPrompter {
 public:
  virtual ~TDXPrompter() = default;
  virtual TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                          TMsgIcon icon) = 0;
};

}  // namespace dravo
