#include "editor/trick_gltf.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "formats/png_file.h"

namespace dravo::gltf {

namespace {

constexpr int kFloat = TINYGLTF_COMPONENT_TYPE_FLOAT;

// ===== Writing =====

class Builder {
 public:
  explicit Builder(tinygltf::Model& model) : m_model(model) { m_model.buffers.emplace_back(); }

  // Appends bytes as a buffer view of its own, 4-byte aligned; target 0 for none.
  int View(const void* data, std::size_t bytes, int target = 0) {
    std::vector<unsigned char>& buffer = m_model.buffers[0].data;
    while (buffer.size() % 4 != 0)
      buffer.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.size();
    view.byteLength = bytes;
    view.target = target;
    const auto* from = static_cast<const unsigned char*>(data);
    buffer.insert(buffer.end(), from, from + bytes);
    m_model.bufferViews.push_back(view);
    return static_cast<int>(m_model.bufferViews.size() - 1);
  }

  int Floats(const std::vector<float>& values, int type, int components, bool bounds, int target = 0) {
    tinygltf::Accessor a;
    a.bufferView = View(values.data(), values.size() * sizeof(float), target);
    a.componentType = kFloat;
    a.type = type;
    a.count = values.size() / static_cast<std::size_t>(components);
    if (bounds) {
      a.minValues.assign(static_cast<std::size_t>(components), std::numeric_limits<double>::max());
      a.maxValues.assign(static_cast<std::size_t>(components), std::numeric_limits<double>::lowest());
      for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t c = i % static_cast<std::size_t>(components);
        a.minValues[c] = std::min(a.minValues[c], static_cast<double>(values[i]));
        a.maxValues[c] = std::max(a.maxValues[c], static_cast<double>(values[i]));
      }
    }
    m_model.accessors.push_back(a);
    return static_cast<int>(m_model.accessors.size() - 1);
  }

  template <class T>
  int Integers(const std::vector<T>& values, int componentType, int type, int components, int target) {
    tinygltf::Accessor a;
    a.bufferView = View(values.data(), values.size() * sizeof(T), target);
    a.componentType = componentType;
    a.type = type;
    a.count = values.size() / static_cast<std::size_t>(components);
    m_model.accessors.push_back(a);
    return static_cast<int>(m_model.accessors.size() - 1);
  }

  int Node(const std::string& name) {
    tinygltf::Node node;
    node.name = name;
    m_model.nodes.push_back(node);
    return static_cast<int>(m_model.nodes.size() - 1);
  }

 private:
  tinygltf::Model& m_model;
};

Mat4 LocalOf(const Matrix& world, const Mat4* parentWorld) {
  const Mat4 w = FromGame(world);
  if (!parentWorld) return w;
  Mat4 inverse;
  if (!Invert(*parentWorld, inverse)) return w;
  return w * inverse;
}

void SetTrs(tinygltf::Node& node, const Trs& trs) {
  node.translation.assign(trs.t.begin(), trs.t.end());
  node.rotation.assign(trs.r.begin(), trs.r.end());
  node.scale.assign(trs.s.begin(), trs.s.end());
}

bool Differs(const Trs& a, const Trs& b, bool scaleOnly) {
  const double eps = 1e-6;
  for (int k = 0; k < 3; ++k)
    if (std::fabs(a.s[static_cast<std::size_t>(k)] - b.s[static_cast<std::size_t>(k)]) > eps) return true;
  if (scaleOnly) return false;
  for (int k = 0; k < 3; ++k)
    if (std::fabs(a.t[static_cast<std::size_t>(k)] - b.t[static_cast<std::size_t>(k)]) > eps) return true;
  const double dot = std::fabs(a.r[0] * b.r[0] + a.r[1] * b.r[1] + a.r[2] * b.r[2] + a.r[3] * b.r[3]);
  return dot < 1 - 1e-9;
}

bool HasAlpha(const Image& image, bool& partial) {
  bool any = false;
  partial = false;
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
    const std::uint8_t a = image.rgba[i];
    if (a != 255) any = true;
    if (a != 0 && a != 255) partial = true;
  }
  return any;
}

}  // namespace

void WriteScene(const Scene& scene, const std::filesystem::path& path) {
  const std::string extension = LowerAZ(path.extension().string());
  if (extension != ".glb" && extension != ".gltf")
    throw Error(path.string(), "the file name must end in .glb or .gltf");
  const bool binary = extension == ".glb";

  tinygltf::Model out;
  out.asset.version = "2.0";
  out.asset.generator = "Dravo Kit";
  Builder b(out);

  // Images and materials.
  std::vector<int> textureOfImage;
  for (const Image& image : scene.images) {
    const std::vector<std::uint8_t> png = EncodePngRgba(image.width, image.height, image.rgba);
    tinygltf::Image gi;
    gi.name = image.name;
    gi.mimeType = "image/png";
    gi.bufferView = b.View(png.data(), png.size());
    out.images.push_back(gi);
    tinygltf::Texture texture;
    texture.source = static_cast<int>(out.images.size() - 1);
    texture.sampler = 0;
    out.textures.push_back(texture);
    textureOfImage.push_back(static_cast<int>(out.textures.size() - 1));
  }
  if (!out.textures.empty()) {
    tinygltf::Sampler sampler;
    sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
    sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
    out.samplers.push_back(sampler);
  }
  for (const Material& material : scene.materials) {
    tinygltf::Material gm;
    gm.name = material.name;
    gm.doubleSided = true;  // the game draws both sides of every triangle
    gm.pbrMetallicRoughness.metallicFactor = 0;
    gm.pbrMetallicRoughness.roughnessFactor = 1;
    if (material.image >= 0 && static_cast<std::size_t>(material.image) < scene.images.size()) {
      gm.pbrMetallicRoughness.baseColorTexture.index =
          textureOfImage[static_cast<std::size_t>(material.image)];
      bool partial = false;
      if (HasAlpha(scene.images[static_cast<std::size_t>(material.image)], partial)) {
        gm.alphaMode = partial ? "BLEND" : "MASK";
        if (!partial) gm.alphaCutoff = 0.5;
      }
    }
    out.materials.push_back(gm);
  }

  // The side groups, then each model's joints.
  tinygltf::Scene gs;
  gs.name = scene.name;
  int groups[2] = {-1, -1};
  for (const Model& model : scene.models) {
    if (groups[model.side] >= 0) continue;
    groups[model.side] = b.Node(kSideNames[model.side]);
  }
  for (int side : {kMachine, kRider})
    if (groups[side] >= 0) gs.nodes.push_back(groups[side]);

  const std::size_t frames = static_cast<std::size_t>(std::max(0, scene.frameCount));
  std::vector<std::vector<int>> jointNodes(scene.models.size());
  // Each model's joints' local transforms, per frame.
  std::vector<std::vector<std::vector<Trs>>> locals(scene.models.size());
  for (std::size_t mi = 0; mi < scene.models.size(); ++mi) {
    const Model& model = scene.models[mi];
    const std::size_t bones = model.boneNames.size();
    for (std::size_t bone = 0; bone < bones; ++bone)
      jointNodes[mi].push_back(b.Node(model.boneNames[bone]));
    const bool hung = model.parentModel >= 0 && static_cast<std::size_t>(model.parentModel) < mi &&
                      model.parentBone >= 0 &&
                      static_cast<std::size_t>(model.parentBone) <
                          jointNodes[static_cast<std::size_t>(model.parentModel)].size();
    for (std::size_t bone = 0; bone < bones; ++bone) {
      const std::int32_t parent = model.boneParents[bone];
      const int parentNode = parent >= 0 ? jointNodes[mi][static_cast<std::size_t>(parent)]
                             : hung      ? jointNodes[static_cast<std::size_t>(model.parentModel)]
                                                [static_cast<std::size_t>(model.parentBone)]
                                    : groups[model.side];
      out.nodes[static_cast<std::size_t>(parentNode)].children.push_back(jointNodes[mi][bone]);
    }
    locals[mi].assign(bones, std::vector<Trs>(frames));
    for (std::size_t f = 0; f < frames; ++f) {
      for (std::size_t bone = 0; bone < bones; ++bone) {
        const std::int32_t parent = model.boneParents[bone];
        std::optional<Mat4> parentWorld;
        if (parent >= 0)
          parentWorld = FromGame(model.worlds[f][static_cast<std::size_t>(parent)]);
        else if (hung)
          parentWorld = FromGame(scene.models[static_cast<std::size_t>(model.parentModel)]
                                     .worlds[f][static_cast<std::size_t>(model.parentBone)]);
        const Mat4 local = LocalOf(model.worlds[f][bone], parentWorld ? &*parentWorld : nullptr);
        locals[mi][bone][f] = Decompose(GameToGltf(local));
      }
    }
    for (std::size_t bone = 0; bone < bones && frames > 0; ++bone)
      SetTrs(out.nodes[static_cast<std::size_t>(jointNodes[mi][bone])], locals[mi][bone][0]);
  }

  // Meshes and skins: the mesh stands at the first frame's pose, the joints' inverse bind matrices undo it.
  for (std::size_t mi = 0; mi < scene.models.size() && frames > 0; ++mi) {
    const Model& model = scene.models[mi];
    if (model.vertices.empty() || model.primitives.empty()) continue;
    const std::size_t bones = model.boneNames.size();
    std::vector<Mat4> bind(bones), inverseBind(bones);
    for (std::size_t bone = 0; bone < bones; ++bone) {
      bind[bone] = FromGame(model.worlds[0][bone]);
      if (!Invert(bind[bone], inverseBind[bone])) {
        bind[bone] = Mat4::Identity();
        inverseBind[bone] = Mat4::Identity();
      }
    }
    const bool needsGroupJoint =
        std::any_of(model.vertices.begin(), model.vertices.end(),
                    [&](const Vertex& v) { return v.bone < 0 || static_cast<std::size_t>(v.bone) >= bones; });
    const std::size_t groupJoint = bones;
    std::vector<float> positions, normals, uvs, weights;
    std::vector<std::uint16_t> joints;
    for (const Vertex& v : model.vertices) {
      const bool bound = v.bone >= 0 && static_cast<std::size_t>(v.bone) < bones;
      Vector3 p = v.position, n = v.normal;
      if (bound) {
        const Matrix m = ToGameMatrix(bind[static_cast<std::size_t>(v.bone)]);
        p = TransformCoord(v.position, m);
        n = TransformNormal(v.normal, m);
      }
      const float length = Vec3Length(n);
      n = length > 1e-6f && std::isfinite(length) ? n * (1 / length) : Vec3(0, 1, 0);
      const Vec3d gp = GamePointToGltf({p.x, p.y, p.z});
      const Vec3d gn = GamePointToGltf({n.x, n.y, n.z});
      positions.insert(positions.end(),
                       {static_cast<float>(gp.x), static_cast<float>(gp.y), static_cast<float>(gp.z)});
      normals.insert(normals.end(),
                     {static_cast<float>(gn.x), static_cast<float>(gn.y), static_cast<float>(gn.z)});
      uvs.insert(uvs.end(), {v.u, v.v});
      joints.insert(joints.end(), {static_cast<std::uint16_t>(bound ? v.bone : groupJoint), 0, 0, 0});
      weights.insert(weights.end(), {1, 0, 0, 0});
    }
    tinygltf::Mesh mesh;
    mesh.name = model.name;
    const int position = b.Floats(positions, TINYGLTF_TYPE_VEC3, 3, true, TINYGLTF_TARGET_ARRAY_BUFFER);
    const int normal = b.Floats(normals, TINYGLTF_TYPE_VEC3, 3, false, TINYGLTF_TARGET_ARRAY_BUFFER);
    const int uv = b.Floats(uvs, TINYGLTF_TYPE_VEC2, 2, false, TINYGLTF_TARGET_ARRAY_BUFFER);
    const int joint = b.Integers(joints, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_VEC4, 4,
                                 TINYGLTF_TARGET_ARRAY_BUFFER);
    const int weight = b.Floats(weights, TINYGLTF_TYPE_VEC4, 4, false, TINYGLTF_TARGET_ARRAY_BUFFER);
    for (const Primitive& primitive : model.primitives) {
      if (primitive.triangles.empty()) continue;
      tinygltf::Primitive gp;
      gp.mode = TINYGLTF_MODE_TRIANGLES;
      gp.attributes = {{"POSITION", position},
                       {"NORMAL", normal},
                       {"TEXCOORD_0", uv},
                       {"JOINTS_0", joint},
                       {"WEIGHTS_0", weight}};
      gp.indices = b.Integers(primitive.triangles, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                              1, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
      if (primitive.material >= 0 && static_cast<std::size_t>(primitive.material) < out.materials.size())
        gp.material = primitive.material;
      mesh.primitives.push_back(gp);
    }
    if (mesh.primitives.empty()) continue;
    out.meshes.push_back(mesh);

    tinygltf::Skin skin;
    skin.name = model.name;
    skin.joints = jointNodes[mi];
    std::vector<float> matrices;
    for (std::size_t bone = 0; bone < bones; ++bone) {
      Mat4 g = GameToGltf(inverseBind[bone]);
      // Rounding leaves dust in the last row; a bind matrix is affine.
      g.m[3] = {0, 0, 0, 1};
      for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
          matrices.push_back(static_cast<float>(g.m[r][c]));  // column-major
    }
    if (needsGroupJoint) {
      skin.joints.push_back(groups[model.side]);
      const Mat4 identity = Mat4::Identity();
      for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
          matrices.push_back(static_cast<float>(identity.m[r][c]));
    }
    skin.inverseBindMatrices = b.Floats(matrices, TINYGLTF_TYPE_MAT4, 16, false);
    out.skins.push_back(skin);

    const int meshNode = b.Node(model.name);
    out.nodes[static_cast<std::size_t>(meshNode)].mesh = static_cast<int>(out.meshes.size() - 1);
    out.nodes[static_cast<std::size_t>(meshNode)].skin = static_cast<int>(out.skins.size() - 1);
    gs.nodes.push_back(meshNode);
  }

  // One animation per side: a key per frame for each joint a part drives and each one that moves.
  std::vector<float> times;
  for (std::size_t f = 0; f < frames; ++f)
    times.push_back(static_cast<float>(f / scene.framesPerSecond));
  for (int side : {kRider, kMachine}) {
    tinygltf::Animation animation;
    animation.name = scene.name + " " + LowerAZ(kSideNames[side]);
    int input = -1;
    for (std::size_t mi = 0; mi < scene.models.size(); ++mi) {
      const Model& model = scene.models[mi];
      if (model.side != side) continue;
      for (std::size_t bone = 0; bone < model.boneNames.size(); ++bone) {
        const std::vector<Trs>& keys = locals[mi][bone];
        if (keys.empty()) continue;
        bool moves = false, scales = false;
        for (const Trs& k : keys) {
          moves = moves || Differs(k, keys[0], false);
          scales = scales || Differs(k, keys[0], true);
        }
        if (!moves && !(bone < model.driven.size() && model.driven[bone])) continue;
        if (input < 0) input = b.Floats(times, TINYGLTF_TYPE_SCALAR, 1, true);
        std::vector<float> rotations, translations, scaling;
        std::array<double, 4> previous{0, 0, 0, 1};
        for (std::size_t f = 0; f < keys.size(); ++f) {
          std::array<double, 4> q = keys[f].r;
          // Neighbouring keys on the same side of the sphere, so interpolation takes the short way.
          if (f > 0 && q[0] * previous[0] + q[1] * previous[1] + q[2] * previous[2] + q[3] * previous[3] < 0)
            for (double& v : q)
              v = -v;
          previous = q;
          for (double v : q)
            rotations.push_back(static_cast<float>(v));
          for (double v : keys[f].t)
            translations.push_back(static_cast<float>(v));
          for (double v : keys[f].s)
            scaling.push_back(static_cast<float>(v));
        }
        const auto channel = [&](const std::vector<float>& values, int type, int components,
                                 const char* path) {
          tinygltf::AnimationSampler sampler;
          sampler.input = input;
          sampler.output = b.Floats(values, type, components, false);
          sampler.interpolation = "LINEAR";
          animation.samplers.push_back(sampler);
          tinygltf::AnimationChannel c;
          c.sampler = static_cast<int>(animation.samplers.size() - 1);
          c.target_node = jointNodes[mi][bone];
          c.target_path = path;
          animation.channels.push_back(c);
        };
        channel(rotations, TINYGLTF_TYPE_VEC4, 4, "rotation");
        channel(translations, TINYGLTF_TYPE_VEC3, 3, "translation");
        if (scales) channel(scaling, TINYGLTF_TYPE_VEC3, 3, "scale");
      }
    }
    if (!animation.channels.empty()) out.animations.push_back(animation);
  }

  out.scenes.push_back(gs);
  out.defaultScene = 0;
  out.buffers[0].name = "";
  if (out.buffers[0].data.empty()) out.buffers.clear();

  tinygltf::TinyGLTF writer;
  std::ostringstream stream;
  if (!writer.WriteGltfSceneToStream(&out, stream, !binary, binary))
    throw Error(path.string(), "the glTF writer failed");
  const std::string bytes = stream.str();
  WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

// ===== Reading =====

struct AnimationFile::Channel {
  enum Path { kTranslation, kRotation, kScale } path = kRotation;
  enum Interpolation { kLinear, kStep, kCubic } interpolation = kLinear;
  std::vector<float> times;
  std::vector<float> values;  // components per key, three times that for cubic splines
};

namespace {

// Images are not needed to read an animation: they are neither decoded nor checked.
bool SkipImage(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int,
               void*) {
  return true;
}

std::string FirstLine(std::string text) {
  if (const std::size_t end = text.find('\n'); end != std::string::npos) text.resize(end);
  text = Trim(text);
  return text.empty() ? "not a readable glTF file" : text;
}

int ComponentBytes(int type) {
  switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      return 2;
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
      return 4;
    default:
      return 0;
  }
}

// An accessor's values as floats: every offset checked against its view and buffer, normalised integers
// scaled as glTF says, and every value a number.
std::vector<float> ReadAccessor(const tinygltf::Model& m, int index, int components,
                                const std::string& file) {
  const std::string name = "accessor " + std::to_string(index);
  if (index < 0 || static_cast<std::size_t>(index) >= m.accessors.size())
    throw Error(file, name + " does not exist");
  const tinygltf::Accessor& a = m.accessors[static_cast<std::size_t>(index)];
  if (a.sparse.isSparse) throw Error(file, name + " is sparse, which is not supported");
  const int expectedType = components == 1 ? TINYGLTF_TYPE_SCALAR : components;
  if (a.type != expectedType) throw Error(file, name + " has the wrong type");
  const int bytes = ComponentBytes(a.componentType);
  if (bytes == 0) throw Error(file, name + " has an unsupported component type");
  if (a.componentType != kFloat && !a.normalized)
    throw Error(file, name + " holds integers that are not normalised");
  if (a.bufferView < 0 || static_cast<std::size_t>(a.bufferView) >= m.bufferViews.size())
    throw Error(file, name + " has no buffer view");
  const tinygltf::BufferView& view = m.bufferViews[static_cast<std::size_t>(a.bufferView)];
  if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= m.buffers.size())
    throw Error(file, name + ": its buffer is missing");
  const std::vector<unsigned char>& buffer = m.buffers[static_cast<std::size_t>(view.buffer)].data;
  const std::uint64_t element = std::uint64_t(bytes) * std::uint64_t(components);
  const std::uint64_t stride = view.byteStride ? view.byteStride : element;
  if (stride < element) throw Error(file, name + ": its elements overlap");
  if (std::uint64_t(view.byteOffset) + view.byteLength > buffer.size())
    throw Error(file, name + ": its buffer view runs past the end of its buffer");
  const std::uint64_t count = a.count;
  if (count == 0) throw Error(file, name + " is empty");
  if (count > (std::uint64_t(1) << 32)) throw Error(file, name + " runs past the end of its buffer view");
  if (std::uint64_t(a.byteOffset) + stride * (count - 1) + element > view.byteLength)
    throw Error(file, name + " runs past the end of its buffer view");
  const unsigned char* base = buffer.data() + view.byteOffset + a.byteOffset;
  std::vector<float> out;
  out.reserve(count * static_cast<std::uint64_t>(components));
  for (std::uint64_t i = 0; i < count; ++i) {
    const unsigned char* at = base + i * stride;
    for (int c = 0; c < components; ++c) {
      float v = 0;
      switch (a.componentType) {
        case TINYGLTF_COMPONENT_TYPE_FLOAT:
          std::memcpy(&v, at + c * 4, 4);
          break;
        case TINYGLTF_COMPONENT_TYPE_BYTE:
          v = std::max(static_cast<signed char>(at[c]) / 127.0f, -1.0f);
          break;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
          v = at[c] / 255.0f;
          break;
        case TINYGLTF_COMPONENT_TYPE_SHORT: {
          std::int16_t s;
          std::memcpy(&s, at + c * 2, 2);
          v = std::max(s / 32767.0f, -1.0f);
          break;
        }
        default: {
          std::uint16_t s;
          std::memcpy(&s, at + c * 2, 2);
          v = s / 65535.0f;
          break;
        }
      }
      if (!std::isfinite(v)) throw Error(file, name + " holds a value that is not a number");
      out.push_back(v);
    }
  }
  return out;
}

std::array<double, 4> QuaternionAt(const std::vector<float>& values, std::size_t offset) {
  return NormalizeQuaternion({values[offset], values[offset + 1], values[offset + 2], values[offset + 3]});
}

}  // namespace

AnimationFile::AnimationFile(const std::filesystem::path& path) : m_file(path.string()) {
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const FileError& e) {
    throw Error(m_file, e.problem());
  }
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(SkipImage, nullptr);
  tinygltf::Model model;
  std::string err, warn;
  const std::string baseDir = path.parent_path().string();
  bool loaded = false;
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0) {
    loaded = loader.LoadBinaryFromMemory(&model, &err, &warn, bytes.data(),
                                         static_cast<unsigned int>(bytes.size()), baseDir);
  } else {
    const auto first =
        std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t c) { return !std::isspace(c); });
    if (first == bytes.end() || *first != '{') throw Error(m_file, "not a glTF file");
    loaded = loader.LoadASCIIFromString(&model, &err, &warn, reinterpret_cast<const char*>(bytes.data()),
                                        static_cast<unsigned int>(bytes.size()), baseDir);
  }
  if (!loaded) throw Error(m_file, FirstLine(err));

  const std::size_t nodes = model.nodes.size();
  m_names.resize(nodes);
  m_parents.assign(nodes, -1);
  m_static.assign(nodes, Mat4::Identity());
  m_staticTrs.assign(nodes, Trs{});
  m_hasTrs.assign(nodes, true);
  m_channels.resize(nodes);
  for (std::size_t n = 0; n < nodes; ++n) {
    const tinygltf::Node& node = model.nodes[n];
    m_names[n] = node.name;
    for (int child : node.children) {
      if (child < 0 || static_cast<std::size_t>(child) >= nodes ||
          m_parents[static_cast<std::size_t>(child)] >= 0 || static_cast<std::size_t>(child) == n)
        throw Error(m_file, "its nodes do not form a tree");
      m_parents[static_cast<std::size_t>(child)] = static_cast<std::int32_t>(n);
    }
    Trs& trs = m_staticTrs[n];
    if (node.matrix.size() == 16) {
      for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
          m_static[n].m[r][c] = node.matrix[static_cast<std::size_t>(c * 4 + r)];
      if (!AllFinite(m_static[n]))
        throw Error(m_file, "node " + std::to_string(n) + " holds a value that is not a number");
      m_hasTrs[n] = false;
      trs = Decompose(m_static[n]);
    } else {
      if (node.translation.size() == 3)
        trs.t = {node.translation[0], node.translation[1], node.translation[2]};
      if (node.rotation.size() == 4)
        trs.r = NormalizeQuaternion({node.rotation[0], node.rotation[1], node.rotation[2], node.rotation[3]});
      if (node.scale.size() == 3) trs.s = {node.scale[0], node.scale[1], node.scale[2]};
      m_static[n] = Compose(trs);
      if (!AllFinite(m_static[n]))
        throw Error(m_file, "node " + std::to_string(n) + " holds a value that is not a number");
    }
  }
  // Parents before children; a loop leaves nodes out.
  std::vector<std::vector<std::int32_t>> children(nodes);
  for (std::size_t n = 0; n < nodes; ++n) {
    if (m_parents[n] < 0)
      m_order.push_back(static_cast<std::int32_t>(n));
    else
      children[static_cast<std::size_t>(m_parents[n])].push_back(static_cast<std::int32_t>(n));
  }
  for (std::size_t i = 0; i < m_order.size(); ++i)
    for (std::int32_t child : children[static_cast<std::size_t>(m_order[i])])
      m_order.push_back(child);
  if (m_order.size() != nodes) throw Error(m_file, "its nodes do not form a tree");

  if (model.animations.empty()) throw Error(m_file, "holds no animation");
  std::size_t mostKeys = 0;
  for (const tinygltf::Animation& animation : model.animations) {
    for (const tinygltf::AnimationChannel& c : animation.channels) {
      Channel channel;
      if (c.target_path == "translation")
        channel.path = Channel::kTranslation;
      else if (c.target_path == "rotation")
        channel.path = Channel::kRotation;
      else if (c.target_path == "scale")
        channel.path = Channel::kScale;
      else
        continue;  // morph weights move no bone
      if (c.target_node < 0 || static_cast<std::size_t>(c.target_node) >= nodes)
        throw Error(m_file, "an animation channel targets no node");
      if (!m_hasTrs[static_cast<std::size_t>(c.target_node)])
        throw Error(m_file, "an animation channel targets node " + std::to_string(c.target_node) +
                                ", which gives a matrix");
      if (c.sampler < 0 || static_cast<std::size_t>(c.sampler) >= animation.samplers.size())
        throw Error(m_file, "an animation channel has no sampler");
      const tinygltf::AnimationSampler& sampler = animation.samplers[static_cast<std::size_t>(c.sampler)];
      if (sampler.interpolation == "STEP")
        channel.interpolation = Channel::kStep;
      else if (sampler.interpolation == "CUBICSPLINE")
        channel.interpolation = Channel::kCubic;
      else if (sampler.interpolation == "LINEAR" || sampler.interpolation.empty())
        channel.interpolation = Channel::kLinear;
      else
        throw Error(m_file, "an animation sampler has the unknown interpolation " + sampler.interpolation);
      channel.times = ReadAccessor(model, sampler.input, 1, m_file);
      for (std::size_t k = 1; k < channel.times.size(); ++k)
        if (!(channel.times[k] > channel.times[k - 1]))
          throw Error(m_file,
                      "accessor " + std::to_string(sampler.input) + ": the key times do not increase");
      const int components = channel.path == Channel::kRotation ? 4 : 3;
      channel.values = ReadAccessor(model, sampler.output, components, m_file);
      const std::size_t perKey = std::size_t(components) * (channel.interpolation == Channel::kCubic ? 3 : 1);
      if (channel.values.size() != channel.times.size() * perKey)
        throw Error(m_file,
                    "accessor " + std::to_string(sampler.output) + " does not hold one value per key");
      if (channel.times.size() > mostKeys) {
        mostKeys = channel.times.size();
        m_keyTimes.assign(channel.times.begin(), channel.times.end());
      }
      std::vector<Channel>& list = m_channels[static_cast<std::size_t>(c.target_node)];
      // The first channel for a node's property wins.
      if (std::none_of(list.begin(), list.end(), [&](const Channel& o) { return o.path == channel.path; }))
        list.push_back(std::move(channel));
    }
  }
  for (std::size_t n = 0; n < nodes; ++n)
    if (!m_channels[n].empty()) m_animated.push_back(static_cast<std::int32_t>(n));
  if (m_animated.empty()) throw Error(m_file, "holds no animation");
}

AnimationFile::~AnimationFile() = default;

int AnimationFile::SideOf(std::int32_t node) const {
  for (std::int32_t n = node; n >= 0; n = m_parents[static_cast<std::size_t>(n)]) {
    for (int side : {kRider, kMachine})
      if (SameTextAZ(m_names[static_cast<std::size_t>(n)], kSideNames[side])) return side;
  }
  return -1;
}

std::int32_t AnimationFile::FindNode(const std::string& name, int side) const {
  for (std::size_t n = 0; n < m_names.size(); ++n)
    if (SameTextAZ(m_names[n], name) && (side < 0 || SideOf(static_cast<std::int32_t>(n)) == side))
      return static_cast<std::int32_t>(n);
  return -1;
}

Trs AnimationFile::LocalAt(std::int32_t node, double t) const {
  Trs trs = m_staticTrs[static_cast<std::size_t>(node)];
  for (const Channel& c : m_channels[static_cast<std::size_t>(node)]) {
    const std::size_t components = c.path == Channel::kRotation ? 4 : 3;
    const std::size_t keys = c.times.size();
    const bool cubic = c.interpolation == Channel::kCubic;
    // The value of key k (the middle of a cubic key's three).
    const auto valueAt = [&](std::size_t k) { return (cubic ? 3 * k + 1 : k) * components; };
    std::array<double, 4> v{};
    if (t <= c.times.front() || keys == 1) {
      for (std::size_t i = 0; i < components; ++i)
        v[i] = c.values[valueAt(0) + i];
    } else if (t >= c.times.back()) {
      for (std::size_t i = 0; i < components; ++i)
        v[i] = c.values[valueAt(keys - 1) + i];
    } else {
      // The key before t; compared in double, as t lies strictly between the first and the last key.
      const auto after = std::upper_bound(c.times.begin(), c.times.end(), t,
                                          [](double a, float b) { return a < static_cast<double>(b); });
      const std::size_t k = std::min(
          static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - c.times.begin() - 1, 0)), keys - 2);
      const double t0 = c.times[k], t1 = c.times[k + 1];
      const double s = (t - t0) / (t1 - t0);
      if (c.interpolation == Channel::kStep) {
        for (std::size_t i = 0; i < components; ++i)
          v[i] = c.values[valueAt(k) + i];
      } else if (cubic) {
        const double dt = t1 - t0;
        const double s2 = s * s, s3 = s2 * s;
        const std::size_t p0 = valueAt(k), p1 = valueAt(k + 1);
        const std::size_t out0 = p0 + components, in1 = p1 - components;
        for (std::size_t i = 0; i < components; ++i)
          v[i] = (2 * s3 - 3 * s2 + 1) * c.values[p0 + i] + (s3 - 2 * s2 + s) * dt * c.values[out0 + i] +
                 (-2 * s3 + 3 * s2) * c.values[p1 + i] + (s3 - s2) * dt * c.values[in1 + i];
      } else if (c.path == Channel::kRotation) {
        v = Slerp(QuaternionAt(c.values, valueAt(k)), QuaternionAt(c.values, valueAt(k + 1)), s);
      } else {
        for (std::size_t i = 0; i < components; ++i)
          v[i] = c.values[valueAt(k) + i] + s * (c.values[valueAt(k + 1) + i] - c.values[valueAt(k) + i]);
      }
    }
    switch (c.path) {
      case Channel::kTranslation:
        trs.t = {v[0], v[1], v[2]};
        break;
      case Channel::kRotation:
        trs.r = NormalizeQuaternion(v);
        break;
      case Channel::kScale:
        trs.s = {v[0], v[1], v[2]};
        break;
    }
  }
  return trs;
}

std::vector<Mat4> AnimationFile::WorldsAt(double t) const {
  std::vector<Mat4> worlds(m_names.size());
  for (std::int32_t node : m_order) {
    const auto n = static_cast<std::size_t>(node);
    const Mat4 local = m_channels[n].empty() ? m_static[n] : Compose(LocalAt(node, t));
    worlds[n] = m_parents[n] >= 0 ? worlds[static_cast<std::size_t>(m_parents[n])] * local : local;
  }
  for (Mat4& w : worlds)
    w = GltfToGame(w);
  return worlds;
}

}  // namespace dravo::gltf
