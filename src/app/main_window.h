#pragma once

// The main window. It lays out the widgets, binds them to the editor core and holds no editing logic of
// its own: every user action calls one TDravoEditor method, every widget shows the editor's state, and
// the editor's change bits say what to show again. The window is built and refreshed by concern:
// main_window.cpp (life cycle and the change dispatch), main_window_toolbar.cpp (toolbar, status bar,
// shortcuts, GIF export), main_window_view.cpp (3D view, view controls, frame bar, key-frame bar),
// main_window_tricks.cpp (" Edit Tricks"), main_window_setup.cpp (" Setup") and main_window_skins.cpp ("
// Skins").

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "editor/dravo_editor.h"
#include "platform/user_folders.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QSplitter;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QToolBar;
class QToolButton;

namespace dravo {

class TColourSwatch;
class TDXView;
class THelpWindow;
class TJoystickPad;
class TKelMsg;
class TModifiedPanel;
class TNumericEdit;
class TQtEditorHost;
class TTweenBar;
class TTxTrxForm;
class TVellButton;
class TVellRollout;
class TVirtualPropertyTree;

struct KitSettings {
  std::string gameFolder;  // found by the program entry before the window is made
  EnvLookup env = ProcessEnvironment();
  // No dialogs: notices go to the error stream and questions are answered No (--screenshot).
  bool unattended = false;
};

class TDravoUForm : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kWidth = 876;
  static constexpr int kHeight = 725;
  static constexpr int kMinWidth = 648;
  static constexpr int kMinHeight = 600;

  explicit TDravoUForm(KitSettings settings, QWidget* parent = nullptr);
  ~TDravoUForm() override;

  // The editor, made with the window; it starts once the view's context exists.
  TDravoEditor& Editor() { return *m_editor; }
  bool Started() const { return m_started; }
  StartupResult StartupState() const { return m_startup; }
  TDXView* View() const { return m_view; }
  TQtEditorHost& Host() { return *m_host; }
  TKelMsg* MessageWindow() const { return m_msg; }
  TTxTrxForm* TransferWindow() const { return m_transfer; }
  THelpWindow* HelpWindow() const { return m_help; }

  // Shows everything the editor's state holds (the bits of `changes`).
  void Refresh(std::uint32_t bits);

 signals:
  // Start-up has run: Running, NoDevice (the view stays empty) or Terminated (the program ends).
  void startupFinished(dravo::StartupResult result);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The window's size, place and side panel as the last run left them.
  void restoreLayout();
  void resizeEvent(QResizeEvent* event) override;

 private:
  // ---- Construction, by concern ----
  void buildToolBar();
  void buildStatusBar();
  void buildShortcuts();
  // A narrow window shows the two long toolbar captions as icons alone, so every button stays in reach.
  void fitToolBar();
  QWidget* buildViewArea();
  QWidget* buildControlPanel();
  TVellRollout* buildTricksRollout();
  TVellRollout* buildSetupRollout();
  TVellRollout* buildSkinsRollout();
  QScrollArea* buildSidePanel();
  void fitSkinsRollout();
  void bindView();

  // ---- Refresh, by concern ----
  void refreshToolBar(std::uint32_t bits);
  void refreshStatus(std::uint32_t bits);
  void fillHistoryMenu();
  void refreshView(std::uint32_t bits);
  void refreshFrames(std::uint32_t bits);
  void refreshTricks(std::uint32_t bits);
  void refreshSetup(std::uint32_t bits);
  void refreshSkins(std::uint32_t bits);

  void runStartup();
  void makeGif();
  // Runs a user action on the editor; an error it lets through is shown.
  void act(const std::function<void(TDravoEditor&)>& action);
  bool running() const { return m_started && m_startup != StartupResult::Terminated; }

  KitSettings m_settings;

  // Windows made once with the main window.
  TKelMsg* m_msg = nullptr;
  TTxTrxForm* m_transfer = nullptr;
  THelpWindow* m_help = nullptr;

  // Toolbar and status bar.
  QToolBar* m_toolBar = nullptr;
  int m_toolBarFullWidth = 0;
  TVellButton* m_gifBtn = nullptr;
  TVellButton* m_gltfBtn = nullptr;  // opens m_gltfMenu: "Export glTF…", "Import glTF animation…"
  QMenu* m_gltfMenu = nullptr;
  TVellButton* m_saveTrickBtn = nullptr;
  TVellButton* m_pakBtn = nullptr;
  TVellButton* m_undoBtn = nullptr;
  QToolButton* m_historyBtn = nullptr;
  QToolButton* m_pasteMenuBtn = nullptr;
  QMenu* m_historyMenu = nullptr;
  TVellButton* m_copyBtn = nullptr;
  TVellButton* m_pasteBtn = nullptr;
  TVellButton* m_playBtn = nullptr;
  TVellButton* m_helpBtn = nullptr;
  TVellButton* m_exitBtn = nullptr;
  TModifiedPanel* m_modifiedPanel = nullptr;
  QLabel* m_statusText = nullptr;
  QLabel* m_versionLabel = nullptr;
  QAction* m_copyAction = nullptr;
  QAction* m_pasteAction = nullptr;
  QAction* m_pasteMirroredAction = nullptr;
  QAction* m_undoAction = nullptr;
  QAction* m_redoAction = nullptr;
  QAction* m_allAction = nullptr;

  // The view and the bars under it.
  TDXView* m_view = nullptr;
  QSlider* m_frameBar = nullptr;
  QLabel* m_frameLabel = nullptr;
  TNumericEdit* m_frameRateEdit = nullptr;
  TTweenBar* m_tweenBar = nullptr;

  // The side panel's view controls.
  QScrollArea* m_sidePanel = nullptr;
  QSplitter* m_splitter = nullptr;
  TJoystickPad* m_rotationPad = nullptr;
  TJoystickPad* m_positionPad = nullptr;
  TVellButton* m_viewRelBtn = nullptr;
  QSlider* m_zoomBar = nullptr;
  QComboBox* m_viewBox = nullptr;
  QCheckBox* m_showBike = nullptr;
  QCheckBox* m_onionSkin = nullptr;
  QSpinBox* m_onionBefore = nullptr;
  QSpinBox* m_onionAfter = nullptr;

  // " Edit Tricks".
  TVellRollout* m_trickRollout = nullptr;
  QComboBox* m_motSelectBox = nullptr;
  QRadioButton* m_riderEdit = nullptr;
  QRadioButton* m_bikeEdit = nullptr;
  QListWidget* m_tweenList = nullptr;
  std::array<std::array<TVellButton*, 3>, 4> m_axisBtns{};
  QCheckBox* m_tweenAll = nullptr;
  QComboBox* m_tweenStyle = nullptr;
  QPushButton* m_saveTrickBtn2 = nullptr;

  // " Setup".
  TVellRollout* m_setupRollout = nullptr;
  QCheckBox* m_commonPak = nullptr;
  TColourSwatch* m_colorPicker = nullptr;
  QCheckBox* m_wireMode = nullptr;
  QCheckBox* m_lighting = nullptr;
  QCheckBox* m_transparent = nullptr;
  QCheckBox* m_gifOptimize = nullptr;
  TNumericEdit* m_gifSize = nullptr;
  QComboBox* m_resSelectBox = nullptr;

  // " Skins".
  TVellRollout* m_skinsRollout = nullptr;
  TColourSwatch* m_mudColor = nullptr;
  QSlider* m_mudScale = nullptr;
  QComboBox* m_riderBox = nullptr;
  QComboBox* m_machineBox = nullptr;
  TVirtualPropertyTree* m_textureList = nullptr;
  QPushButton* m_saveTexBtn = nullptr;

  // The core: the host and the panel outlive the editor.
  std::unique_ptr<TQtEditorHost> m_host;
  std::unique_ptr<TVellDXPanel> m_panel;
  std::unique_ptr<TDravoEditor> m_editor;

  bool m_started = false;
  StartupResult m_startup = StartupResult::Terminated;
  // Set while widgets are being set from the editor's state, so their signals do not act again.
  bool m_refreshing = false;
  bool m_closing = false;
};

}  // namespace dravo

Q_DECLARE_METATYPE(dravo::StartupResult)
