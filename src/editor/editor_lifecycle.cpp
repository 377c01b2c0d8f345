// Start-up, show, close and release of the editor, the options, the version check and the
// resolution choice.
#include <algorithm>
#include <exception>
#include <stdexcept>

#include "core/text.h"
#include "editor/dravo_editor.h"
#include "editor/view_rules.h"
#include "formats/dxg_model.h"
#include "formats/model_manager.h"
#include "formats/model_plugin.h"
#include "formats/texture_manager.h"
#include "formats/texture_plugin.h"

namespace dravo {

namespace {

constexpr TColor kWhite = 16777215;
constexpr const char* kUnsavedText =
    "You have modified tricks or textures that haven't been saved. Do you want to save them?";
constexpr const char* kUnsavedCaption = "Unsaved Tricks/Textures Warning";

}  // namespace

TDravoEditor::TDravoEditor(EditorConfig config, TVellDXPanel& panel, EditorHost& host)
    : m_config(std::move(config)),
      m_panel(panel),
      m_host(host),
      m_options(m_config.optionsFile),
      m_transfer(host) {
  m_marks.setOnChange([this](std::uint32_t) { Changed(changes::Marks); });
  m_playback.keyFrameBar.Margin = 7;
}

TDravoEditor::~TDravoEditor() {
  FormDestroy();
}

std::string TDravoEditor::ShownTrickName() const {
  return m_trick.name.empty() ? std::string() : ChangeFileExt(m_trick.name, "");
}

std::string TDravoEditor::WindowTitle() const {
  const std::string name = ShownTrickName();
  if (name.empty()) return "Dravo Kit";
  return name + (m_marks.any() ? "*" : "") + " \u2014 Dravo Kit";
}

void TDravoEditor::SetStatus(std::string text) {
  m_statusText = std::move(text);
  Changed(changes::Status);
}

void TDravoEditor::Changed(std::uint32_t what) {
  if (OnChange) OnChange(what);
}

void TDravoEditor::Repaint() {
  m_host.RepaintView();
}

bool TDravoEditor::Guard(const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (const std::exception& e) {
    m_host.ShowError(e.what());
    return false;
  }
}

TRmxResManager* TDravoEditor::Resources() {
  return m_resources ? &m_resources->manager() : nullptr;
}

StartupResult TDravoEditor::FormCreate() {
  m_startup = StartupResult::Terminated;
  m_resources = std::make_unique<GameResources>();
  TRmxResManager& resources = m_resources->manager();
  m_textures = std::make_unique<TRmxGfxManager>(&resources);
  m_models = std::make_unique<TRmxObjectManager>(&resources);
  m_textures->OnLoadStream = [this](const std::string& name, std::unique_ptr<MemoryStream>& stream) {
    return FindOwnTexture(name, stream);
  };
  m_models->OnModelCreated = [this](TRmxObjectManager&, TDXGmodel& model) { ModelCreated(model); };
  m_textures->RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(&m_panel));
  m_models->RegisterPlugIn(
      std::make_unique<TMvAObjPlugIn>(*m_models, &m_panel, TMaterialServices{&resources, m_textures.get()}));

  const bool found = m_config.gameFolder.empty() ? LocateGame(resources, m_config.gameSearch, m_gameFolder)
                                                 : HoldsGame(m_config.gameFolder);
  if (found && !m_config.gameFolder.empty()) {
    m_gameFolder = m_config.gameFolder;
    MountGameArchives(resources, m_gameFolder);
  }
  if (!found) {
    m_host.PlatformMessageBox(kGameNotFoundText, kGameNotFoundCaption, TMsgIcon::None);
    return m_startup;
  }

  LoadOptions();
  WireModeClick(m_view.wireMode);
  LightClick(m_view.lighting);
  TransparentClick(m_view.transparent);
  FrameRateEditChange(m_playback.frameRate);

  m_panel.OnResolutionCheck = [this](TVellDXPanel&, DWORD& width, DWORD& height, DWORD&) {
    DXPanelResolutionCheck(width, height);
  };
  m_panel.OnAfterRender = [this](TVellDXPanel&) { DXPanelAfterRender(); };
  m_panel.Initialise();
  if (!m_panel.Initialised()) {
    // The panel has said why; the window opens with an empty view.
    m_startup = StartupResult::NoDevice;
    Changed(changes::All);
    return m_startup;
  }

  m_panel.AddLight(kWhite, D3DLIGHT_DIRECTIONAL, Vec3(0, 10, 0), Vec3(0, -1, 0));
  m_panel.AddLight(kWhite, D3DLIGHT_POINT, Vec3(0, 10, 0), Vec3(0, -1, 0));
  m_panel.SetAmbientLight(kWhite);
  m_panel.SetColor(m_view.backgroundColor);
  m_panel.InitialiseBeforeRender = false;
  m_panel.FieldOfView = kPi / 3;
  m_panel.UseLights = m_view.lighting;
  // The last run's camera, or the front view.
  const Camera camera = m_startCamera.value_or(Camera{ViewPresetMatrix(kFrontView, std::nullopt)});
  m_view.sceneMatrix = camera.scene;
  m_panel.SetEye(Vec3(camera.eyeX, camera.eyeY, -m_view.EyeDistance()));

  try {
    m_ownArchive = OpenOwnArchive(m_gameFolder);
    const bool machine = LoadMachine(m_chosen.lastMachine);
    const bool rider = LoadRider(m_chosen.lastRider);
    m_chosen.machineLoaded = machine;
    m_chosen.riderLoaded = rider;
    FillTextureList();
    BuildCatalogue();
    // The last run's trick, if this machine's list still offers it; else the first.
    if (!m_catalogue.entries.empty()) {
      m_catalogue.index = 0;
      for (std::size_t i = 0; i < m_catalogue.entries.size(); ++i) {
        if (SameTextAZ(m_catalogue.entries[i].Name + ".mot", m_trick.name)) {
          m_catalogue.index = static_cast<int>(i);
          break;
        }
      }
      MOTSelectBoxChange();
    }
    FillModelLists();
    m_posing.axes = {1, 0, 2, 1};
    m_panel.RenderEnabled = rider || machine;
    if (!rider || !machine) {
      m_host.PlatformMessageBox(kModelsText, kModelsCaption, TMsgIcon::Information);
      return m_startup;
    }
    // Models but no trick to show: the game's stunt list is missing or offers nothing.
    if (m_catalogue.entries.empty()) throw std::runtime_error("motions.ini offers no trick for this machine");
  } catch (const std::exception&) {
    m_host.PlatformMessageBox(kCorruptText, kCorruptCaption, TMsgIcon::Information);
    return m_startup;
  }
  m_startup = StartupResult::Running;
  Changed(changes::All);
  return m_startup;
}

void TDravoEditor::FormShow() {
  Guard([&] { CheckVersion(); });
  m_startResolution = m_panel.ListDisplayModes(m_resolutions);
  m_resolutionIndex = m_startResolution;
  if (m_trick.fileName.empty()) m_trick.fileName = "nacnac.mot";
  Guard([&] { LoadTrick(m_trick.fileName); });
  m_versionLabel = std::string("v") + kVersion;
  Changed(changes::All);
  Repaint();
}

bool TDravoEditor::FormClose() {
  bool saved = true;
  if (m_marks.any()) {
    const SaveChoice choice = m_host.AskToSave(kUnsavedText, kUnsavedCaption);
    // Cancel: the window stays open and nothing is written.
    if (choice == SaveChoice::Cancel) return false;
    if (choice == SaveChoice::Save) {
      if (m_marks.value() & ModifiedMarks::Trick) saved = InstallTrick() && saved;
      if (m_marks.value() & ModifiedMarks::Textures) saved = SaveTextures() && saved;
    }
  }
  // A save the user asked for did not happen: staying open keeps the work.
  if (!saved) return false;
  Guard([&] { SaveOptions(); });
  return true;
}

void TDravoEditor::FormDestroy() {
  if (m_destroyed) return;
  m_destroyed = true;
  // The panel outlives us: it must not call back into a released editor.
  m_panel.OnAfterRender = nullptr;
  m_panel.OnResolutionCheck = nullptr;
  m_panel.RenderEnabled = false;
  if (m_playback.timerEnabled || m_view.joystickTimerEnabled) {
    m_playback.timerEnabled = m_view.joystickTimerEnabled = false;
    SetTimers();
  }
  m_chosen.materialChanges.clear();
  m_trick.riderParts.clear();
  m_trick.machineParts.clear();
  m_trick.riderMotion.clear();
  m_trick.machineMotion.clear();
  m_textureRows.clear();
  if (m_models) {
    ReleaseModelSet(m_chosen.riderSet);
    ReleaseModelSet(m_chosen.machineSet);
  }
  m_ownArchive.reset();
  m_models.reset();
  m_textures.reset();
  m_resources.reset();
}

void TDravoEditor::LoadOptions() {
  namespace o = options;
  m_trick.fileName = m_options.ReadString(o::LastFile, "");
  m_trick.name = m_options.ReadString(o::LastTrick, o::DefaultLastTrick);
  m_view.wireMode = m_options.ReadBool(o::WireMode, false);
  m_view.backgroundColor = static_cast<TColor>(m_options.ReadInteger(o::Color, o::DefaultColor));
  // The numeric fields and track bars keep their values inside their ranges.
  m_view.gifSize = std::clamp(m_options.ReadInteger(o::Size, o::DefaultSize), kGifMinSize, kGifMaxSize);
  m_view.lighting = m_options.ReadBool(o::Lighting, true);
  m_view.transparent = m_options.ReadBool(o::Transparent, true);
  m_view.gifOptimize = m_options.ReadBool(o::GifOptimize, false);
  m_tweenMode = static_cast<TweenMode>(std::clamp(m_options.ReadInteger(o::TweenMode, 0), 0, 2));
  m_view.onionSkin = m_options.ReadBool(o::OnionSkin, false);
  m_view.onionBefore = std::clamp(m_options.ReadInteger(o::OnionBefore, kOnionDefaultFrames), kOnionMinFrames,
                                  kOnionMaxFrames);
  m_view.onionAfter =
      std::clamp(m_options.ReadInteger(o::OnionAfter, kOnionDefaultFrames), kOnionMinFrames, kOnionMaxFrames);
  m_playback.frameRate =
      std::clamp(m_options.ReadInteger(o::Fps, o::DefaultFps), kMinFramesPerSecond, kMaxFramesPerSecond);
  m_view.showBike = m_options.ReadBool(o::ShowBike, true);
  m_commonPak = m_options.ReadBool(o::CommonPak, true);
  m_chosen.lastRider = m_options.ReadString(o::LastRider, o::DefaultLastRider);
  m_chosen.lastMachine = m_options.ReadString(o::LastMachine, o::DefaultLastMachine);
  if (m_chosen.lastRider.empty()) m_chosen.lastRider = o::DefaultLastRider;
  if (m_chosen.lastMachine.empty()) m_chosen.lastMachine = o::DefaultLastMachine;
  const std::int32_t rollouts = m_options.ReadInteger(o::Rollouts, o::DefaultRollouts);
  m_rollouts = {(rollouts & 1) != 0, (rollouts & 2) != 0, (rollouts & 4) != 0};
  m_view.mudColor = static_cast<TColor>(m_options.ReadInteger(o::MudColor, o::DefaultMudColor));
  m_view.mudScale = std::clamp(m_options.ReadInteger(o::MudScale, o::DefaultMudScale), 0, 255);
  m_resWidth = m_options.ReadInteger(o::ResWidth, o::DefaultResWidth);
  m_resHeight = m_options.ReadInteger(o::ResHeight, o::DefaultResHeight);
  m_view.viewIndex = m_options.ReadInteger(o::ViewPreset, kFrontView);
  if (m_view.viewIndex < 0 || m_view.viewIndex > 5) m_view.viewIndex = kFrontView;
  m_view.SetZoom(m_options.ReadInteger(o::Zoom, kDefaultZoom));
  m_startCamera = ParseCamera(m_options.ReadString(o::Camera, ""));
  m_windowLayout.geometry = m_options.ReadString(o::WindowGeometry, "");
  m_windowLayout.sidePanel = m_options.ReadString(o::SidePanel, "");
  if (const std::string notice = m_options.TakeDamageNotice(); !notice.empty()) {
    m_host.PlatformMessageBox(notice, "Options", TMsgIcon::Information);
  }
  Changed(changes::All);
}

void TDravoEditor::SaveOptions() {
  namespace o = options;
  // One write of the file for all of them.
  m_options.BeginUpdate();
  if (!m_trick.fileName.empty()) m_options.WriteString(o::LastFile, m_trick.fileName);
  if (!m_trick.name.empty()) m_options.WriteString(o::LastTrick, m_trick.name);
  m_options.WriteBool(o::WireMode, m_view.wireMode);
  m_options.WriteInteger(o::Color, static_cast<std::int32_t>(m_view.backgroundColor));
  m_options.WriteInteger(o::Size, m_view.gifSize);
  m_options.WriteBool(o::Lighting, m_view.lighting);
  m_options.WriteBool(o::Transparent, m_view.transparent);
  m_options.WriteBool(o::GifOptimize, m_view.gifOptimize);
  m_options.WriteInteger(o::TweenMode, static_cast<std::int32_t>(m_tweenMode));
  m_options.WriteBool(o::OnionSkin, m_view.onionSkin);
  m_options.WriteInteger(o::OnionBefore, m_view.onionBefore);
  m_options.WriteInteger(o::OnionAfter, m_view.onionAfter);
  m_options.WriteBool(o::ShowBike, m_view.showBike);
  m_options.WriteBool(o::CommonPak, m_commonPak);
  m_options.WriteString(o::LastRider, m_chosen.lastRider);
  m_options.WriteString(o::LastMachine, m_chosen.lastMachine);
  m_options.WriteInteger(o::Fps, m_playback.frameRate);
  m_options.WriteInteger(o::Rollouts,
                         (m_rollouts[0] ? 1 : 0) | (m_rollouts[1] ? 2 : 0) | (m_rollouts[2] ? 4 : 0));
  m_options.WriteInteger(o::MudColor, static_cast<std::int32_t>(m_view.mudColor));
  m_options.WriteInteger(o::MudScale, m_view.mudScale);
  m_options.WriteInteger(o::ResWidth, m_resWidth);
  m_options.WriteInteger(o::ResHeight, m_resHeight);
  m_options.WriteInteger(o::ViewPreset, m_view.viewIndex);
  m_options.WriteInteger(o::Zoom, m_view.zoom);
  if (m_panel.Initialised()) {
    const D3DXVECTOR3 eye = m_panel.GetEye();
    m_options.WriteString(o::Camera, CameraText(Camera{m_view.sceneMatrix, eye.x, eye.y}));
  }
  if (!m_windowLayout.geometry.empty()) m_options.WriteString(o::WindowGeometry, m_windowLayout.geometry);
  if (!m_windowLayout.sidePanel.empty()) m_options.WriteString(o::SidePanel, m_windowLayout.sidePanel);
  m_options.EndUpdate();
}

void TDravoEditor::CheckVersion() {
  if (m_config.stateFile.empty()) return;
  TRmxOptions state(m_config.stateFile);
  const std::string stored = state.ReadString("version", "");
  if (stored != kVersion) state.WriteString("version", kVersion);
  if (stored.empty()) {
    m_host.ShowHelpTopic("dravohelp.chm", "license.htm");
  } else if (stored != kVersion) {
    m_host.ShowHelpTopic("dravohelp.chm", "whatsnew.htm");
  }
}

void TDravoEditor::ChooseResolution(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_resolutions.size()) return;
  const std::optional<Resolution> chosen = ParseResolution(m_resolutions[static_cast<std::size_t>(index)]);
  if (!chosen) return;
  m_resolutionIndex = index;
  m_resWidth = chosen->width;
  m_resHeight = chosen->height;
  Changed(changes::Setup);
  if (index != m_startResolution)
    m_host.KelMsgBox("The new resolution will take effect next time you start the editor",
                     "Resolution changed", false);
}

void TDravoEditor::HelpBtnClick() {
  m_host.ShowHelpTopic("dravokit.chm", "");
}

void TDravoEditor::SetRolloutExpanded(Rollout r, bool expanded) {
  m_rollouts[static_cast<int>(r)] = expanded;
  Changed(changes::Setup);
}

void TDravoEditor::DXPanelResolutionCheck(DWORD& width, DWORD& height) {
  width = 640;
  height = 480;
  // A size that is not positive is no size at all.
  if (m_resWidth > 0) width = static_cast<DWORD>(m_resWidth);
  if (m_resHeight > 0) height = static_cast<DWORD>(m_resHeight);
}

}  // namespace dravo
