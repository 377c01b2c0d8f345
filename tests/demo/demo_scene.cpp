#include "demo_scene.h"

#include <cmath>
#include <stdexcept>

#include "core/memory_stream.h"
#include "core/text.h"
#include "resources/document_ini.h"

namespace dravo::test {

namespace {

TKelIniFile KelDocument(const DemoGame& game, const std::string& name) {
  const auto bytes = game.Read(name);
  if (!bytes) throw std::runtime_error("no resource " + name);
  MemoryStream stream(*bytes);
  TKelIniFile ini;
  ini.LoadFromStream(stream);
  return ini;
}

DxgFile LoadModel(const DemoGame& game, const std::string& name) {
  const std::string file = ChangeFileExt(Trim(name), ".dxg");
  const auto bytes = game.Read(file);
  if (!bytes) throw std::runtime_error("no model " + file);
  return ParseDxgFile(*bytes);
}

int FindBone(const DxgFile& model, const std::string& placement) {
  const std::string wanted = Trim(LowerAZ(ChangeFileExt(placement, "")));
  for (std::size_t i = 0; i < model.bones.size(); ++i)
    if (LowerAZ(model.bones[i].name) == wanted) return static_cast<int>(i);
  return 0;
}

Matrix RowFourFrom(const Matrix& rotation, const Matrix& local) {
  Matrix r = rotation;
  r[3][0] = local[3][0];
  r[3][1] = local[3][1];
  r[3][2] = local[3][2];
  r[0][3] = r[1][3] = r[2][3] = 0;
  r[3][3] = 1;
  return r;
}

int ProportionalFrame(int frames, int current, int shown) {
  if (frames == shown) return current;
  const double f = std::nearbyint(static_cast<double>(frames) * current / shown);
  return std::min(static_cast<int>(f), frames - 1);
}

}  // namespace

DemoGame::DemoGame(const std::filesystem::path& dir)
    : m_plugIn(std::make_unique<TMvAFilePlugIn>()),
      m_resources(std::make_unique<TRmxResManager>(".sub.dxg.dxm.dxt.mot.mcf")) {
  m_resources->RegisterPlugIn(m_plugIn.get());
  m_resources->Mount((dir / "data" / "common.pak").string(), "Common", false);
  m_resources->Mount((dir / "data" / "tex.pak").string(), "Textures", false);
}

std::optional<std::vector<std::uint8_t>> DemoGame::Read(const std::string& name) const {
  MemoryStream stream;
  if (m_resources->ReadResource(name, stream, true) != 0) return std::nullopt;
  return std::vector<std::uint8_t>(stream.bytes().begin(), stream.bytes().end());
}

ModelSet LoadModelSet(const DemoGame& game, const std::string& subName) {
  const TKelIniFile sub = KelDocument(game, ExtractFileName(subName));
  std::string mcf = Trim(sub.ReadString("Objects", "MCF"));
  if (mcf.empty()) throw std::runtime_error(subName + " names no MCF");
  if (LowerAZ(mcf).find("rider") != std::string::npos) mcf = "m" + mcf;
  const TKelIniFile config = KelDocument(game, mcf);
  ModelSet set;
  set.main.name = ChangeFileExt(config.ReadString("General Info", "SLTfile"), ".dxg");
  set.main.file = LoadModel(game, set.main.name);

  const int start = sub.SectionStart("Material Changes");
  if (start >= 0) {
    for (std::size_t i = static_cast<std::size_t>(start); i < sub.Lines().size(); ++i) {
      const std::string line = Trim(sub.Lines()[i]);
      if (line.empty()) continue;
      if (line[0] == '[') break;
      if (line[0] == ';') continue;
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      set.materialChanges.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)).substr(0, 255));
    }
  }
  const int n = sub.ReadInteger("Objects", "NumberOfSubObjects", 0);
  for (int i = 1; i <= n; ++i) {
    const std::string section = "SubObject" + std::to_string(i);
    PlacedModel a;
    a.name = ChangeFileExt(Trim(sub.ReadString(section, "SLT")), ".dxg");
    a.file = LoadModel(game, a.name);
    a.bone = FindBone(set.main.file, sub.ReadString(section, "Placement").substr(0, 255));
    set.attachments.push_back(std::move(a));
  }
  return set;
}

std::string ChangedMaterial(const ModelSet& set, const std::string& material) {
  const std::string bare = LowerAZ(ChangeFileExt(material, ""));
  for (const auto& [from, to] : set.materialChanges)
    if (LowerAZ(from) == bare) return ChangeFileExt(to, ".dxm");
  return material;
}

std::vector<Trick> Catalogue(const DemoGame& game, int type) {
  std::vector<Trick> out;
  const auto bytes = game.Read("motions.ini");
  if (!bytes) return out;
  MemoryStream stream(*bytes);
  TKelIniFile ini;
  ini.LoadFromStream(stream);
  for (const CatalogueEntry& e : BuildCatalogueEntries(
           ini.Lines(), type, [&](const std::string& file) { return game.Read(file).has_value(); }))
    out.push_back({e.Name, e.Attach});
  return out;
}

TrickMotions LoadTrick(const DemoGame& game, int type, const std::string& trick) {
  TrickMotions t;
  const auto rider = game.Read(NamesFor(type).riderPrefix + trick + ".mot");
  if (!rider) throw std::runtime_error("no rider motion for " + trick);
  t.rider.LoadMotion(*rider);
  t.riderPose = BuildPose(t.rider);
  auto machine = game.Read(NamesFor(type).machinePrefix + trick + ".mot");
  t.hasMachineMotion = machine.has_value();
  if (!machine) machine = game.Read(NamesFor(type).defaultMachineMotion);
  if (machine) {
    t.machine.LoadMotion(*machine);
    t.machinePose = BuildPose(t.machine);
  }
  return t;
}

std::vector<Matrix> BindWorlds(const DxgFile& model) {
  std::vector<Matrix> w(model.bones.size());
  for (std::size_t i = 0; i < model.bones.size(); ++i) {
    const int p = model.bones[i].parent;
    w[i] = p >= 0 && static_cast<std::size_t>(p) < i ? model.bones[i].local * w[static_cast<std::size_t>(p)]
                                                     : model.bones[i].local;
  }
  return w;
}

Posed PoseScene(const ModelSet& rider, const ModelSet& machine, const TrickMotions* trick, bool attached,
                int riderFrame, bool showMachine) {
  Posed out;
  Matrix attach = IdentityMatrix();
  const int shown = trick ? trick->rider.FrameCount() : 0;
  // Machine first: its root is what an attached rider follows.
  const DxgFile& m = machine.main.file;
  out.machineBones.resize(m.bones.size());
  std::vector<Matrix> attachmentMatrix(machine.attachments.size(), IdentityMatrix());
  for (std::size_t i = 0; i < m.bones.size(); ++i) {
    const int parent = m.bones[i].parent;
    const bool hasParent = parent >= 0 && static_cast<std::size_t>(parent) < i;
    Matrix w =
        hasParent ? m.bones[i].local * out.machineBones[static_cast<std::size_t>(parent)] : m.bones[i].local;
    if (trick && trick->hasMachineMotion && i < 60 && shown > 0) {
      const int part = trick->machine.FindPart(m.bones[i].name);
      if (part >= 0 && static_cast<std::size_t>(part) < trick->machinePose.size()) {
        const TMotionPart& mp = trick->machinePose[static_cast<std::size_t>(part)];
        const Matrix& mm = mp.Frames[static_cast<std::size_t>(
            ProportionalFrame(trick->machine.FrameCount(), riderFrame, shown))];
        const Matrix parentWorld =
            hasParent ? out.machineBones[static_cast<std::size_t>(parent)] : IdentityMatrix();
        if (i == 0)
          w = mm;
        else if (mp.HasPosition)
          w = mm * parentWorld;
        else
          w = RowFourFrom(mm, m.bones[i].local) * parentWorld;
      }
    }
    out.machineBones[i] = w;
    for (std::size_t a = 0; a < machine.attachments.size(); ++a)
      if (static_cast<std::size_t>(machine.attachments[a].bone) == i) attachmentMatrix[a] = w;
    if (i == 0) {
      attach = w;
      attach[0][3] = attach[1][3] = attach[2][3] = 0;
      attach[3][3] = 1;
    }
  }
  if (!showMachine) attach = IdentityMatrix();
  for (std::size_t a = 0; a < machine.attachments.size(); ++a) {
    std::vector<Matrix> w = BindWorlds(machine.attachments[a].file);
    // The attachment's root takes the matrix of the first record that holds the same model.
    std::size_t first = a;
    for (std::size_t b = 0; b < a; ++b)
      if (machine.attachments[b].name == machine.attachments[a].name) {
        first = b;
        break;
      }
    if (!w.empty()) w[0] = attachmentMatrix[first];
    for (std::size_t i = 1; i < w.size(); ++i) {
      const int p = machine.attachments[a].file.bones[i].parent;
      if (p >= 0 && static_cast<std::size_t>(p) < i)
        w[i] = machine.attachments[a].file.bones[i].local * w[static_cast<std::size_t>(p)];
    }
    out.attachmentBones.push_back(std::move(w));
  }

  const DxgFile& r = rider.main.file;
  out.riderBones.resize(r.bones.size());
  for (std::size_t i = 0; i < r.bones.size(); ++i) {
    const int parent = r.bones[i].parent;
    Matrix w = parent >= 0 && static_cast<std::size_t>(parent) < i
                   ? r.bones[i].local * out.riderBones[static_cast<std::size_t>(parent)]
                   : r.bones[i].local;
    if (trick && i < 60 && shown > 0) {
      const int part = trick->rider.FindPart(r.bones[i].name);
      if (part >= 0 && static_cast<std::size_t>(part) < trick->riderPose.size())
        w = trick->riderPose[static_cast<std::size_t>(part)].Frames[static_cast<std::size_t>(riderFrame)] * w;
      if (attached && i == 0) w = w * attach;
    }
    out.riderBones[i] = w;
  }
  return out;
}

}  // namespace dravo::test
