#pragma once

// The editor: everything the main window owns and does, without a widget. The window binds its
// widgets to the state read here, calls one method per user action, repaints what the change
// callback names, and answers the questions the editor asks through its host. The same object
// runs headless for the command-line tool and the tests.
//
// The methods are implemented by concern: editor_assembly.cpp (riders and machines),
// editor_catalogue.cpp (trick list and loading), editor_storage.cpp (saving tricks),
// editor_posing.cpp (mouse posing and PoseBone), editor_frames.cpp (frames, playback, tweening),
// editor_clipboard.cpp (copy, paste, undo), editor_transfer.cpp (import and export),
// editor_skins.cpp (textures), editor_view.cpp (view controls and drawing) and
// editor_lifecycle.cpp (start-up, show, close, options).

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/pak_archive.h"
#include "core/file_io.h"
#include "core/maths.h"
#include "editor/editor_host.h"
#include "editor/model_set.h"
#include "editor/pose_edit.h"
#include "editor/trick_install.h"
#include "editor/trick_names.h"
#include "editor/trick_transfer.h"
#include "formats/gif_export.h"
#include "motion/mot_file.h"
#include "motion/motion_pose.h"
#include "editor/game_archives.h"
#include "platform/game_search.h"
#include "editor/modified_marks.h"
#include "render/view_panel.h"
#include "platform/options_store.h"
#include "core/tween_bar_geometry.h"

namespace dravo {

class TDXGmodel;
class TRmxGfxManager;
class TRmxObjectManager;
class TRmxResManager;

// Where the editor keeps what outlives a run, and how it finds the game.
struct EditorConfig {
  std::filesystem::path optionsFile;  // the options store
  std::filesystem::path stateFile;    // the per-user version value
  GameSearch gameSearch;
  // Tests make a step of the own archive's save fail with it.
  ReplaceHook archiveSaveHook;
};

// An item of the rider and machine lists: its label and folder index × 2^24 + resource index.
struct ModelListItem {
  std::string Label;
  std::int32_t Object = 0;
};

// An item of the part list (TweenList): a part of the rider, then of the machine.
struct PartItem {
  std::string Name;
  std::int32_t Part = 0;  // rider part index, or rider part count + machine part index
  bool Checked = false;
  bool Enabled = true;
};

// A row of the skins list.
struct TextureRow {
  std::string Caption;   // the row number from 1
  std::string Value;     // the texture's name, or the file that replaced it as ".dxt"
  std::int32_t Tag = 0;  // the texture manager's index
};

enum class AxisGroup { RotX, RotY, PosX, PosY };
enum class Rollout { Trick, Setup, Skins };
enum class StartupResult { Running, NoDevice, Terminated };

// Mouse buttons and modifier keys as the panel's mouse events report them.
struct EditorShift {
  bool shift = false;
  bool alt = false;
  bool ctrl = false;
  bool left = false;
  bool right = false;
  bool middle = false;
};

class TDravoEditor {
 public:
  static constexpr const char* kVersion = "1.06";
  static constexpr const char* kCorruptText =
      "Your Common.pak might be corrupt.\nPlease check and try again.";
  static constexpr const char* kCorruptCaption = "Serious Error";
  static constexpr const char* kModelsText = "There was problem loading the Models.";
  static constexpr const char* kModelsCaption = "Serious error";
  // Storing a trick and importing one both write motions into the game's archive.
  static constexpr const char* kTrickWrongSize = kTrickWrongSizeText;

  // The panel hosts the device (the window's GL widget, or a headless one) and must outlive the
  // editor; the host answers for the people.
  TDravoEditor(EditorConfig config, TVellDXPanel& panel, EditorHost& host);
  ~TDravoEditor();
  TDravoEditor(const TDravoEditor&) = delete;
  TDravoEditor& operator=(const TDravoEditor&) = delete;

  // Told which parts of the window to refresh (bits of `changes`).
  std::function<void(std::uint32_t)> OnChange;

  // ===== Life cycle =====
  // The start-up sequence. Terminated: the program ends (a message was shown); NoDevice: the
  // window opens with an empty view; Running: everything is loaded.
  StartupResult FormCreate();
  StartupResult Startup() const { return m_startup; }
  // Version pages, resolution list, the last trick, the version label and the rollouts.
  void FormShow();
  // The unsaved-work question, then the options. False when a save the user asked for failed:
  // the window then stays open so nothing is lost.
  bool FormClose();
  // Releases models, motions and archives in order; also run by the destructor.
  void FormDestroy();
  void LoadOptions();
  void SaveOptions();
  void CheckVersion();
  void ResSelectBoxChange(int index);
  const std::vector<std::string>& ResolutionList() const { return m_resolutions; }
  int ResolutionIndex() const { return m_resolutionIndex; }
  int StartResolution() const { return m_startResolution; }
  void HelpBtnClick();
  const std::string& VersionLabel() const { return m_versionLabel; }
  bool RolloutExpanded(Rollout r) const { return m_rollouts[static_cast<int>(r)]; }
  void SetRolloutExpanded(Rollout r, bool expanded);
  const std::string& GameFolder() const { return m_gameFolder; }

  // ===== Modified marks and status bar =====
  std::uint32_t Marks() const { return m_marks.value(); }
  void MarkModified(std::uint32_t value) { m_marks.MarkModified(value); }
  void ClearModifiedMark(std::uint32_t value) { m_marks.ClearModifiedMark(value); }
  const std::string& StatusText() const { return m_statusText; }

  // ===== Riders and machines =====
  bool LoadRider(const std::string& document);
  bool LoadMachine(const std::string& document);
  bool LoadModelSet(const std::string& document, TModelSet& set);
  void ReleaseModelSet(TModelSet& set);
  std::int32_t FindBone(const TModelSet& set, const std::string& name) const;
  void FillModelLists();
  const std::vector<ModelListItem>& SelectRiderBox() const { return m_riderBox; }
  const std::vector<ModelListItem>& SelectMachineBox() const { return m_machineBox; }
  int SelectRiderIndex() const { return m_riderIndex; }
  int SelectMachineIndex() const { return m_machineIndex; }
  // The list handlers, with the item the user chose.
  void SelectRiderBoxChange(int index);
  void SelectMachineBoxChange(int index);
  const TModelSet& RiderSet() const { return m_riderSet; }
  const TModelSet& MachineSet() const { return m_machineSet; }
  bool RiderLoaded() const { return m_riderLoaded; }
  bool MachineLoaded() const { return m_machineLoaded; }
  const std::string& LastRider() const { return m_lastRider; }
  const std::string& LastMachine() const { return m_lastMachine; }
  const std::vector<std::string>& MaterialChanges() const { return m_materialChanges; }

  // ===== Trick catalogue =====
  void BuildCatalogue();
  const std::vector<CatalogueEntry>& MOTSelectBox() const { return m_catalogue; }
  int MOTSelectIndex() const { return m_catalogueIndex; }
  // The user picked entry `index` (-1: text typed into the box, which selects nothing).
  void SelectTrickItem(int index);
  void MOTSelectBoxChange();
  void SelectTrick();
  void LoadTrick(const std::string& name);
  bool FindMotion(const std::string& folder, const std::string& file, MemoryStream& stream);
  void LoadRiderMotion(const MemoryStream& stream);
  void LoadMachineMotion(const MemoryStream& stream);
  int MachineType() const { return m_machineType; }
  const std::string& TrickName() const { return m_trickName; }
  const std::string& TrickFileName() const { return m_trickFileName; }
  bool AttachToMachine() const { return m_attachToMachine; }
  bool HasMachineMotion() const { return m_hasMachineMotion; }
  const TMOTfile& RiderMotion() const { return m_riderMotion; }
  const TMOTfile& MachineMotion() const { return m_machineMotion; }
  const TPoseTable& RiderParts() const { return m_riderParts; }
  const TPoseTable& MachineParts() const { return m_machineParts; }
  // The part list and the edited side.
  const std::vector<PartItem>& TweenList() const { return m_tweenList; }
  int TweenListIndex() const { return m_tweenListIndex; }
  void SelectPart(int item);
  void SetPartChecked(int item, bool checked);
  bool RiderEdit() const { return m_riderEdit; }
  bool BikeEditEnabled() const { return m_bikeEditEnabled; }
  // Choosing "Edit Rider" (true) or "Edit Bike" (false) with the radio buttons, or their labels.
  void RiderEditClick(bool rider);
  void RiderEditLabelClick();
  void BikeEditLabelClick();

  // ===== Trick storage =====
  void SaveTrickBtnClick();
  // Stores the current trick. False when a file error stopped it (reported, bit 0 kept).
  bool InstallTrick();
  bool CommonPak() const { return m_commonPak; }
  void SetCommonPak(bool on);
  void CommonPakClick() { SetCommonPak(!m_commonPak); }

  // ===== Posing =====
  void DXPanelMouseDown(TMouseButton button, EditorShift shift, int x, int y);
  void DXPanelMouseMove(EditorShift shift, int x, int y);
  void DXPanelMouseUp(TMouseButton button, EditorShift shift);
  // A click on a posing latch button (tag 0 X, 1 Y, 2 Z) of a group.
  void AxisButtonClick(AxisGroup group, int tag);
  int Axis(AxisGroup group) const { return m_axes[static_cast<int>(group)]; }
  bool AxisLatched(AxisGroup group, int tag) const { return Axis(group) == tag; }
  void RotatePart(std::int32_t part, std::int32_t frame, int axis, float angle);
  void MovePart(std::int32_t part, std::int32_t frame, int axis, float distance);
  // The models' OnBoneTransform handler.
  void PoseBone(TDXGmodel& model, D3DXMATRIX& world, std::int32_t bone);
  int RenderPass = 0;  // 1 rider, 2 machine, 4 machine attachments

  // ===== Frames, playback, tweening =====
  std::int32_t CurrentFrame() const { return m_currentFrame; }
  std::int32_t FrameCount() const { return m_frameCount; }
  const std::string& FrameCountLabel() const { return m_frameCountLabel; }
  int FrameBarPosition() const { return m_frameBarPosition; }
  int FrameBarMax() const { return m_frameBarMax; }
  bool FrameBarEnabled() const { return m_frameBarEnabled; }
  // The frame bar moved (1-based); also how the GIF export steps through the frames.
  void FrameBarChange(int position);
  int FrameRate() const { return m_frameRate; }
  void FrameRateEditChange(int framesPerSecond);
  int FrameTimerInterval() const { return m_frameTimerInterval; }
  bool FrameTimerEnabled() const { return m_frameTimerEnabled; }
  void FrameTimerTimer();
  bool PlayAnimBtnEnabled() const { return m_playEnabled; }
  bool PlayAnimBtnLatched() const { return m_playLatched; }
  const std::string& PlayAnimBtnCaption() const { return m_playCaption; }
  void PlayAnimBtnLatchChanged(bool latched);
  bool MakeGifBtnEnabled() const { return m_gifEnabled; }
  bool TweenAll() const { return m_tweenAll; }
  void SetTweenAll(bool on);
  void Label15Click() { SetTweenAll(!m_tweenAll); }
  void ActionAllExecute() { SetTweenAll(!m_tweenAll); }
  // The key-frame bar: its state for painting, and its mouse and size events.
  const TweenBarLogic& TweenBar() const { return m_tweenBar; }
  void TweenBarMouseDown(bool leftButton, double x);
  void TweenBarMouseMove(bool leftButtonDown, double x);
  void TweenBarMouseUp();
  void TweenBarResize(int clientWidth);
  // A window whose own bar keeps the drag state passes its range on each range change.
  void TweenBarRangeChange(std::int32_t startFrame, std::int32_t endFrame, bool dragging);
  void TweenRange();
  bool TweenPart(std::int32_t part, std::int32_t a, std::int32_t b);

  // ===== Clipboard and undo =====
  void CopyPose();
  void PastePose();
  void TakeSnapshot(std::int32_t first, std::int32_t last);
  void SwapSnapshot();
  // Ctrl+Z: SwapSnapshot when a snapshot exists.
  void ActionUndoExecute();
  bool PasteBtnEnabled() const { return m_pasteEnabled; }
  bool UndoBtnEnabled() const { return m_undoEnabled; }
  const std::string& UndoBtnCaption() const { return m_undoCaption; }
  bool UndoAvailable() const { return m_undoAvailable; }
  const PoseClipboard& Clipboard() const { return m_clipboard; }

  // ===== Import and export =====
  void PakBtnClick();
  TrickTransfer& Transfer() { return m_transfer; }

  // ===== Skins =====
  void FillTextureList();
  const std::vector<TextureRow>& TextureList() const { return m_textureRows; }
  // The open dialog's filter for image rows: every readable format, then one per format.
  std::string DialogFilter() const;
  // The image button of a row: asks for a file, then replaces the texture.
  void ChooseTextureFile(int row);
  void TextureListDataChanged(std::int32_t tag, const std::string& file);
  void SaveTexBtnClick();
  bool SaveTextures();

  // ===== View =====
  const D3DXMATRIX& SceneMatrix() const { return m_sceneMatrix; }
  int Zoom() const { return m_zoom; }
  void TrackBar1Change(int position);
  int ViewIndex() const { return m_viewIndex; }
  void ViewBoxChange(int index);
  bool ShowBike() const { return m_showBike; }
  void ShowBikeClick(bool on);
  void ShowBikeLblClick() { ShowBikeClick(!m_showBike); }
  bool ViewRelative() const { return m_viewRelative; }
  void ViewRelBtnClick() {
    m_viewRelative = !m_viewRelative;
    Changed(changes::ViewSettings);
  }
  TColor BackgroundColor() const { return m_backgroundColor; }
  void ColorPickerClick();
  TColor MudColor() const { return m_mudColor; }
  void MudColorClick();
  int MudScale() const { return m_mudScale; }
  void MudScaleChange(int position);
  bool WireMode() const { return m_wireMode; }
  void WireModeClick(bool on);
  bool Lighting() const { return m_lighting; }
  void LightClick(bool on);
  bool Transparent() const { return m_transparent; }
  void TransparentClick(bool on);
  int GifSize() const { return m_gifSize; }
  void GIFSizeChange(int size);
  // The joystick pads: tag 1 the rotation pad, 0 the position pad; x, y inside the pad.
  void JoystickMouseDown(int tag);
  void JoystickMouseMove(int x, int y);
  void JoystickMouseUp();
  bool JoystickTimerEnabled() const { return m_joystickTimerEnabled; }
  void JoystickTimerTimer();
  std::int32_t JoyX() const { return m_joyX; }
  std::int32_t JoyY() const { return m_joyY; }
  // The panel's OnAfterRender: the machine and its attachments, then the rider.
  void DXPanelAfterRender();
  void DXPanelResolutionCheck(DWORD& width, DWORD& height);

  // ===== Pictures (GIF export, snapshots) =====
  // Paints the view now and copies the back buffer as rows of red, green, blue, alpha bytes.
  // False when there is no device or the picture cannot be read.
  bool CaptureView(std::vector<std::uint8_t>& rgba, int& width, int& height);
  // Around an export: the Play button off and the playback timer stopped, then both restored.
  void BeginFrameExport();
  void EndFrameExport();
  // The delay of one GIF frame in hundredths of a second.
  int GifFrameDelay() const { return m_frameTimerInterval / 10; }
  // "Gif": the save dialog, then MakeGif with the host's progress; an error is shown, and a cancelled
  // dialog changes nothing.
  void MakeGifBtnClick();
  // Writes the current trick as an animated GIF (extension ".gif"): each frame shown in the view (the
  // frame bar at 1 to FrameCount), drawn off-screen and read back from the back buffer, at the GIF size
  // with the transparency option and the playback rate's delay. Playback is stopped meanwhile and
  // restored after, also after an error; the view stays on the last frame reached. False when
  // `progress` cancelled it (no file is written). Throws for a trick without frames, a view that cannot
  // be drawn and the writer's errors (FileError, GifWriteError).
  bool MakeGif(const std::string& fileName, const GifProgress& progress = {});

  // ===== Services (the window and tests reach the managers through these) =====
  TVellDXPanel& Panel() { return m_panel; }
  TRmxResManager* Resources();
  TRmxGfxManager* TextureManager() { return m_textures.get(); }
  TRmxObjectManager* ModelManager() { return m_models.get(); }
  TMvAFolder* OwnArchive() { return m_ownArchive.get(); }
  TRmxOptions& Options() { return m_options; }

 private:
  void Changed(std::uint32_t what);
  void Repaint();
  // Runs a user action's body; a file or image error is reported and ends the action.
  bool Guard(const std::function<void()>& body);

  // Assembly.
  std::int32_t FindOwnTexture(const std::string& name, std::unique_ptr<MemoryStream>& stream);
  void ModelCreated(TDXGmodel& model);
  void SetModelEvents(TDXGmodel& model);
  void ResetClipboard();
  void ApplyMudColour();
  // Catalogue.
  void FreeRiderPose();
  void FreeMachinePose();
  void FillPartList();
  void ApplyEditSide(bool keepChecks);
  void ApplyFrameCount();
  void DiscardSnapshot();
  TMotionPart* PartAt(std::int32_t part);
  bool PartHasFrame(std::int32_t part, std::int32_t frame);
  // Storage.
  bool PutMotion(TMOTfile& motion, const std::string& entry);
  void SaveOwnArchive();
  // Overwrites the stock entry of that file name inside "data\common.pak" when the sizes
  // match; `wrongSize` is the message shown when they do not. Throws FileError when the
  // archive cannot be opened for writing.
  void WriteIntoGameArchive(const MemoryStream& bytes, const std::string& fileName, const char* wrongSize);
  // Skins.
  bool TextureBelongsToRider(std::int32_t index, const std::string& name);
  // View.
  void SetFrameBar(int position);
  void SetTimers();

  EditorConfig m_config;
  TVellDXPanel& m_panel;
  EditorHost& m_host;
  TRmxOptions m_options;
  StartupResult m_startup = StartupResult::Terminated;
  bool m_destroyed = false;

  // Services, destroyed in reverse: models before textures before resources.
  std::unique_ptr<GameResources> m_resources;
  std::unique_ptr<TRmxGfxManager> m_textures;
  std::unique_ptr<TRmxObjectManager> m_models;
  std::unique_ptr<TMvAFolder> m_ownArchive;
  std::string m_gameFolder;

  ModifiedMarks m_marks;
  std::string m_statusText;
  std::string m_versionLabel;
  std::array<bool, 3> m_rollouts{false, true, false};
  std::vector<std::string> m_resolutions;
  int m_resolutionIndex = -1;
  int m_startResolution = -1;
  std::int32_t m_resWidth = 640;
  std::int32_t m_resHeight = 480;

  // Riders and machines.
  TModelSet m_riderSet;
  TModelSet m_machineSet;
  std::string m_lastRider;
  std::string m_lastMachine;
  bool m_riderLoaded = false;
  bool m_machineLoaded = false;
  bool m_loadingMachine = false;
  std::vector<std::string> m_materialChanges;
  std::vector<ModelListItem> m_riderBox;
  std::vector<ModelListItem> m_machineBox;
  int m_riderIndex = -1;
  int m_machineIndex = -1;

  // Trick state.
  int m_machineType = 0;
  // The machine type the current trick was loaded for: storing it uses that type's names even
  // after the machine (and with it MachineType) has changed.
  int m_trickMachineType = 0;
  std::vector<CatalogueEntry> m_catalogue;
  int m_catalogueIndex = -1;
  std::string m_trickName;
  std::string m_trickFileName;
  bool m_attachToMachine = false;
  TMOTfile m_riderMotion;
  TMOTfile m_machineMotion;
  TPoseTable m_riderParts;
  TPoseTable m_machineParts;
  bool m_hasMachineMotion = false;
  std::int32_t m_frameCount = 0;
  std::int32_t m_currentFrame = 0;
  std::vector<PartItem> m_tweenList;
  int m_tweenListIndex = -1;
  bool m_riderEdit = true;
  bool m_bikeEditEnabled = false;
  bool m_commonPak = true;

  // Posing.
  std::array<int, 4> m_axes{1, 0, 2, 1};
  int m_lastMouseX = 0;
  int m_lastMouseY = 0;
  bool m_leftDrag = false;
  bool m_rightDrag = false;
  bool m_undoPending = false;
  int m_drawingAttachment = -1;  // the machine attachment being drawn in pass 4

  // Frames and playback.
  std::string m_frameCountLabel;
  int m_frameBarPosition = 1;
  int m_frameBarMax = 1;
  bool m_frameBarEnabled = true;
  int m_frameRate = 15;
  int m_frameTimerInterval = 67;
  bool m_frameTimerEnabled = false;
  bool m_playEnabled = false;
  bool m_playLatched = false;
  std::string m_playCaption = "Play";
  bool m_gifEnabled = true;
  bool m_tweenAll = false;
  TweenBarLogic m_tweenBar;
  int m_tweenBarWidth = 0;
  bool m_exportTimerWasOn = false;
  bool m_exportPlayWasEnabled = false;

  // Clipboard and undo.
  PoseClipboard m_clipboard;
  std::array<std::int32_t, 2> m_undoRange{0, 0};
  bool m_undoModified = false;
  bool m_undoAvailable = false;
  bool m_pasteEnabled = false;
  bool m_undoEnabled = false;
  std::string m_undoCaption = "Undo";

  // Import and export.
  TrickTransfer m_transfer;

  // Skins.
  std::vector<TextureRow> m_textureRows;

  // View.
  D3DXMATRIX m_sceneMatrix = IdentityMatrix();
  int m_zoom = 90;
  int m_viewIndex = 2;
  bool m_showBike = true;
  bool m_viewRelative = false;
  TColor m_backgroundColor = 8421520;
  TColor m_mudColor = 4610165;
  int m_mudScale = 255;
  bool m_wireMode = false;
  bool m_lighting = true;
  bool m_transparent = true;
  int m_gifSize = 64;
  bool m_rotationMode = false;
  std::int32_t m_joyX = 0;
  std::int32_t m_joyY = 0;
  bool m_joystickTimerEnabled = false;
};

}  // namespace dravo
