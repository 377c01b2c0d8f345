// glTF: the trick out to a 3D package and its animation back. The poses go out exactly as the view
// makes them (PoseBone on every bone, the machine drawn before the rider) and come back through the
// inverse of the same composition.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "core/text.h"
#include "editor/dravo_editor.h"
#include "editor/trick_gltf.h"
#include "formats/dxg_model.h"
#include "render/d3dx_surface.h"

namespace dravo {

namespace {

using gltf::Mat4;

// The first level of a texture as rows of red, green, blue, alpha; false when it cannot be read.
bool ReadTexture(IDirect3DTexture8* texture, gltf::Image& out) {
  D3DSURFACE_DESC desc;
  if (!texture || FAILED(texture->GetLevelDesc(0, &desc)) || desc.Width == 0 || desc.Height == 0)
    return false;
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)) || !locked.pBits) return false;
  std::vector<D3DCOLOR> pixels(std::size_t(desc.Width) * desc.Height);
  const bool decoded = DecodePixels(static_cast<const BYTE*>(locked.pBits), static_cast<UINT>(locked.Pitch),
                                    desc.Format, desc.Width, desc.Height, nullptr, pixels.data());
  texture->UnlockRect(0);
  if (!decoded) return false;
  out.width = static_cast<int>(desc.Width);
  out.height = static_cast<int>(desc.Height);
  out.rgba.resize(pixels.size() * 4);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const D3DCOLOR c = pixels[i];
    out.rgba[i * 4 + 0] = static_cast<std::uint8_t>(c >> 16);
    out.rgba[i * 4 + 1] = static_cast<std::uint8_t>(c >> 8);
    out.rgba[i * 4 + 2] = static_cast<std::uint8_t>(c);
    out.rgba[i * 4 + 3] = static_cast<std::uint8_t>(c >> 24);
  }
  return true;
}

// Materials and their textures, each once.
struct MaterialTable {
  gltf::Scene& scene;
  std::map<const TDXMmaterial*, std::int32_t> materials;
  std::map<IDirect3DTexture8*, std::int32_t> images;

  std::int32_t Of(const TDXMmaterial& material) {
    if (auto found = materials.find(&material); found != materials.end()) return found->second;
    gltf::Material m;
    m.name = EightBitToUtf8(ChangeFileExt(material.Name, ""));
    // The first pass holds the skin; a second one is the mud laid over it.
    const TShaderPass* pass = material.PassCount > 0 ? material.GetPass(0) : nullptr;
    if (IDirect3DTexture8* texture = pass ? pass->Texture.Get() : nullptr) {
      if (auto found = images.find(texture); found != images.end()) {
        m.image = found->second;
      } else {
        gltf::Image image;
        image.name = EightBitToUtf8(ChangeFileExt(pass->TextureMap, ""));
        if (ReadTexture(texture, image)) {
          scene.images.push_back(std::move(image));
          m.image = static_cast<std::int32_t>(scene.images.size() - 1);
        }
        images[texture] = m.image;
      }
    }
    scene.materials.push_back(m);
    return materials[&material] = static_cast<std::int32_t>(scene.materials.size() - 1);
  }
};

// The model's bones and mesh as the scene holds them; the posed matrices are added frame by frame.
gltf::Model DescribeModel(TDXGmodel& model, const std::string& name, const std::string& bonePrefix,
                          gltf::Side side, MaterialTable& materials) {
  gltf::Model out;
  out.name = name;
  out.side = side;
  for (std::int32_t i = 0; i < model.BoneCount(); ++i) {
    const TDXGBone& bone = *model.Bone(i);
    out.boneNames.push_back(bonePrefix + EightBitToUtf8(bone.Name));
    out.boneParents.push_back(bone.Parent >= 0 && bone.Parent < i ? bone.Parent : -1);
  }
  out.driven.assign(out.boneNames.size(), false);

  // Vertices: positions as loaded, normals and coordinates from the vertex buffer, the bone of the slot.
  const std::size_t count =
      std::min(static_cast<std::size_t>(std::max(0, model.VertexCount)), model.Positions.size());
  std::vector<std::uint8_t> vertexBytes;
  if (model.VertexBuffer) {
    D3DVERTEXBUFFER_DESC desc;
    model.VertexBuffer->GetDesc(&desc);
    BYTE* data = nullptr;
    if (SUCCEEDED(model.VertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY)) && data) {
      vertexBytes.assign(data, data + std::min<std::size_t>(desc.Size, count * TDXGmodel::kVertexBytes));
      model.VertexBuffer->Unlock();
    }
  }
  const std::vector<std::uint8_t>& slots = model.VertexBoneSlots();
  for (std::size_t v = 0; v < count; ++v) {
    gltf::Vertex vertex;
    vertex.position = model.Positions[v];
    if ((v + 1) * TDXGmodel::kVertexBytes <= vertexBytes.size()) {
      const std::uint8_t* at = vertexBytes.data() + v * TDXGmodel::kVertexBytes;
      std::memcpy(&vertex.normal, at + 12, 12);
      std::memcpy(&vertex.u, at + 28, 4);
      std::memcpy(&vertex.v, at + 32, 4);
    }
    if (!slots.empty()) {
      const std::uint8_t bone = model.BonePalette()[v < slots.size() ? slots[v] : 0];
      if (bone < model.BoneCount()) vertex.bone = bone;
    }
    out.vertices.push_back(vertex);
  }

  // Each drawn mesh's strip as a list of triangles.
  std::vector<std::uint16_t> indices;
  if (model.IndexBuffer) {
    BYTE* data = nullptr;
    if (SUCCEEDED(model.IndexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY)) && data) {
      indices.resize(model.IndexElementCount);
      std::memcpy(indices.data(), data, indices.size() * 2);
      model.IndexBuffer->Unlock();
    }
  }
  for (std::int32_t i = 0; i < model.MeshCount(); ++i) {
    const TDXGMesh& mesh = *model.GetMesh(i);
    if (!mesh.Material || mesh.Material->PassCount < 1 || mesh.VertexCount == 0 || mesh.IndexCount < 3)
      continue;
    gltf::Primitive primitive;
    primitive.material = materials.Of(*mesh.Material);
    for (std::uint32_t k = 0; k + 2 < mesh.IndexCount; ++k) {
      const std::size_t at = std::size_t(mesh.FirstIndex) + k;
      if (at + 2 >= indices.size()) break;
      std::uint32_t a = indices[at], b = indices[at + 1], c = indices[at + 2];
      if (k % 2 == 1) std::swap(a, b);  // every other triangle of a strip turns the other way
      if (a == b || b == c || a == c) continue;
      if (a >= mesh.VertexCount || b >= mesh.VertexCount || c >= mesh.VertexCount) continue;
      if (mesh.FirstVertex + std::max({a, b, c}) >= count) continue;
      primitive.triangles.insert(primitive.triangles.end(),
                                 {mesh.FirstVertex + a, mesh.FirstVertex + b, mesh.FirstVertex + c});
    }
    if (!primitive.triangles.empty()) out.primitives.push_back(std::move(primitive));
  }
  return out;
}

Mat4 InverseOr(const Mat4& m, const std::string& file, const std::string& what) {
  Mat4 inverse;
  if (!gltf::Invert(m, inverse)) throw Error(file, what + " cannot be undone (its matrix is singular)");
  return inverse;
}

}  // namespace

void TDravoEditor::PoseModelsAt(std::int32_t frame, const std::function<void(const TDXGmodel&)>& visit) {
  const std::int32_t savedFrame = m_playback.currentFrame;
  const int savedPass = RenderPass;
  const int savedAttachment = m_posing.drawingAttachment;
  m_playback.currentFrame = frame;
  // The machine always, whether the view shows it or not: the scene is the trick as the game plays it.
  ForEachModelInPoseOrder(m_chosen.machineSet.Model != nullptr, [&](TDXGmodel& model) {
    model.UpdateBones();
    visit(model);
  });
  m_playback.currentFrame = savedFrame;
  RenderPass = savedPass;
  m_posing.drawingAttachment = savedAttachment;
}

void TDravoEditor::ExportGltf(const std::string& fileName) {
  if (m_trick.frameCount < 1) throw Error(fileName, "the trick has no frames to export");
  gltf::Scene scene;
  scene.name = EightBitToUtf8(ShownTrickName());
  scene.framesPerSecond = std::max(1, m_playback.frameRate);
  scene.frameCount = m_trick.frameCount;
  MaterialTable materials{scene, {}, {}};

  // The models in the order PoseModelsAt visits them.
  std::vector<const TDXGmodel*> order;
  const auto add = [&](TDXGmodel* model, gltf::Model described) {
    if (!model) return;
    order.push_back(model);
    scene.models.push_back(std::move(described));
  };
  const auto drive = [&](gltf::Model& described, const TModelSet& set, std::size_t parts) {
    for (std::size_t b = 0; b < described.driven.size() && b < TModelSet::kDrivenBones; ++b)
      described.driven[b] = set.BoneParts[b] < parts;
  };
  const TModelSet& machine = m_chosen.machineSet;
  const TModelSet& rider = m_chosen.riderSet;
  std::int32_t machineIndex = -1;
  if (machine.Model) {
    gltf::Model m = DescribeModel(*machine.Model, "Machine mesh", "", gltf::kMachine, materials);
    drive(m, machine, m_trick.hasMachineMotion ? m_trick.machineParts.size() : 0);
    machineIndex = 0;
    add(machine.Model, std::move(m));
  }
  for (const TAttachment& a : machine.Attachments) {
    if (!a.Model) continue;
    const std::string placement = EightBitToUtf8(a.Placement);
    gltf::Model m = DescribeModel(*a.Model, placement + " mesh", placement + "/", gltf::kMachine, materials);
    if (machineIndex >= 0 && a.Bone >= 0 && a.Bone < machine.Model->BoneCount()) {
      m.parentModel = machineIndex;
      m.parentBone = a.Bone;
    }
    add(a.Model, std::move(m));
  }
  if (rider.Model) {
    gltf::Model m = DescribeModel(*rider.Model, "Rider mesh", "", gltf::kRider, materials);
    drive(m, rider, m_trick.riderParts.size());
    add(rider.Model, std::move(m));
  }
  for (const TAttachment& a : rider.Attachments) {
    if (!a.Model) continue;
    const std::string placement = EightBitToUtf8(a.Placement);
    add(a.Model, DescribeModel(*a.Model, placement + " mesh", placement + "/", gltf::kRider, materials));
  }
  if (scene.models.empty()) throw Error(fileName, "no rider or machine is loaded");

  for (gltf::Model& m : scene.models)
    m.worlds.resize(static_cast<std::size_t>(scene.frameCount));
  for (std::int32_t f = 0; f < scene.frameCount; ++f) {
    std::size_t next = 0;
    PoseModelsAt(f, [&](const TDXGmodel& model) {
      if (next >= order.size() || order[next] != &model) return;
      std::vector<Matrix>& worlds = scene.models[next++].worlds[static_cast<std::size_t>(f)];
      for (std::int32_t b = 0; b < model.BoneCount(); ++b)
        worlds.push_back(model.Bone(b)->World);
    });
  }
  Repaint();
  gltf::WriteScene(scene, fileName);
}

TDravoEditor::GltfImport TDravoEditor::ImportGltfAnimation(const std::string& fileName, std::int32_t frames) {
  const std::int32_t trickFrames = m_trick.frameCount;
  if (trickFrames < 1) throw Error(fileName, "the trick has no frames to import into");
  if (frames == 0) frames = trickFrames;
  if (frames < 1 || frames > trickFrames)
    throw Error(fileName, "the trick's frames are 1 to " + std::to_string(trickFrames));
  const gltf::AnimationFile file(fileName);

  struct Target {
    gltf::Side side;
    std::int32_t part;
    std::int32_t bone;
    std::int32_t node;
  };
  GltfImport result;
  std::vector<Target> targets;
  for (std::int32_t node : file.AnimatedNodes()) {
    const std::string& name = file.NodeName(node);
    const int hint = file.SideOf(node);
    std::optional<Target> found;
    for (gltf::Side side : {gltf::kRider, gltf::kMachine}) {
      if (found || (hint >= 0 && hint != side)) continue;
      const bool isRider = side == gltf::kRider;
      const TModelSet& set = isRider ? m_chosen.riderSet : m_chosen.machineSet;
      const TMOTfile& motion = isRider ? m_trick.riderMotion : m_trick.machineMotion;
      const TPoseTable& parts = isRider ? m_trick.riderParts : m_trick.machineParts;
      if (!set.Model || (!isRider && !m_trick.hasMachineMotion)) continue;
      const std::optional<std::string> eightBit = Utf8ToEightBit(name);
      const std::int32_t part = eightBit ? motion.FindPart(*eightBit) : -1;
      if (part < 0 || static_cast<std::size_t>(part) >= parts.size() ||
          !parts[static_cast<std::size_t>(part)].Allocated)
        continue;
      const std::int32_t bones = std::min<std::int32_t>(set.Model->BoneCount(), TModelSet::kDrivenBones);
      for (std::int32_t b = 0; b < bones && !found; ++b)
        if (set.BoneParts[static_cast<std::size_t>(b)] == part) found = Target{side, part, b, node};
    }
    const bool twice = found && std::any_of(targets.begin(), targets.end(), [&](const Target& t) {
                         return t.side == found->side && t.part == found->part;
                       });
    if (!found || twice) {
      result.warnings.push_back(found ? "\"" + name + "\" animates a part already taken from another node"
                                      : "\"" + name + "\" names no part of the trick");
      continue;
    }
    targets.push_back(*found);
  }
  if (targets.empty()) throw Error(fileName, "no animated node is named after a part of this trick");

  // Which frames of each side, and the animation's time for each.
  const auto framesOf = [&](gltf::Side side) {
    const TMOTfile& motion = side == gltf::kRider ? m_trick.riderMotion : m_trick.machineMotion;
    const std::int32_t own = motion.FrameCount();
    if (own == trickFrames) return frames;
    return std::clamp<std::int32_t>(
        static_cast<std::int32_t>(std::lround(double(frames) * own / trickFrames)), 1, own);
  };
  const std::vector<double>& keys = file.KeyTimes();
  const auto timeOf = [&](std::int32_t j, std::int32_t n) {
    if (static_cast<std::int32_t>(keys.size()) == n) return keys[static_cast<std::size_t>(j)];
    if (n < 2 || keys.size() < 2) return keys.front();
    return keys.front() + (keys.back() - keys.front()) * j / (n - 1);
  };

  struct Staged {
    TMotionPart* part;
    std::int32_t frame;
    Matrix matrix;
  };
  std::vector<Staged> staged;
  // The node of the bone's parent, whose world the bone's own transform is taken against.
  const auto anchorOf = [&](const TDXGmodel& model, const Target& t) -> std::int32_t {
    const std::int32_t parent = model.Bone(t.bone)->Parent;
    if (parent < 0 || parent >= model.BoneCount()) return -1;
    const std::int32_t node = file.FindNode(EightBitToUtf8(model.Bone(parent)->Name), file.SideOf(t.node));
    return node >= 0 ? node : file.Parent(t.node);
  };
  const auto relative = [&](const std::vector<Mat4>& worlds, const Mat4& world, std::int32_t anchor) {
    return anchor < 0 ? world
                      : world * InverseOr(worlds[static_cast<std::size_t>(anchor)], fileName,
                                          "the parent of \"" + file.NodeName(anchor) + "\"");
  };

  // Every editable frame as it is, to put back whatever happens.
  std::vector<std::pair<TMotionPart*, std::vector<Matrix>>> kept;
  m_trick.ForEachEditablePart(
      [&](TMotionPart& part, std::int32_t) { kept.emplace_back(&part, part.Frames); });
  const auto restore = [&] {
    for (auto& [part, matrices] : kept)
      part->Frames = matrices;
  };

  try {
    // The machine first: the rider's root follows the machine's as the view draws it.
    const TDXGmodel* machine = m_chosen.machineSet.Model;
    const std::int32_t machineFrames = framesOf(gltf::kMachine);
    for (std::int32_t j = 0; j < machineFrames && machine; ++j) {
      const std::vector<Mat4> worlds = file.WorldsAt(timeOf(j, machineFrames));
      for (const Target& t : targets) {
        if (t.side != gltf::kMachine) continue;
        TMotionPart& part = m_trick.machineParts[static_cast<std::size_t>(t.part)];
        if (!HasFrame(part, j)) continue;
        const Mat4& world = worlds[static_cast<std::size_t>(t.node)];
        Mat4 m = t.bone == 0 ? world : relative(worlds, world, anchorOf(*machine, t));
        if (t.bone != 0 && !part.HasPosition) {
          // Only the turn is the motion's; the position it keeps is not shown.
          for (int c = 0; c < 4; ++c)
            m.m[3][c] = part.Frames[static_cast<std::size_t>(j)][3][c];
        }
        staged.push_back({&part, j, gltf::ToGameMatrix(m)});
      }
    }
    for (const Staged& s : staged)
      s.part->Frames[static_cast<std::size_t>(s.frame)] = s.matrix;

    const TDXGmodel* rider = m_chosen.riderSet.Model;
    const std::int32_t riderFrames = framesOf(gltf::kRider);
    const std::int32_t riderOwn = m_trick.riderMotion.FrameCount();
    for (std::int32_t j = 0; j < riderFrames && rider; ++j) {
      const std::vector<Mat4> worlds = file.WorldsAt(timeOf(j, riderFrames));
      Mat4 attach = Mat4::Identity();
      if (m_trick.attachToMachine && !m_trick.riderParts.empty()) {
        const std::int32_t shown =
            riderOwn == trickFrames
                ? j
                : std::clamp<std::int32_t>(
                      static_cast<std::int32_t>(std::lround(double(j) * trickFrames / riderOwn)), 0,
                      trickFrames - 1);
        PoseModelsAt(shown, [](const TDXGmodel&) {});
        attach = gltf::FromGame(m_trick.riderParts[0].AttachMatrix);
      }
      for (const Target& t : targets) {
        if (t.side != gltf::kRider) continue;
        TMotionPart& part = m_trick.riderParts[static_cast<std::size_t>(t.part)];
        if (!HasFrame(part, j)) continue;
        // The view makes F × Local × (parent's world) × (the machine's root, for bone 0 of a rider on it).
        Mat4 m = worlds[static_cast<std::size_t>(t.node)];
        if (t.bone == 0 && m_trick.attachToMachine) m = m * InverseOr(attach, fileName, "the machine's root");
        m = relative(worlds, m, anchorOf(*rider, t));
        m = m * InverseOr(gltf::FromGame(rider->Bone(t.bone)->Local), fileName,
                          "the rest pose of bone \"" + file.NodeName(t.node) + "\"");
        staged.push_back({&part, j, gltf::ToGameMatrix(m)});
      }
    }
    for (const Staged& s : staged)
      for (const auto& row : s.matrix.m)
        for (float v : row)
          if (!std::isfinite(v)) throw Error(fileName, "the animation gives poses that are not numbers");
  } catch (...) {
    restore();
    Repaint();
    throw;
  }

  // One undo step over every frame written.
  restore();
  std::int32_t last = 0;
  for (const Staged& s : staged)
    last = std::max(last, s.frame);
  TakeSnapshot(0, last, "Import glTF animation " + ExtractFileName(fileName));
  for (const Staged& s : staged)
    s.part->Frames[static_cast<std::size_t>(s.frame)] = s.matrix;
  m_marks.MarkModified(ModifiedMarks::Trick);
  result.parts = static_cast<int>(targets.size());
  result.frames = last + 1;
  Changed(changes::Marks);
  Repaint();
  return result;
}

void TDravoEditor::ExportGltfBtnClick() {
  if (m_trick.frameCount < 1) return;
  const std::optional<std::string> name = m_host.ChooseSaveGltf(ShownTrickName() + ".glb");
  if (!name) return;
  Guard([&] {
    ExportGltf(*name);
    SetStatus("Wrote " + ExtractFileName(*name) + ": " + ShownTrickName() + ", " +
              std::to_string(m_trick.frameCount) + " frames");
  });
}

void TDravoEditor::ImportGltfBtnClick() {
  if (m_trick.frameCount < 1) return;
  const std::optional<std::string> name = m_host.ChooseOpenGltf();
  if (!name) return;
  Guard([&] {
    const GltfImport done = ImportGltfAnimation(*name);
    if (!done.warnings.empty()) {
      std::string text = "These animated nodes were left out:";
      for (const std::string& w : done.warnings)
        text += "\n" + w;
      m_host.KelMsgBox(text, "glTF import", false);
    }
    SetStatus("Imported " + ExtractFileName(*name) + ": " + std::to_string(done.parts) + " parts, " +
              std::to_string(done.frames) + " frames");
  });
}

}  // namespace dravo
