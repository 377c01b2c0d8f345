#pragma once

// A rider or a machine as the editor shows it: the main model of a ".sub" document, the models
// hung on its bones, and which motion part drives each of its first 60 bones. The rules for
// reading the documents live here; loading through the managers is the editor's.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/maths.h"

namespace dravo {

class TDXGmodel;

struct TAttachment {
  TDXGmodel* Model = nullptr;  // one use of the model manager's entry; none when it did not load
  std::int32_t Bone = 0;       // the bone of the set's model it hangs on
  std::string Placement;       // at most 255 characters
  D3DXMATRIX Matrix{};         // the bone's world matrix in the frame being drawn
};

struct TModelSet {
  static constexpr int kDrivenBones = 60;
  static constexpr std::uint8_t kNoPart = 255;

  TDXGmodel* Model = nullptr;  // one use of the model manager's entry
  std::array<std::uint8_t, kDrivenBones> BoneParts{};
  std::vector<TAttachment> Attachments;

  std::int32_t AttachmentCount() const { return static_cast<std::int32_t>(Attachments.size()); }

  // The set's model, then each attachment's; models that did not load are skipped.
  template <class Visit>
  void ForEachModel(Visit&& visit) const {
    if (Model) visit(Model);
    for (const TAttachment& a : Attachments)
      if (a.Model) visit(a.Model);
  }
};

// The "Material Changes" section of a ".sub" document (its lines as TKelIniFile splits them):
// pairs of lines, material name then replacement.
std::vector<std::string> ReadMaterialChanges(const std::vector<std::string>& lines);
// A model's material name after the changes: the first pair whose left side equals the name
// without its extension (A-Z folded) gives its right side with ".dxm".
std::string ChangedMaterialName(const std::vector<std::string>& changes, std::string_view name);
// The model configuration a ".sub" document names, with the "m" the game puts in front of
// rider configurations.
std::string ModelConfigName(std::string_view mcfValue);
// The index of the first bone named `name` (extension removed, A-Z folded, trimmed); 0 when
// none is, or when there are no bones.
std::int32_t FindBoneByName(const std::vector<std::string>& boneNames, std::string_view name);

}  // namespace dravo
