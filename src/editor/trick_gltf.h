#pragma once

// A trick as a glTF 2.0 scene and back, through tinygltf. Writing: each model (the rider, the machine and
// the models hung on them) becomes a skinned mesh whose joints are its bones, posed per frame as the view
// shows them; the trick is one animation per side (rider, machine) with a rotation and a translation key
// per frame. Reading: any glTF file's animations, sampled as node transforms at chosen times.
//
// Every matrix given to or taken from this module is in the game's convention; gltf_axes.h converts.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/maths.h"
#include "editor/gltf_axes.h"

namespace tinygltf {
class Model;
}

namespace dravo::gltf {

enum Side { kRider = 0, kMachine = 1 };
// The group nodes each side's models hang under; an import finds a node's side by them.
inline constexpr const char* kSideNames[2] = {"Rider", "Machine"};

struct Vertex {
  Vector3 position;  // in the model's own space, as the model file holds it
  Vector3 normal;
  float u = 0, v = 0;
  std::int32_t bone = -1;  // the one bone that moves it; -1 for none (it stays where it was loaded)
};

struct Primitive {
  std::int32_t material = -1;            // index into Scene::materials
  std::vector<std::uint32_t> triangles;  // three vertex indices per triangle
};

// One model as shown: its bones, their posed world matrices per frame, and its mesh.
struct Model {
  std::string name;  // the mesh's name
  Side side = kRider;
  // A model hung on a bone of another (machine attachments): that model's index in Scene::models and
  // the bone; -1 for models under their side's group node.
  std::int32_t parentModel = -1;
  std::int32_t parentBone = -1;
  std::vector<std::string> boneNames;       // the joints' node names
  std::vector<std::int32_t> boneParents;    // -1 for a root; a parent comes before its children
  std::vector<bool> driven;                 // bones a motion part drives get keys whether they move or not
  std::vector<std::vector<Matrix>> worlds;  // [frame][bone]
  std::vector<Vertex> vertices;
  std::vector<Primitive> primitives;
};

struct Image {
  std::string name;
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // rows from the top
};

struct Material {
  std::string name;
  std::int32_t image = -1;  // index into Scene::images; -1: untextured
};

struct Scene {
  std::string name;
  double framesPerSecond = 15;
  std::int32_t frameCount = 0;
  std::vector<Model> models;
  std::vector<Material> materials;
  std::vector<Image> images;
};

// Writes the scene as a binary ".glb" or a JSON ".gltf" with embedded buffers, chosen by the file's
// extension, through an atomic replace. Throws Error for another extension and FileError when it cannot
// be written.
void WriteScene(const Scene& scene, const std::filesystem::path& path);

// A glTF file's nodes and animations. Throws Error(file, what) for anything it cannot use: not glTF, a
// truncated binary, a missing buffer, an accessor out of range, a value that is not a number, no
// animation.
class AnimationFile {
 public:
  explicit AnimationFile(const std::filesystem::path& path);
  ~AnimationFile();
  AnimationFile(const AnimationFile&) = delete;
  AnimationFile& operator=(const AnimationFile&) = delete;

  std::int32_t NodeCount() const { return static_cast<std::int32_t>(m_names.size()); }
  const std::string& NodeName(std::int32_t node) const { return m_names[static_cast<std::size_t>(node)]; }
  // Nodes that a rotation, translation or scale channel animates, in node order.
  const std::vector<std::int32_t>& AnimatedNodes() const { return m_animated; }
  // The side whose group node ("Rider", "Machine") the node lies under; -1 when neither.
  int SideOf(std::int32_t node) const;
  // The first node of that name (A-Z folded) on that side (or on any side for -1); -1 when none.
  std::int32_t FindNode(const std::string& name, int side) const;
  std::int32_t Parent(std::int32_t node) const { return m_parents[static_cast<std::size_t>(node)]; }
  // The times of the animation's keys: those of the channel with the most keys.
  const std::vector<double>& KeyTimes() const { return m_keyTimes; }
  // Every node's world matrix at time t, in the game's convention.
  std::vector<Mat4> WorldsAt(double t) const;

 private:
  struct Channel;
  Trs LocalAt(std::int32_t node, double t) const;

  std::string m_file;
  std::vector<std::string> m_names;
  std::vector<std::int32_t> m_parents;
  std::vector<Mat4> m_static;  // a node's own matrix (glTF convention)
  std::vector<Trs> m_staticTrs;
  std::vector<bool> m_hasTrs;                    // false: the node gives a matrix and has no channels
  std::vector<std::vector<Channel>> m_channels;  // per node
  std::vector<std::int32_t> m_animated;
  std::vector<std::int32_t> m_order;  // parents before children
  std::vector<double> m_keyTimes;
};

}  // namespace dravo::gltf
