#pragma once

// Test-side reading of the demo game: the two archives mounted as the program mounts them, and a small
// assembly of riders and machines by the documented rules (model sets, material changes, attachments,
// trick motions and posing), enough to check what the generator made and to draw it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/maths.h"
#include "editor/trick_names.h"
#include "formats/dxg_file.h"
#include "motion/mot_file.h"
#include "motion/motion_pose.h"
#include "resources/pak_plugin.h"
#include "resources/resource_manager.h"

namespace dravo::test {

class DemoGame {
 public:
  explicit DemoGame(const std::filesystem::path& dir);
  // The resource's bytes (Common before Textures), or none.
  std::optional<std::vector<std::uint8_t>> Read(const std::string& name) const;
  TRmxResManager& Resources() { return *m_resources; }

 private:
  std::unique_ptr<TMvAFilePlugIn> m_plugIn;
  std::unique_ptr<TRmxResManager> m_resources;
};

struct LoadedMaterial {
  std::string name;
  int passes = 0;
  std::vector<std::string> textures;  // the resource names that loaded, per pass
};

struct PlacedModel {
  std::string name;
  DxgFile file;
  int bone = 0;  // for attachments: the main model's bone it hangs on
};

struct ModelSet {
  PlacedModel main;
  std::vector<PlacedModel> attachments;
  std::vector<std::pair<std::string, std::string>> materialChanges;
};

// Loads a rider or machine document by the model-set rules; throws std::runtime_error naming what is
// missing.
ModelSet LoadModelSet(const DemoGame& game, const std::string& subName);
// The material name a model asks for after the set's material changes.
std::string ChangedMaterial(const ModelSet& set, const std::string& material);

struct Trick {
  std::string name;
  bool attached = false;
};
// The catalogue for a machine type, as the editor builds it from motions.ini. Machine types (0 motocross,
// 1 ATV, 2 freestyle) come from the editor's MachineTypeOf.
std::vector<Trick> Catalogue(const DemoGame& game, int machineType);

// A trick's motions as the editor loads them.
struct TrickMotions {
  TMOTfile rider, machine;
  TPoseTable riderPose, machinePose;
  bool hasMachineMotion = false;
};
TrickMotions LoadTrick(const DemoGame& game, int machineType, const std::string& trick);

// Bone world matrices of a model in one frame, as posing does it.
struct Posed {
  std::vector<Matrix> riderBones, machineBones;
  std::vector<std::vector<Matrix>> attachmentBones;
};
Posed PoseScene(const ModelSet& rider, const ModelSet& machine, const TrickMotions* trick, bool attached,
                int riderFrame, bool showMachine = true);
// Bind pose (no motion) of one model.
std::vector<Matrix> BindWorlds(const DxgFile& model);

}  // namespace dravo::test
