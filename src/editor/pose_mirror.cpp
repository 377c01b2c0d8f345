#include "editor/pose_mirror.h"

#include <cctype>

#include "formats/dxg_model.h"

namespace dravo {

namespace {

bool IsSeparator(char c) {
  return c == ' ' || c == '_' || c == '.' || c == '-';
}

std::string Folded(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// The opposite side's word in the case of `word`.
std::string OtherSide(std::string_view word) {
  const std::string folded = Folded(word);
  std::string other;
  if (folded == "l") other = "r";
  if (folded == "r") other = "l";
  if (folded == "left") other = "right";
  if (folded == "right") other = "left";
  if (other.empty()) return {};
  const bool allUpper = std::isupper(static_cast<unsigned char>(word.back())) != 0;
  const bool firstUpper = std::isupper(static_cast<unsigned char>(word.front())) != 0;
  for (std::size_t i = 0; i < other.size(); ++i)
    if (allUpper || (i == 0 && firstUpper))
      other[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(other[i])));
  return other;
}

Matrix Reflection() {
  Matrix s = IdentityMatrix();
  s[0][0] = -1;
  return s;
}

}  // namespace

std::string MirroredPartName(std::string_view name) {
  std::size_t start = 0;
  while (start < name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end]))
      ++end;
    if (end > start) {
      const std::string other = OtherSide(name.substr(start, end - start));
      if (!other.empty()) return std::string(name.substr(0, start)) + other + std::string(name.substr(end));
    }
    start = end + 1;
  }
  return std::string(name);
}

PoseMirror::PoseMirror(const TPoseTable& parts, const TDXGmodel* model,
                       const std::array<std::uint8_t, 60>& boneParts, bool replacesBone)
    : m_replacesBone(replacesBone) {
  const auto count = static_cast<std::int32_t>(parts.size());
  const Matrix s = Reflection();

  // The bones at rest in the model's space. A parent is looked up only while it is earlier in the
  // walk, so a damaged chain cannot loop.
  const std::int32_t bones = model ? model->BoneCount() : 0;
  std::vector<Matrix> rest(static_cast<std::size_t>(bones), IdentityMatrix());
  std::vector<std::int32_t> parent(static_cast<std::size_t>(bones), -1);
  for (std::int32_t b = 0; b < bones; ++b) {
    const TDXGBone* bone = model->Bone(b);
    const std::int32_t p = bone->Parent;
    rest[static_cast<std::size_t>(b)] = bone->Local;
    if (p >= 0 && p < b) {
      parent[static_cast<std::size_t>(b)] = p;
      rest[static_cast<std::size_t>(b)] = bone->Local * rest[static_cast<std::size_t>(p)];
    }
  }
  // Each bone's mirror image by name.
  std::vector<std::int32_t> mirrorBone(static_cast<std::size_t>(bones));
  for (std::int32_t b = 0; b < bones; ++b) {
    mirrorBone[static_cast<std::size_t>(b)] = b;
    const std::string other = Folded(MirroredPartName(model->Bone(b)->Name));
    for (std::int32_t o = 0; o < bones; ++o)
      if (Folded(model->Bone(o)->Name) == other) {
        mirrorBone[static_cast<std::size_t>(b)] = o;
        break;
      }
  }
  // J: a point in bone b's space, reflected in the model's space, seen from b's mirror bone.
  const auto across = [&](std::int32_t b) {
    if (b < 0) return s;
    return rest[static_cast<std::size_t>(b)] * s *
           AffineInverse(rest[static_cast<std::size_t>(mirrorBone[static_cast<std::size_t>(b)])]);
  };

  std::vector<std::int32_t> boneOf(static_cast<std::size_t>(count), -1);
  for (std::int32_t b = 0; b < bones && b < 60; ++b) {
    const std::uint8_t p = boneParts[static_cast<std::size_t>(b)];
    if (p < count && boneOf[p] < 0) boneOf[p] = b;
  }
  m_partner.resize(static_cast<std::size_t>(count));
  m_across.resize(static_cast<std::size_t>(count));
  m_back.resize(static_cast<std::size_t>(count));
  m_parentAcross.resize(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    m_partner[k] = i;
    const std::string other = Folded(MirroredPartName(parts[k].Name));
    for (std::int32_t j = 0; j < count; ++j)
      if (Folded(parts[static_cast<std::size_t>(j)].Name) == other) {
        m_partner[k] = j;
        break;
      }
    const std::int32_t bone = boneOf[k];
    m_across[k] = across(bone);
    m_back[k] = AffineInverse(m_across[k]);
    // The machine's root replaces the whole world matrix: its "parent" is the model's space.
    const std::int32_t up = bone > 0 ? parent[static_cast<std::size_t>(bone)] : -1;
    m_parentAcross[k] = across(up);
  }
}

Matrix PoseMirror::Mirror(std::int32_t part, const Matrix& pose) const {
  const std::size_t k = static_cast<std::size_t>(part);
  // With J taking the bone's rest space through the plane into its partner's, a pose on top of the
  // bind pose becomes J⁻¹·F·J, and a pose that replaces the bone's own turn becomes J⁻¹·M·Jparent.
  if (m_replacesBone) return m_back[k] * pose * m_parentAcross[k];
  return m_back[k] * pose * m_across[k];
}

}  // namespace dravo
