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
#include <utility>
#include <vector>

#include "archive/pak_archive.h"
#include "core/file_io.h"
#include "core/maths.h"
#include "editor/editor_host.h"
#include "editor/game_archives.h"
#include "editor/loaded_trick.h"
#include "editor/model_choice.h"
#include "editor/model_set.h"
#include "editor/modified_marks.h"
#include "editor/part_list.h"
#include "editor/playback.h"
#include "editor/pose_edit.h"
#include "editor/pose_history.h"
#include "editor/posing_state.h"
#include "editor/trick_catalogue.h"
#include "editor/trick_install.h"
#include "editor/trick_names.h"
#include "editor/trick_transfer.h"
#include "editor/view_rules.h"
#include "editor/view_settings.h"
#include "formats/gif_export.h"
#include "motion/mot_file.h"
#include "motion/motion_pose.h"
#include "platform/game_search.h"
#include "platform/options_store.h"
#include "render/view_panel.h"

namespace dravo {

class TDXGmodel;
class TRmxGfxManager;
class TRmxObjectManager;
class TRmxResManager;

// Where the editor keeps what outlives a run, and how it finds the game.
struct EditorConfig {
  std::filesystem::path optionsFile;  // the options store
  std::filesystem::path stateFile;    // the per-user version value
  // The game folder when the caller has found it already (the window's program entry): it is
  // mounted as it is. Empty: the editor searches with `gameSearch`.
  std::string gameFolder;
  GameSearch gameSearch;
  // Tests make a step of the own archive's save fail with it.
  ReplaceHook archiveSaveHook;
};

// A row of the skins list.
struct TextureRow {
  std::string Caption;   // the row number from 1
  std::string Value;     // the texture's name, or the file that replaced it as ".dxt"
  std::int32_t Tag = 0;  // the texture manager's index
};

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
  // The unsaved-work question, then the options. False when the user cancelled or a save they
  // asked for failed: the window then stays open so nothing is lost.
  bool FormClose();
  // Releases models, motions and archives in order; also run by the destructor.
  void FormDestroy();
  void LoadOptions();
  void SaveOptions();
  void CheckVersion();
  // The resolution list: takes effect at the next start.
  void ChooseResolution(int index);
  void ResSelectBoxChange(int index) { ChooseResolution(index); }
  const std::vector<std::string>& ResolutionList() const { return m_resolutions; }
  int ResolutionIndex() const { return m_resolutionIndex; }
  int StartResolution() const { return m_startResolution; }
  void HelpBtnClick();
  const std::string& VersionLabel() const { return m_versionLabel; }
  bool RolloutExpanded(Rollout r) const { return m_rollouts[static_cast<int>(r)]; }
  void SetRolloutExpanded(Rollout r, bool expanded);
  const std::string& GameFolder() const { return m_gameFolder; }
  // How the window lay when it closed (the window's own text for its geometry and side panel),
  // kept in the options with the rest.
  struct WindowLayout {
    std::string geometry;
    std::string sidePanel;
  };
  const WindowLayout& RememberedLayout() const { return m_windowLayout; }
  void RememberLayout(WindowLayout layout) { m_windowLayout = std::move(layout); }

  // ===== Modified marks and status bar =====
  std::uint32_t Marks() const { return m_marks.value(); }
  void MarkModified(std::uint32_t value) { m_marks.MarkModified(value); }
  void ClearModifiedMark(std::uint32_t value) { m_marks.ClearModifiedMark(value); }
  const std::string& StatusText() const { return m_statusText; }
  // "backflip* — Dravo Kit": the trick shown, a star while anything is unsaved.
  std::string WindowTitle() const;

  // ===== Riders and machines =====
  bool LoadRider(const std::string& document);
  bool LoadMachine(const std::string& document);
  bool LoadModelSet(const std::string& document, TModelSet& set);
  void ReleaseModelSet(TModelSet& set);
  std::int32_t FindBone(const TModelSet& set, const std::string& name) const;
  void FillModelLists();
  const std::vector<ModelListItem>& SelectRiderBox() const { return m_chosen.riderBox; }
  const std::vector<ModelListItem>& SelectMachineBox() const { return m_chosen.machineBox; }
  int SelectRiderIndex() const { return m_chosen.riderIndex; }
  int SelectMachineIndex() const { return m_chosen.machineIndex; }
  // The list handlers, with the item the user chose.
  void SelectRiderBoxChange(int index);
  void SelectMachineBoxChange(int index);
  const TModelSet& RiderSet() const { return m_chosen.riderSet; }
  const TModelSet& MachineSet() const { return m_chosen.machineSet; }
  bool RiderLoaded() const { return m_chosen.riderLoaded; }
  bool MachineLoaded() const { return m_chosen.machineLoaded; }
  const std::string& LastRider() const { return m_chosen.lastRider; }
  const std::string& LastMachine() const { return m_chosen.lastMachine; }
  const std::vector<std::string>& MaterialChanges() const { return m_chosen.materialChanges; }

  // ===== Trick catalogue =====
  void BuildCatalogue();
  const std::vector<CatalogueEntry>& TrickList() const { return m_catalogue.entries; }
  int PickedTrick() const { return m_catalogue.index; }
  const std::vector<CatalogueEntry>& MOTSelectBox() const { return TrickList(); }
  int MOTSelectIndex() const { return PickedTrick(); }
  // The user picked entry `index` (-1: text typed into the box, which selects nothing).
  void SelectTrickItem(int index);
  void MOTSelectBoxChange();
  void SelectTrick();
  void LoadTrick(const std::string& name);
  bool FindMotion(const std::string& folder, const std::string& file, MemoryStream& stream);
  void LoadRiderMotion(const MemoryStream& stream);
  void LoadMachineMotion(const MemoryStream& stream);
  int MachineType() const { return m_catalogue.machineType; }
  const std::string& TrickName() const { return m_trick.name; }
  const std::string& TrickFileName() const { return m_trick.fileName; }
  bool AttachToMachine() const { return m_trick.attachToMachine; }
  bool HasMachineMotion() const { return m_trick.hasMachineMotion; }
  const TMOTfile& RiderMotion() const { return m_trick.riderMotion; }
  const TMOTfile& MachineMotion() const { return m_trick.machineMotion; }
  const TPoseTable& RiderParts() const { return m_trick.riderParts; }
  const TPoseTable& MachineParts() const { return m_trick.machineParts; }
  // The part list and the edited side.
  const std::vector<PartItem>& PartRows() const { return m_parts.items; }
  int HighlightedPart() const { return m_parts.index; }
  const std::vector<PartItem>& TweenList() const { return PartRows(); }
  int TweenListIndex() const { return HighlightedPart(); }
  void SelectPart(int item);
  void SetPartChecked(int item, bool checked);
  bool RiderEdit() const { return m_parts.riderEdit; }
  bool BikeEditEnabled() const { return m_parts.bikeEditEnabled; }
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
  int Axis(AxisGroup group) const { return m_posing.Axis(group); }
  bool AxisLatched(AxisGroup group, int tag) const { return Axis(group) == tag; }
  void RotatePart(std::int32_t part, std::int32_t frame, int axis, float angle);
  void MovePart(std::int32_t part, std::int32_t frame, int axis, float distance);
  // The models' OnBoneTransform handler.
  void PoseBone(TDXGmodel& model, D3DXMATRIX& world, std::int32_t bone);
  int RenderPass = 0;  // 1 rider, 2 machine, 4 machine attachments

  // ===== Frames, playback, tweening =====
  std::int32_t CurrentFrame() const { return m_playback.currentFrame; }
  std::int32_t FrameCount() const { return m_trick.frameCount; }
  const std::string& FrameCountLabel() const { return m_playback.frameCountLabel; }
  int FrameBarPosition() const { return m_playback.barPosition; }
  int FrameBarMax() const { return m_playback.barMax; }
  bool FrameBarEnabled() const { return m_playback.barEnabled; }
  // The frame bar moved (1-based); also how the GIF export steps through the frames.
  void FrameBarChange(int position);
  int FrameRate() const { return m_playback.frameRate; }
  void FrameRateEditChange(int framesPerSecond);
  int FrameTimerInterval() const { return m_playback.timerInterval; }
  bool FrameTimerEnabled() const { return m_playback.timerEnabled; }
  void FrameTimerTimer();
  bool PlayAnimBtnEnabled() const { return m_playback.playEnabled; }
  bool PlayAnimBtnLatched() const { return m_playback.playLatched; }
  const std::string& PlayAnimBtnCaption() const { return m_playback.playCaption; }
  void PlayAnimBtnLatchChanged(bool latched);
  bool MakeGifBtnEnabled() const { return m_playback.gifEnabled; }
  bool TweenAll() const { return m_parts.tweenAll; }
  void SetTweenAll(bool on);
  void ToggleTweenAll() { SetTweenAll(!m_parts.tweenAll); }
  void Label15Click() { ToggleTweenAll(); }
  void ActionAllExecute() { ToggleTweenAll(); }
  // The key-frame bar: its state for painting, and its mouse and size events.
  const TweenBarLogic& TweenBar() const { return m_playback.keyFrameBar; }
  void TweenBarMouseDown(bool leftButton, double x);
  void TweenBarMouseMove(bool leftButtonDown, double x);
  void TweenBarMouseUp();
  void TweenBarResize(int clientWidth);
  // A window whose own bar keeps the drag state passes its range on each range change.
  // What a right-click on the key-frame bar would do now, for the status bar while the pointer is
  // over it: the last range again, on the parts checked now.
  std::string RepeatTweenHint() const;
  void TweenBarRangeChange(std::int32_t startFrame, std::int32_t endFrame, bool dragging);
  void TweenRange();
  bool TweenPart(std::int32_t part, std::int32_t a, std::int32_t b);
  // How the frames between keys turn: Linear (the default, as tweens always were), Smooth or Ease.
  TweenMode TweenStyle() const { return m_tweenMode; }
  void SetTweenStyle(TweenMode mode);

  // ===== Clipboard and undo =====
  void CopyPose();
  void PastePose();
  // Pastes each copied pose into the part of the other side ("L Thigh" into "R Thigh"), reflected
  // across the model's plane of symmetry; a part without a partner takes its own pose reflected.
  void PastePoseMirrored();
  // Starts an undo step named `label` that keeps frames first … last of every editable part.
  void TakeSnapshot(std::int32_t first, std::int32_t last, const std::string& label = "Edit");
  // The toolbar button: undoes the last step, or redoes it when it was undone.
  void SwapSnapshot();
  void UndoOrRedo() { SwapSnapshot(); }
  // Ctrl+Z, and Ctrl+Shift+Z or Ctrl+Y: one step back or forward in the history.
  void Undo();
  void Redo();
  void ActionUndoExecute() { Undo(); }
  void ActionRedoExecute() { Redo(); }
  // Goes back or forward to the state after `steps` steps of the history (the drop-down).
  void GoToHistory(std::size_t steps);
  // The history's steps, oldest first ("Rotate Lower Torso, frame 16"), and how many are applied.
  std::vector<std::string> HistoryLabels() const { return m_history.Labels(); }
  std::size_t HistoryDone() const { return m_history.Done(); }
  bool CanUndo() const { return m_history.CanUndo(); }
  bool CanRedo() const { return m_history.CanRedo(); }
  const PoseHistory& History() const { return m_history; }
  bool PasteBtnEnabled() const { return m_pasteEnabled; }
  bool UndoBtnEnabled() const { return m_history.Enabled(); }
  std::string UndoBtnCaption() const { return m_history.Caption(); }
  // The button's next press restores the edit (it reads "Redo").
  bool UndoBtnRedoes() const { return m_history.NextIsRedo(); }
  bool UndoAvailable() const { return m_history.Available(); }
  const PoseClipboard& Clipboard() const { return m_clipboard; }

  // ===== Import and export =====
  // The import and export window.
  void OpenTransfer();
  void PakBtnClick() { OpenTransfer(); }
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
  const D3DXMATRIX& SceneMatrix() const { return m_view.sceneMatrix; }
  int Zoom() const { return m_view.zoom; }
  // The zoom bar: 30 near … 150 far.
  void SetZoom(int position);
  // The mouse wheel over the view, in notches (positive away from the user: nearer).
  void WheelZoom(int notches) { SetZoom(m_view.zoom - notches * kZoomPerNotch); }
  static constexpr int kZoomPerNotch = 5;
  void TrackBar1Change(int position) { SetZoom(position); }
  int ViewIndex() const { return m_view.viewIndex; }
  void ViewBoxChange(int index);
  // Turns nothing, moves the eye so the rider and the machine fill the view.
  void FrameModels();
  bool ShowBike() const { return m_view.showBike; }
  void ShowBikeClick(bool on);
  void ToggleShowBike() { ShowBikeClick(!m_view.showBike); }
  void ShowBikeLblClick() { ToggleShowBike(); }
  bool ViewRelative() const { return m_view.relative; }
  void ToggleViewRelative() {
    m_view.relative = !m_view.relative;
    Changed(changes::ViewSettings);
  }
  void ViewRelBtnClick() { ToggleViewRelative(); }
  TColor BackgroundColor() const { return m_view.backgroundColor; }
  void ChooseBackgroundColour();
  void ColorPickerClick() { ChooseBackgroundColour(); }
  TColor MudColor() const { return m_view.mudColor; }
  void MudColorClick();
  int MudScale() const { return m_view.mudScale; }
  void MudScaleChange(int position);
  bool WireMode() const { return m_view.wireMode; }
  void WireModeClick(bool on);
  bool Lighting() const { return m_view.lighting; }
  void LightClick(bool on);
  bool Transparent() const { return m_view.transparent; }
  void TransparentClick(bool on);
  bool GifOptimize() const { return m_view.gifOptimize; }
  void SetGifOptimize(bool on);
  int GifSize() const { return m_view.gifSize; }
  // The onion skin: the frames before and after the current one as tinted ghosts behind it (1 … 5
  // each way; other values are brought into that range).
  bool OnionSkin() const { return m_view.onionSkin; }
  int OnionBefore() const { return m_view.onionBefore; }
  int OnionAfter() const { return m_view.onionAfter; }
  void SetOnionSkin(bool on);
  void SetOnionFrames(int before, int after);
  void SetGifSize(int size);
  void GIFSizeChange(int size) { SetGifSize(size); }
  // The joystick pads: tag 1 the rotation pad, 0 the position pad; x, y inside the pad.
  void JoystickMouseDown(int tag);
  void JoystickMouseMove(int x, int y);
  void JoystickMouseUp();
  bool JoystickTimerEnabled() const { return m_view.joystickTimerEnabled; }
  void JoystickTimerTimer();
  std::int32_t JoyX() const { return m_view.joyX; }
  std::int32_t JoyY() const { return m_view.joyY; }
  // The panel's OnAfterRender: the machine and its attachments, then the rider.
  void DXPanelAfterRender();
  void DXPanelResolutionCheck(DWORD& width, DWORD& height);

  // ===== Pictures (GIF export, snapshots) =====
  // Paints the view now and copies the back buffer as rows of red, green, blue, alpha bytes, or
  // with `blueFirst` of blue, green, red, alpha as the back buffer holds them. The vector is
  // reused as it is when it already has the size. False when there is no device or the picture
  // cannot be read.
  bool CaptureView(std::vector<std::uint8_t>& pixels, int& width, int& height, bool blueFirst = false);
  // Around an export: the Play button off and the playback timer stopped, then both restored.
  void BeginFrameExport();
  void EndFrameExport();
  // The delay of one GIF frame in hundredths of a second.
  int GifFrameDelay() const { return m_playback.timerInterval / 10; }
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

  // ===== glTF (editor_gltf.cpp) =====
  // "Export glTF…" and "Import glTF animation…": the host's file dialog, then the work below; errors are
  // shown, import warnings told in a message, a cancelled dialog changes nothing.
  void ExportGltfBtnClick();
  void ImportGltfBtnClick();
  // Writes the rider and the machine, skinned, with the trick as one animation per side, posed frame by
  // frame as the view shows them with the machine on; ".glb" or ".gltf" by the extension. Throws Error.
  void ExportGltf(const std::string& fileName);
  struct GltfImport {
    std::vector<std::string> warnings;  // animated nodes that name no part of the trick
    int parts = 0;                      // parts whose poses were written
    std::int32_t frames = 0;            // frames written, from the first
  };
  // Reads a glTF file's animation into the trick's pose tables as one undo step: channels are matched to
  // the parts by node name (A-Z folded), each matched part's first `frames` frames (0: all of them)
  // sampled from the animation, at its own keys when their count is that, else evenly over its length;
  // unmatched parts keep their poses. Throws Error (and changes nothing) for a file it cannot use.
  GltfImport ImportGltfAnimation(const std::string& fileName, std::int32_t frames = 0);

  // ===== Services (the window and tests reach the managers through these) =====
  TVellDXPanel& Panel() { return m_panel; }
  TRmxResManager* Resources();
  TRmxGfxManager* TextureManager() { return m_textures.get(); }
  TRmxObjectManager* ModelManager() { return m_models.get(); }
  TMvAFolder* OwnArchive() { return m_ownArchive.get(); }
  TRmxOptions& Options() { return m_options; }

 private:
  void Changed(std::uint32_t what);
  // What the last save, installation or export did, for the status bar.
  void SetStatus(std::string text);
  // The trick's name as the list shows it ("backflip").
  std::string ShownTrickName() const;
  // The catalogue entry of the trick shown; -1 when it is not listed.
  int IndexOfShownTrick() const;
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
  // After an undo, a redo or a jump in the history: the modified mark says whether the pose is the
  // saved one.
  void HistoryMoved();
  // "Rotate Lower Torso, frame 16": a drag's step in the history.
  std::string DragLabel(const char* verb) const;
  // Storage.
  bool PutMotion(TMOTfile& motion, const std::string& entry);
  void SaveOwnArchive();
  // Overwrites the stock entry of that file name inside "data\common.pak" when the sizes
  // match; `wrongSize` is the message shown when they do not. Throws FileError when the
  // archive cannot be opened for writing.
  void WriteIntoGameArchive(const MemoryStream& bytes, const std::string& fileName, const char* wrongSize);
  // Skins.
  bool TextureBelongsToRider(std::int32_t index, const std::string& name);
  // The checked parts' triangles as lines over the view, so the user sees what a drag moves.
  void DrawCheckedParts();
  // Each loaded model in the order posing needs, with RenderPass and the attachment set for it: the
  // machine and its attachments (when `withMachine`), then the rider and the rider's attachments.
  // Without the machine the rider's root is not attached to anything.
  void ForEachModelInPoseOrder(bool withMachine, const std::function<void(TDXGmodel&)>& visit);
  // The machine, its attachments and the rider as the view shows them, posed at the frame PoseBone
  // reads; with a ghost's opacity (not 0) each model as that ghost; without `draw` only posed.
  void DrawModels(std::uint8_t ghostAlpha, bool draw = true);
  // The onion skin's ghosts, after the frame itself and behind it, in the far half of the viewport's
  // depth range. False when there was none to draw.
  bool DrawOnionSkin(const D3DVIEWPORT8& viewport);
  // A skin shown or kept by the history: its texture, flags, row text and which state of the skins
  // it belongs to.
  struct ShownSkin {
    ComPtr<IDirect3DTexture8> texture;
    std::int32_t flags = 0;
    std::string name;
    std::uint64_t version = 0;
  };
  // Shows `other` in texture `index`'s place and keeps what was shown in `other`.
  void ExchangeSkin(std::int32_t index, ShownSkin& other);
  // glTF: every model's bones posed at frame `frame` as the view poses them with the machine shown; `visit`
  // sees each model right after its bones were updated: the machine, its attachments, the rider, its.
  void PoseModelsAt(std::int32_t frame, const std::function<void(const TDXGmodel& model)>& visit);
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
  WindowLayout m_windowLayout;
  std::optional<Camera> m_startCamera;  // the last run's, read with the options
  std::vector<std::string> m_resolutions;
  int m_resolutionIndex = -1;
  int m_startResolution = -1;
  std::int32_t m_resWidth = 640;
  std::int32_t m_resHeight = 480;

  // The state of each concern.
  ModelChoice m_chosen;
  TrickCatalogue m_catalogue;
  LoadedTrick m_trick;
  PartList m_parts;
  Playback m_playback;
  PosingState m_posing;
  PoseHistory m_history;
  PoseClipboard m_clipboard;
  bool m_pasteEnabled = false;
  TweenMode m_tweenMode = TweenMode::Linear;
  TrickTransfer m_transfer;
  std::vector<TextureRow> m_textureRows;
  // Which state of the skins is shown and which was saved last; each replacement makes a new one.
  std::uint64_t m_skinVersion = 0;
  std::uint64_t m_skinSavedVersion = 0;
  std::uint64_t m_skinVersions = 0;
  bool m_exportingFrames = false;  // GIF frames show no highlight and no onion skin
  std::int32_t m_ghostFrame = -1;  // the frame an onion-skin ghost is posed at; -1 the current frame
  ViewSettings m_view;
  bool m_commonPak = true;
};

}  // namespace dravo
