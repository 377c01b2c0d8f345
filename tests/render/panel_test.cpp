#include "render/view_panel.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

#include "render/testing/recording_device.h"

using namespace dravo;

namespace {

struct Shown {
  std::string text, caption;
  TMsgButtons buttons;
  TMsgIcon icon;
};

// Records every box and answers questions from a script (No when the script runs out).
class ScriptedPrompter : public TDXPrompter {
 public:
  std::vector<Shown> shown;
  std::deque<TMsgAnswer> answers;
  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                  TMsgIcon icon) override {
    shown.push_back({text, caption, buttons, icon});
    if (buttons == TMsgButtons::Ok) return TMsgAnswer::Ok;
    if (answers.empty()) return TMsgAnswer::No;
    const TMsgAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const Shown& s : shown)
      out.push_back(s.caption);
    return out;
  }
};

// Each attempt gets a fresh "Direct3D object" set up by `setup`; all of them log to one log.
class PanelTest : public ::testing::Test {
 public:
  std::shared_ptr<TCallLog> log = std::make_shared<TCallLog>();
  std::function<void(TRecordingDirect3D&)> setup = [](TRecordingDirect3D&) {};
  bool runtimeMissing = false;
  int objectsMade = 0;
  ScriptedPrompter prompter;
  std::unique_ptr<TVellDXPanel> panel;

  void MakePanel() {
    auto create = [this](UINT sdk) -> std::unique_ptr<IDirect3D8> {
      EXPECT_EQ(sdk, 120u);
      if (runtimeMissing) return nullptr;
      ++objectsMade;
      auto d3d = std::make_unique<TRecordingDirect3D>(log);
      setup(*d3d);
      return d3d;
    };
    panel = std::make_unique<TVellDXPanel>(create, &prompter);
    panel->WindowHandle = reinterpret_cast<HWND>(this);
  }

  void Initialise() {
    if (!panel) MakePanel();
    panel->Initialise();
  }

  TRecordingDevice& Device() { return *static_cast<TRecordingDevice*>(panel->Device()); }
};

TEST_F(PanelTest, ThirtyTwoBitDesktopGetsX8R8G8B8AndHardwareVertexProcessing) {
  Initialise();
  ASSERT_TRUE(panel->Initialised());
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(panel->BackBufferFormat(), D3DFMT_X8R8G8B8);
  EXPECT_FALSE(panel->Context().SoftwareVertexProcessing);
  const auto created = log->Matching("CreateDevice(");
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0],
            "CreateDevice(0, 1, hwnd, 64, {640x480 format=22 swap=1 windowed=1 depth=1/80 flags=1})");
  EXPECT_EQ(panel->Viewport.Width, 640u);
  EXPECT_EQ(panel->Viewport.MaxZ, 1.0f);
}

TEST_F(PanelTest, BackBufferFormatFollowsTheDesktopAndWhatTheDeviceAccepts) {
  struct Case {
    D3DFORMAT display;
    std::vector<D3DFORMAT> refused;
    D3DFORMAT expected;
  };
  const Case cases[] = {
      {D3DFMT_A8R8G8B8, {}, D3DFMT_X8R8G8B8},
      {D3DFMT_X8R8G8B8, {D3DFMT_X8R8G8B8}, D3DFMT_A8R8G8B8},
      {D3DFMT_R5G6B5, {}, D3DFMT_R5G6B5},
      {D3DFMT_X1R5G5B5, {D3DFMT_R5G6B5}, D3DFMT_X1R5G5B5},
      {D3DFMT_A4R4G4B4, {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}, D3DFMT_A1R5G5B5},
  };
  for (const Case& c : cases) {
    log = std::make_shared<TCallLog>();
    prompter = {};
    panel.reset();
    for (D3DFORMAT f : c.refused)
      log->Fail("CheckDeviceType(0, 1, " + std::to_string(c.display) + ", " + std::to_string(f) + ",",
                D3DERR_NOTAVAILABLE);
    setup = [&c](TRecordingDirect3D& d3d) { d3d.displayMode.Format = c.display; };
    Initialise();
    EXPECT_TRUE(panel->Initialised()) << c.display;
    EXPECT_EQ(panel->BackBufferFormat(), c.expected) << c.display;
  }
}

TEST_F(PanelTest, EverySixteenBitCandidateRefusedKeepsA4R4G4B4AndAsksToContinue) {
  log->Fail("CheckDeviceType(", D3DERR_NOTAVAILABLE);
  setup = [](TRecordingDirect3D& d3d) { d3d.displayMode.Format = D3DFMT_R5G6B5; };
  prompter.answers = {TMsgAnswer::Yes};
  Initialise();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "Your current video mode doesn't support the reccommended Backbuffer format[26]\r\n"
            "Do you want to continue anyway?");
  EXPECT_EQ(prompter.shown[0].caption, "Buffer format");
  EXPECT_EQ(prompter.shown[0].buttons, TMsgButtons::YesNo);
  // Yes: the desktop's own format is used.
  EXPECT_TRUE(panel->Initialised());
  EXPECT_EQ(panel->BackBufferFormat(), D3DFMT_R5G6B5);
}

TEST_F(PanelTest, RefusingToContinueEndsTheAttemptWithCodeMinusFour) {
  log->Fail("CheckDeviceType(0, 1, 22, 22", D3DERR_NOTAVAILABLE);
  log->Fail("CheckDeviceType(0, 1, 22, 21", D3DERR_NOTAVAILABLE);
  prompter.answers = {TMsgAnswer::No, TMsgAnswer::No};
  Initialise();
  EXPECT_FALSE(panel->Initialised());
  EXPECT_EQ(panel->Device(), nullptr);
  ASSERT_EQ(prompter.shown.size(), 3u);
  EXPECT_EQ(prompter.shown[0].caption, "Buffer format");
  EXPECT_EQ(prompter.shown[1].text, "Error initializing 3D Hardware.\r\nBackbuffer format is not supported.");
  EXPECT_EQ(prompter.shown[1].caption, "Warning.");
  EXPECT_EQ(prompter.shown[1].icon, TMsgIcon::Warning);
  EXPECT_EQ(prompter.shown[2].caption, "3D Hardware support");
  EXPECT_TRUE(log->Matching("CreateDevice(").empty());
}

TEST_F(PanelTest, EachPanelCodeIsReportedThenTheSoftwareRasterizerIsOffered) {
  struct Case {
    std::int32_t code;
    std::function<void(PanelTest&)> arrange;
  };
  const Case cases[] = {
      {-1, [](PanelTest& t) { t.runtimeMissing = true; }},
      {-2, [](PanelTest& t) { t.log->Fail("GetAdapterDisplayMode(", D3DERR_NOTAVAILABLE); }},
      {-3, [](PanelTest& t) { t.setup = [](TRecordingDirect3D& d) { d.halCaps.Caps2 = 0; }; }},
      {-4,
       [](PanelTest& t) {
         t.log->Fail("CheckDeviceType(0, 1, 22, 2", D3DERR_NOTAVAILABLE);
         t.prompter.answers = {TMsgAnswer::No};
       }},
      {-5,
       [](PanelTest& t) { t.setup = [](TRecordingDirect3D& d) { d.displayMode.Format = D3DFMT_R8G8B8; }; }},
  };
  for (const Case& c : cases) {
    log = std::make_shared<TCallLog>();
    prompter = {};
    panel.reset();
    runtimeMissing = false;
    setup = [](TRecordingDirect3D&) {};
    c.arrange(*this);
    Initialise();
    EXPECT_FALSE(panel->Initialised());
    EXPECT_EQ(panel->Context().ErrorCode, c.code);
    ASSERT_GE(prompter.shown.size(), 2u) << c.code;
    const Shown& warning = prompter.shown[prompter.shown.size() - 2];
    EXPECT_EQ(warning.text, "Error initializing 3D Hardware.\r\n" + InitErrorText(c.code));
    EXPECT_EQ(warning.caption, "Warning.");
    const Shown& question = prompter.shown.back();
    EXPECT_EQ(question.text, "3D Hardware can't be used,\r\n\r\ndo you want to try the software rasterizer?");
    EXPECT_EQ(question.caption, "3D Hardware support");
    EXPECT_EQ(question.buttons, TMsgButtons::YesNo);
    EXPECT_EQ(question.icon, TMsgIcon::Question);
  }
  EXPECT_EQ(InitErrorText(-5),
            "Only 16 and 32bit color depth is supported, change your desktop to one of these.");
  EXPECT_EQ(InitErrorText(-6), "Can't find a suitable error message.");
}

TEST_F(PanelTest, AnEightOrTwentyFourBitDesktopFailsBothAttemptsWithMinusFive) {
  setup = [](TRecordingDirect3D& d) { d.displayMode.Format = D3DFMT_P8; };
  prompter.answers = {TMsgAnswer::Yes};
  Initialise();
  EXPECT_FALSE(panel->Initialised());
  EXPECT_EQ(objectsMade, 2);
  const std::string warning =
      "Error initializing 3D Hardware.\r\nOnly 16 and 32bit color depth is supported, change your desktop to "
      "one "
      "of these.";
  ASSERT_EQ(prompter.shown.size(), 3u);
  EXPECT_EQ(prompter.shown[0].text, warning);
  EXPECT_EQ(prompter.shown[1].caption, "3D Hardware support");
  EXPECT_EQ(prompter.shown[2].text, warning);
  EXPECT_EQ(prompter.shown[2].caption, "Warning.");
  EXPECT_EQ(log->Text().find("Direct3D.Destroyed()") != std::string::npos, true);
}

TEST_F(PanelTest, HardwareFailureFallsBackToTheReferenceDeviceWithSoftwareProcessing) {
  log->Fail("CreateDevice(0, 1,", D3DERR_NOTAVAILABLE);
  prompter.answers = {TMsgAnswer::Yes};
  Initialise();
  ASSERT_TRUE(panel->Initialised());
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].text,
            "Error initializing 3D Hardware.\r\n\r\nError number: -2005530518 [0x8876086A]");
  EXPECT_EQ(panel->Context().DeviceType, D3DDEVTYPE_REF);
  EXPECT_TRUE(panel->Context().SoftwareVertexProcessing);
  const auto created = log->Matching("CreateDevice(0, 2, hwnd, 32,");
  EXPECT_EQ(created.size(), 1u);
}

TEST_F(PanelTest, HardwareWithoutTransformAndLightingUsesSoftwareProcessing) {
  setup = [](TRecordingDirect3D& d) { d.halCaps.DevCaps = 0; };
  Initialise();
  ASSERT_TRUE(panel->Initialised());
  EXPECT_TRUE(panel->Context().SoftwareVertexProcessing);
  EXPECT_EQ(log->Matching("CreateDevice(0, 1, hwnd, 32,").size(), 1u);
}

TEST_F(PanelTest, AnsweringNoToTheRasterizerQuestionLeavesNoDeviceAndPlainPainting) {
  log->Fail("CreateDevice(", E_OUTOFMEMORY);
  prompter.answers = {TMsgAnswer::No};
  Initialise();
  EXPECT_FALSE(panel->Initialised());
  EXPECT_EQ(panel->Device(), nullptr);
  EXPECT_EQ(objectsMade, 1);
  panel->RenderEnabled = true;
  EXPECT_FALSE(panel->Paint());
}

TEST_F(PanelTest, BothAttemptsFailingReportsTheDirectXMessageOrRaisesOnError) {
  log->Fail("CreateDevice(", D3DERR_INVALIDCALL);
  prompter.answers = {TMsgAnswer::Yes};
  Initialise();
  ASSERT_EQ(prompter.shown.size(), 3u);
  const std::string expected =
      "Could not initialize DirectX Graphics.\r\nYou need DirectX 8 or better \r\nand a 16bit or 32bit "
      "desktop to "
      "run this program.\r\nError number: -2005530516 [0x8876086C]";
  EXPECT_EQ(prompter.shown[2].text, expected);
  EXPECT_EQ(prompter.shown[2].caption, "Error.");
  EXPECT_EQ(prompter.shown[2].icon, TMsgIcon::Warning);

  // With OnError assigned the handler gets the text and the code instead of the box.
  prompter = {};
  prompter.answers = {TMsgAnswer::Yes};
  std::string gotText;
  std::int32_t gotCode = 0;
  panel->OnError = [&](TVellDXPanel&, const std::string& text, std::int32_t code) {
    gotText = text;
    gotCode = code;
  };
  panel->Initialise();
  EXPECT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(gotText, expected);
  EXPECT_EQ(gotCode, D3DERR_INVALIDCALL);
}

TEST_F(PanelTest, RefusedStencilFormatGoesOnWithoutADepthBuffer) {
  log->Fail("CheckDeviceFormat(0, 1, 22, 2, 1, 80)", D3DERR_NOTAVAILABLE);
  Initialise();
  ASSERT_TRUE(panel->Initialised());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "Your current video mode doesn't support the reccommended stencil buffer format[80]");
  EXPECT_EQ(prompter.shown[0].caption, "Stencil format");
  EXPECT_FALSE(panel->Context().PresentParams.EnableAutoDepthStencil);
  // Frames then clear only the target: a depth clear without a depth buffer would fail every frame.
  panel->RenderEnabled = true;
  log->Clear();
  panel->Paint();
  EXPECT_EQ(log->Matching("Clear("), (std::vector<std::string>{"Clear(0, null, 1, 0xFF000000, 1, 0)"}));
  EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(PanelTest, ARequestedSizeThatIsNoModeShowsTheModeListAndStillCreatesTheDevice) {
  setup = [](TRecordingDirect3D& d) {
    d.modes.clear();
    for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {800u, 600u}, {1024u, 768u}, {1280u, 1024u}})
      d.modes.push_back({w, h, 60, D3DFMT_X8R8G8B8});
  };
  MakePanel();
  panel->OnResolutionCheck = [](TVellDXPanel&, DWORD& w, DWORD& h, DWORD& depth) {
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(h, 480u);
    EXPECT_EQ(depth, 16u);
    w = 700;
    h = 500;
  };
  Initialise();
  ASSERT_TRUE(panel->Initialised());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, "Available modes");
  EXPECT_EQ(prompter.shown[0].text,
            "  640x480,   800x600,   800x600,   1024x768, \r\n  1280x1024, "
            "\r\nYou don't have the required screen mode available\r\n");
  EXPECT_NE(log->Matching("CreateDevice(")[0].find("{700x500"), std::string::npos);

  // The first exact match is marked; a second mode of the same size is not.
  EXPECT_TRUE(panel->BuildModeList(800, 600));
  EXPECT_EQ(panel->Context().ModeList, "  640x480, >800x600,   800x600,   1024x768, \r\n  1280x1024, ");
}

TEST_F(PanelTest, ListDisplayModesListsEachSizeOnceAndFindsTheBackBufferSize) {
  setup = [](TRecordingDirect3D& d) {
    d.modes = {{640, 480, 60, D3DFMT_X8R8G8B8},
               {640, 480, 75, D3DFMT_X8R8G8B8},
               {800, 600, 60, D3DFMT_R5G6B5},
               {1024, 768, 60, D3DFMT_X8R8G8B8}};
  };
  Initialise();
  std::vector<std::string> list{"old"};
  panel->BackBufferWidth = 1024;
  panel->BackBufferHeight = 768;
  EXPECT_EQ(panel->ListDisplayModes(list), 2);
  EXPECT_EQ(list, (std::vector<std::string>{"640x480", "800x600", "1024x768"}));
  panel->BackBufferWidth = 1000;
  EXPECT_EQ(panel->ListDisplayModes(list), -1);
}

// ---- Frames -------------------------------------------------------------------------------------------

class FrameTest : public PanelTest {
 protected:
  void SetUp() override {
    Initialise();
    ASSERT_TRUE(panel->Initialised());
    panel->RenderEnabled = true;
    log->Clear();
  }
};

TEST_F(FrameTest, WithoutTheStateBlockTheFrameTouchesNoState) {
  panel->InitialiseBeforeRender = false;
  panel->AddLight(0xFFFFFF, D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1});
  log->Clear();
  bool after = false, ended = false;
  panel->OnAfterRender = [&](TVellDXPanel& p) {
    EXPECT_TRUE(p.InFrame());
    after = true;
  };
  panel->OnSceneEnded = [&](TVellDXPanel& p) {
    EXPECT_FALSE(p.InFrame());
    ended = true;
  };
  ASSERT_TRUE(panel->Paint());
  EXPECT_TRUE(after);
  EXPECT_TRUE(ended);
  const auto& lines = log->Lines();
  ASSERT_EQ(lines.size(), 9u) << log->Text();
  EXPECT_EQ(lines[0], "TestCooperativeLevel()");
  EXPECT_EQ(lines[1], "Clear(0, null, 3, 0xFF000000, 1, 0)");
  EXPECT_EQ(lines[2], "SetViewport(0, 0, 640, 480, 0, 1)");
  EXPECT_EQ(lines[3], "BeginScene()");
  EXPECT_EQ(lines[4].rfind("SetTransform(D3DTS_VIEW, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | -0 -0 -0 1])", 0), 0u)
      << lines[4];
  EXPECT_EQ(lines[5].rfind("SetTransform(D3DTS_PROJECTION, ", 0), 0u);
  EXPECT_EQ(lines[6], "SetTransform(D3DTS_WORLD, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 0 0 0 1])");
  EXPECT_EQ(lines[7], "EndScene()");
  EXPECT_EQ(lines[8], "Present(null, null, null, null)");
}

TEST_F(FrameTest, TheStateBlockAppliesLightsAlphaBlendCullingAndWireFrame) {
  panel->AddLight(0x0000FF, D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, -1, 0});
  panel->AddLight(0xFF8000, D3DLIGHT_POINT, {1, 2, 3}, {0, 0, 0});
  panel->SetAmbientLight(0x102030);
  panel->AlphaBlend = true;
  panel->Culling = true;
  panel->WireFrame = true;
  log->Clear();
  panel->RenderFrame();
  const std::vector<std::string> states(log->Lines().begin() + 4, log->Lines().begin() + 21);
  const std::vector<std::string> expected = {
      "SetRenderState(D3DRS_FILLMODE, 2)",
      "SetRenderState(D3DRS_AMBIENT, 4281344016)",
      "SetLight(0, type=3 diffuse=(1,0,0,0) specular=(1,0,0,0) ambient=(1,0,0,0) position=(0,0,0) "
      "direction=(0,-1,0) range=1000 falloff=1 attenuation=(0,0,0) theta=0 phi=0)",
      "LightEnable(0, 1)",
      "SetLight(1, type=1 diffuse=(0,0.501961,1,0) specular=(0,0.501961,1,0) ambient=(0,0.501961,1,0) "
      "position=(1,2,3) direction=(0,0,0) range=1000 falloff=1 attenuation=(0,0,0) theta=0 phi=0)",
      "LightEnable(1, 1)",
      "SetRenderState(D3DRS_LIGHTING, 1)",
      "SetRenderState(D3DRS_ZENABLE, 1)",
      "SetRenderState(D3DRS_ZWRITEENABLE, 1)",
      "SetRenderState(D3DRS_SRCBLEND, 5)",
      "SetRenderState(D3DRS_DESTBLEND, 6)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
      "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
      "SetRenderState(D3DRS_ALPHAREF, 0)",
      "SetRenderState(D3DRS_ALPHAFUNC, 5)",
      "SetRenderState(D3DRS_CULLMODE, 3)",
      "SetTransform(D3DTS_VIEW, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | -0 -0 -0 1])",
  };
  EXPECT_EQ(states, expected) << log->Text();
  // 0x102030 is red 0x30, green 0x20, blue 0x10.
  EXPECT_EQ(panel->AmbientColor, 0xFF302010u);
}

TEST_F(FrameTest, WithoutLightsOrAlphaBlendTheBlockSwitchesThemOff) {
  panel->UseLights = false;
  panel->AddLight(0xFFFFFF, D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1});
  log->Clear();
  panel->RenderFrame();
  EXPECT_TRUE(log->Matching("SetLight").empty());
  EXPECT_TRUE(log->Matching("LightEnable").empty());
  const std::vector<std::string> states = log->Matching("SetRenderState");
  const std::vector<std::string> expected = {
      "SetRenderState(D3DRS_FILLMODE, 3)",         "SetRenderState(D3DRS_LIGHTING, 0)",
      "SetRenderState(D3DRS_ZENABLE, 1)",          "SetRenderState(D3DRS_ZWRITEENABLE, 1)",
      "SetRenderState(D3DRS_ZENABLE, 1)",          "SetRenderState(D3DRS_ZWRITEENABLE, 1)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 0)", "SetRenderState(D3DRS_ALPHATESTENABLE, 0)",
      "SetRenderState(D3DRS_CULLMODE, 1)",
  };
  EXPECT_EQ(states, expected);
}

TEST_F(FrameTest, FogFromTheHandlerLinearAndExponential) {
  panel->UseLights = false;
  DWORD mode = D3DFOG_LINEAR;
  panel->OnFog = [&](TVellDXPanel&, TColor& color, DWORD& fgMode, float& start, float& end) {
    color = 0x0000FF;
    fgMode = mode;
    start = 2.0f;
    end = 0.5f;
  };
  panel->FogDensity = 0.25f;
  panel->RenderFrame();
  std::vector<std::string> fog = log->Matching("SetRenderState(D3DRS_FOG");
  EXPECT_EQ(fog, (std::vector<std::string>{
                     "SetRenderState(D3DRS_FOGENABLE, 1)", "SetRenderState(D3DRS_FOGCOLOR, 4294901760)",
                     "SetRenderState(D3DRS_FOGVERTEXMODE, 3)", "SetRenderState(D3DRS_FOGSTART, 1073741824)",
                     "SetRenderState(D3DRS_FOGEND, 1056964608)"}));
  EXPECT_EQ(log->Matching("SetRenderState(D3DRS_RANGEFOGENABLE, 1)").size(), 1u);

  log->Clear();
  mode = D3DFOG_EXP2;
  panel->FogRange = false;
  panel->RenderFrame();
  fog = log->Matching("SetRenderState(D3DRS_FOG");
  EXPECT_EQ(fog,
            (std::vector<std::string>{
                "SetRenderState(D3DRS_FOGENABLE, 1)", "SetRenderState(D3DRS_FOGCOLOR, 4294901760)",
                "SetRenderState(D3DRS_FOGVERTEXMODE, 2)", "SetRenderState(D3DRS_FOGDENSITY, 1048576000)"}));
  EXPECT_TRUE(log->Matching("SetRenderState(D3DRS_RANGEFOGENABLE").empty());

  log->Clear();
  mode = D3DFOG_NONE;
  panel->RenderFrame();
  EXPECT_EQ(log->Matching("SetRenderState(D3DRS_FOG"),
            (std::vector<std::string>{"SetRenderState(D3DRS_FOGENABLE, 0)"}));
}

TEST_F(FrameTest, ALostDeviceIsReportedOnceAndDrawingStops) {
  Device().cooperativeAnswers = {D3DERR_DEVICELOST};
  std::string text;
  std::int32_t code = 0;
  panel->OnError = [&](TVellDXPanel&, const std::string& t, std::int32_t c) {
    text = t;
    code = c;
  };
  EXPECT_TRUE(panel->Paint());
  EXPECT_EQ(text, "Gfx Device lost - The program should be restarted if you want to use the 3D view.");
  EXPECT_EQ(code, -2005530520);
  EXPECT_FALSE(panel->RenderEnabled);
  EXPECT_TRUE(log->Matching("Clear(").empty());
  // Later paints show the plain panel until the application enables rendering again.
  EXPECT_FALSE(panel->Paint());
}

TEST_F(FrameTest, ADeviceThatNeedsAResetIsResetWithTheStoredParameters) {
  Device().cooperativeAnswers = {D3DERR_DEVICENOTRESET};
  log->Fail("Reset(", D3DERR_DEVICENOTRESET, 1);
  panel->RenderFrame();
  EXPECT_EQ(log->Matching("Reset(640, 480, 22)").size(), 2u);
  EXPECT_EQ(log->Matching("Present(").size(), 1u);

  // A reset that never succeeds is given up after a few tries instead of hanging the window.
  log->Clear();
  Device().cooperativeAnswers = {D3DERR_DEVICENOTRESET};
  log->Fail("Reset(", D3DERR_DEVICENOTRESET);
  panel->RenderFrame();
  EXPECT_EQ(log->Matching("Reset(").size(), 16u);
  EXPECT_FALSE(panel->RenderEnabled);
}

// The window's size, told before each paint, is what frames are drawn at: the device is reset to it, the
// viewport covers it and the projection takes its proportions. The GIF export's frames keep the resolution
// and are shown in the window's middle in theirs.
TEST_F(FrameTest, FramesFollowTheWindowsSizeAndProportions) {
  // A perspective's x scale over its y scale is the height over the width.
  const auto aspect = [&] { return panel->ProjectionMatrix.m[1][1] / panel->ProjectionMatrix.m[0][0]; };
  const struct {
    UINT clientWidth, clientHeight;
    bool atResolution;
    const char* reset;  // the Reset the frame asks for, or none
    UINT width, height;
    const char* present;
  } frames[] = {
      {0, 0, false, nullptr, 640, 480, "Present(null, null, null, null)"},  // headless: the resolution
      {900, 400, false, "Reset(900, 400, 22)", 900, 400, "Present(null, null, null, null)"},
      {900, 400, false, nullptr, 900, 400, "Present(null, null, null, null)"},  // no second reset
      {300, 700, false, "Reset(300, 700, 22)", 300, 700, "Present(null, null, null, null)"},
      // 640 x 480 shown 300 wide: 225 high, in the middle of 700.
      {300, 700, true, "Reset(640, 480, 22)", 640, 480, "Present(null, [0 237 300 462], null, null)"},
      {900, 400, true, nullptr, 640, 480, "Present(null, [183 0 716 400], null, null)"},
      {900, 400, false, "Reset(900, 400, 22)", 900, 400, "Present(null, null, null, null)"},
  };
  for (const auto& f : frames) {
    SCOPED_TRACE(std::to_string(f.clientWidth) + "x" + std::to_string(f.clientHeight) +
                 (f.atResolution ? " at the resolution" : ""));
    panel->ClientWidth = f.clientWidth;
    panel->ClientHeight = f.clientHeight;
    panel->DrawAtResolution = f.atResolution;
    log->Clear();
    ASSERT_TRUE(panel->Paint());
    EXPECT_EQ(log->Matching("Reset("),
              f.reset ? std::vector<std::string>{f.reset} : std::vector<std::string>{});
    EXPECT_EQ(panel->FrameWidth(), f.width);
    EXPECT_EQ(panel->FrameHeight(), f.height);
    EXPECT_EQ(log->Matching("SetViewport("),
              std::vector<std::string>{"SetViewport(0, 0, " + std::to_string(f.width) + ", " +
                                       std::to_string(f.height) + ", 0, 1)"});
    EXPECT_NEAR(aspect(), static_cast<float>(f.width) / static_cast<float>(f.height), 1e-5f);
    EXPECT_EQ(log->Matching("Present("), std::vector<std::string>{f.present});
  }
  // The resolution list still finds the size the panel was started with.
  std::vector<std::string> modes;
  EXPECT_GE(panel->ListDisplayModes(modes), 0);
}

TEST_F(FrameTest, ASizeTheDeviceRefusesIsToldOnceAndDrawingGoesOnAtTheOldOne) {
  log->Fail("Reset(", D3DERR_INVALIDCALL);
  panel->ClientWidth = 9000;
  panel->ClientHeight = 100;
  panel->RenderFrame();
  panel->RenderFrame();
  EXPECT_EQ(log->Matching("Reset(").size(), 1u);
  EXPECT_EQ(prompter.Captions(), std::vector<std::string>{"D3D Error"});
  EXPECT_EQ(panel->FrameWidth(), 640u);
  EXPECT_EQ(log->Matching("Present(").size(), 2u);
}

TEST_F(FrameTest, AnExceptionWhileDrawingStillEndsAndPresentsTheScene) {
  bool ended = false;
  panel->OnAfterRender = [](TVellDXPanel&) { throw std::runtime_error("model failed"); };
  panel->OnSceneEnded = [&](TVellDXPanel&) { ended = true; };
  EXPECT_THROW(panel->Paint(), std::runtime_error);
  EXPECT_FALSE(panel->InFrame());
  EXPECT_TRUE(ended);
  const auto& lines = log->Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "EndScene()");
  EXPECT_EQ(lines.back(), "Present(null, null, null, null)");
}

TEST_F(FrameTest, AFailedCallShowsTheD3DErrorBoxAndDrawingGoesOn) {
  log->Fail("SetTransform(D3DTS_PROJECTION", D3DERR_INVALIDCALL);
  panel->RenderFrame();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(
      prompter.shown[0].text,
      "Error: -2005530516 [8876086C]\n\rThe method call is invalid. For example, a method's parameter may "
      "have an invalid value.");
  EXPECT_EQ(prompter.shown[0].caption, "D3D Error");
  EXPECT_EQ(log->Matching("SetTransform(D3DTS_WORLD").size(), 1u);
  EXPECT_EQ(log->Matching("Present(").size(), 1u);
  // The same failure repeats its box every frame.
  panel->RenderFrame();
  EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST_F(FrameTest, APaintDuringAFrameDrawsThePlainPanel) {
  bool nested = true;
  panel->OnAfterRender = [&](TVellDXPanel& p) { nested = p.Paint(); };
  EXPECT_TRUE(panel->Paint());
  EXPECT_FALSE(nested);
  EXPECT_EQ(log->Matching("BeginScene").size(), 1u);
}

TEST(PanelText, ErrorTablesAndColourConversions) {
  EXPECT_EQ(D3DErrorText(0), "No error occurred.");
  EXPECT_EQ(D3DErrorText(D3DERR_DEVICELOST),
            "The device is lost and cannot be restored at the current time, so rendering is not possible.");
  EXPECT_EQ(D3DErrorText(D3DERR_OUTOFVIDEOMEMORY),
            "Direct3D does not have enough display memory to perform the operation.");
  EXPECT_EQ(D3DErrorText(12345), "Unrecognized Error");
  // 0x826053: red 0x53, green 0x60, blue 0x82.
  EXPECT_EQ(ColorToD3D(0x826053), 0xFF536082u);
  EXPECT_EQ(D3DToColor(0xFF536082u), 0x826053u);

  TVellDXPanel panel(nullptr, nullptr);
  panel.SetColor(0x826053);
  EXPECT_EQ(panel.ClearColor, 0xFF536082u);
  EXPECT_EQ(panel.Color(), 0x826053u);
}

TEST(PanelText, APanelWithoutOwnerSaysSo) {
  ScriptedPrompter prompter;
  TVellDXPanel panel(nullptr, &prompter, false);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "No owner control");
  EXPECT_EQ(prompter.shown[0].caption, "Debug");
}

// ---- View ---------------------------------------------------------------------------------------------

void ExpectNear(Vector3 a, Vector3 b) {
  EXPECT_NEAR(a.x, b.x, 1e-5f);
  EXPECT_NEAR(a.y, b.y, 1e-5f);
  EXPECT_NEAR(a.z, b.z, 1e-5f);
}

TEST(PanelView, SetEyePanAndOrbitMoveEyeLookAtAndCamera) {
  TVellDXPanel panel(nullptr, nullptr);
  int moved = 0, invalidated = 0;
  panel.OnCameraMoved = [&](TVellDXPanel&) { ++moved; };
  panel.OnInvalidate = [&] { ++invalidated; };

  panel.SetEye({0, 3, -9});
  ExpectNear(panel.LookAt, {0, 3, -8});
  ExpectNear(panel.Camera().Position, {0, 3, -9});

  panel.Pan({1, 0, 2});
  ExpectNear(panel.Eye, {1, 3, -7});
  ExpectNear(panel.LookAt, {1, 3, -6});
  ExpectNear(panel.Camera().Position, {1, 3, -7});

  // Both totals 0 look straight up; a pitch of pi/2 looks along +z.
  panel.Orbit(0, kPi / 2);
  ExpectNear(panel.LookAt, panel.Eye + Vector3{0, 0, 1});
  panel.Orbit(kPi / 2, 0);
  ExpectNear(panel.LookAt, panel.Eye + Vector3{1, 0, 0});
  EXPECT_EQ(moved, 4);
  EXPECT_EQ(invalidated, 4);
}

TEST(PanelView, MouseControlOrbitsPansAndSwallowsTinyMoves) {
  TVellDXPanel panel(nullptr, nullptr);
  // Off: every move is passed on and nothing changes.
  EXPECT_TRUE(panel.MouseMove({false, true, false}, 50, 50));
  ExpectNear(panel.LookAt, {0, 0, 1});

  panel.MouseControl = true;
  panel.MouseDown(TMouseButton::Left, {false, true, false}, 100, 100);
  EXPECT_FALSE(panel.MouseMove({false, true, false}, 101, 99));
  EXPECT_TRUE(panel.MouseMove({false, true, false}, 100, 70));
  // 30 pixels up: pitch (100 - 70) * pi/60 = pi/2.
  EXPECT_NEAR(panel.PitchTotal, kPi / 2, 1e-5f);
  ExpectNear(panel.LookAt, {0, 0, 1});

  panel.MouseDown(TMouseButton::Right, {false, false, true}, 10, 10);
  EXPECT_TRUE(panel.MouseMove({false, false, true}, 30, 40));
  ExpectNear(panel.Eye, {-2, 0, 3});
  EXPECT_TRUE(panel.MouseMove({true, false, true}, 30, 20));
  ExpectNear(panel.Eye, {-2, 2, 3});
}

}  // namespace
