// The view: zoom, presets, joystick pads, colours and switches, and the drawing of the machine
// and the rider inside each frame of the panel.
#include <algorithm>
#include <iterator>
#include <vector>

#include "editor/dravo_editor.h"
#include "editor/view_rules.h"
#include "formats/dxg_model.h"

namespace dravo {

namespace {

// What the lit models are made of. The panel's white ambient and its two white lights each add their
// ambient part (three in all), so a sixth of it keeps a face turned from both lights at half its
// texture's brightness; a face under them gets the diffuse part of each and shows its texture in full.
constexpr D3DMATERIAL8 kLitMaterial{
    {0.3f, 0.3f, 0.3f, 1.0f}, {1.0f / 6, 1.0f / 6, 1.0f / 6, 1.0f}, {}, {}, 0};

}  // namespace

void TDravoEditor::SetZoom(int position) {
  m_view.SetZoom(position);
  const D3DXVECTOR3 eye = m_panel.GetEye();
  m_panel.SetEye(Vec3(eye.x, eye.y, -m_view.EyeDistance()));
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::ViewBoxChange(int index) {
  if (index < 0 || index > 5) return;
  m_view.viewIndex = index;
  std::optional<float> depth;
  if (m_chosen.machineSet.Model) {
    const TDXGBoundingBox& box = m_chosen.machineSet.Model->BoundingBox();
    depth = box.Max.z - box.Min.z;
  }
  m_view.sceneMatrix = ViewPresetMatrix(index, depth);
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::FrameModels() {
  // The boxes of the models on show as last drawn; their sphere is what the eye must see.
  Vector3 low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
  std::vector<Vector3> corners;
  const auto add = [&](const TDXGmodel* model) {
    // As last drawn: posed, and placed by its world matrix.
    const TDXGBoundingBox& b = model->PosedBox();
    if (b.Min.x > b.Max.x) return;  // not drawn yet, or no vertices
    for (int i = 0; i < 8; ++i) {
      const Vector3 c{(i & 1) ? b.Max.x : b.Min.x, (i & 2) ? b.Max.y : b.Min.y, (i & 4) ? b.Max.z : b.Min.z};
      const Vector3 t = TransformCoord(c, model->LastWorld());
      corners.push_back(t);
      low = {std::min(low.x, t.x), std::min(low.y, t.y), std::min(low.z, t.z)};
      high = {std::max(high.x, t.x), std::max(high.y, t.y), std::max(high.z, t.z)};
    }
  };
  if (m_view.showBike) m_chosen.machineSet.ForEachModel(add);
  m_chosen.riderSet.ForEachModel(add);
  if (corners.empty()) return;
  const Vector3 centre = (low + high) * 0.5f;
  float radius = 0;
  for (const Vector3& c : corners)
    radius = std::max(radius, Vec3Length(c - centre));
  const float aspect = m_panel.FrameHeight() > 0 ? static_cast<float>(m_panel.FrameWidth()) /
                                                       static_cast<float>(m_panel.FrameHeight())
                                                 : 1.0f;
  const Framing f = FrameSphere(centre, radius, m_panel.FieldOfView, aspect);
  m_view.SetZoom(f.zoom);
  m_panel.SetEye(Vec3(f.eyeX, f.eyeY, -m_view.EyeDistance()));
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::ShowBikeClick(bool on) {
  m_view.showBike = on;
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::ChooseBackgroundColour() {
  const std::optional<TColor> colour = m_host.ChooseColor(m_view.backgroundColor);
  if (!colour) return;
  m_view.backgroundColor = *colour;
  m_panel.SetColor(*colour);
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::MudColorClick() {
  const std::optional<TColor> colour = m_host.ChooseColor(m_view.mudColor);
  if (!colour) return;
  m_view.mudColor = *colour;
  ApplyMudColour();
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::MudScaleChange(int position) {
  m_view.mudScale = std::clamp(position, 0, 255);
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::WireModeClick(bool on) {
  m_view.wireMode = on;
  m_panel.WireFrame = on;
  m_panel.Culling = !on;
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::LightClick(bool on) {
  m_view.lighting = on;
  m_panel.UseLights = on;
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::TransparentClick(bool on) {
  m_view.transparent = on;
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::SetGifOptimize(bool on) {
  m_view.gifOptimize = on;
  Changed(changes::ViewSettings);
}

void TDravoEditor::SetGifSize(int size) {
  m_view.gifSize = std::clamp(size, kGifMinSize, kGifMaxSize);
  Changed(changes::ViewSettings);
}

void TDravoEditor::JoystickMouseDown(int tag) {
  m_view.joystickTurns = tag == 1;
  m_view.joystickTimerEnabled = true;
  SetTimers();
}

void TDravoEditor::JoystickMouseMove(int x, int y) {
  m_view.joyX = -JoystickOffset(x);
  m_view.joyY = JoystickOffset(y);
}

void TDravoEditor::JoystickMouseUp() {
  m_view.joystickTimerEnabled = false;
  SetTimers();
}

void TDravoEditor::JoystickTimerTimer() {
  if (m_view.joystickTurns) {
    m_view.TurnByJoystick();
  } else {
    const D3DXVECTOR3 eye = m_panel.GetEye();
    m_panel.SetEye(Vec3(eye.x - static_cast<float>(m_view.joyX) / 400,
                        eye.y - static_cast<float>(m_view.joyY) / 400, eye.z));
  }
  Repaint();
}

void TDravoEditor::DXPanelAfterRender() {
  // The panel leaves its render-state block to the materials; the view's two switches act all the same:
  // the fill mode, and the lights with the models shaded by them.
  IDirect3DDevice8* device = m_panel.Device();
  if (device) {
    device->SetRenderState(D3DRS_FILLMODE, m_view.wireMode ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
    m_panel.ApplyLights();
  }
  if (device && m_view.lighting) {
    // The material's colours, not the vertices' (they carry the mud colour).
    device->SetRenderState(D3DRS_COLORVERTEX, 0);
    device->SetMaterial(&kLitMaterial);
  }
  // The onion skin's ghosts go behind the frame: the frame takes the near half of the depth range, the
  // ghosts the far half after it, so what the frame covers costs them nothing.
  D3DVIEWPORT8 viewport{};
  const bool onion =
      m_view.onionSkin && !m_exportingFrames && device && SUCCEEDED(device->GetViewport(&viewport)) &&
      !OnionGhosts(m_playback.currentFrame, m_trick.frameCount, m_view.onionBefore, m_view.onionAfter)
           .empty();
  if (onion) {
    D3DVIEWPORT8 front = viewport;
    front.MaxZ = viewport.MinZ + (viewport.MaxZ - viewport.MinZ) / 2;
    device->SetViewport(&front);
  }
  DrawModels(0);
  if (onion) {
    DrawOnionSkin(viewport);
    // The models end posed at the frame itself, as the highlight and the framing read them.
    DrawModels(0, false);
    device->SetViewport(&viewport);
  }
  if (!m_exportingFrames) DrawCheckedParts();
}

void TDravoEditor::ForEachModelInPoseOrder(bool withMachine, const std::function<void(TDXGmodel&)>& visit) {
  // The machine is posed before the rider: an attached rider follows the machine's root.
  if (withMachine) {
    RenderPass = 2;
    if (m_chosen.machineSet.Model) visit(*m_chosen.machineSet.Model);
    RenderPass = 4;
    for (std::size_t i = 0; i < m_chosen.machineSet.Attachments.size(); ++i) {
      m_posing.drawingAttachment = static_cast<int>(i);
      if (TDXGmodel* model = m_chosen.machineSet.Attachments[i].Model) visit(*model);
    }
    m_posing.drawingAttachment = -1;
  } else if (!m_trick.riderParts.empty()) {
    m_trick.riderParts[0].AttachMatrix = IdentityMatrix();
  }
  RenderPass = 1;
  if (m_chosen.riderSet.Model) visit(*m_chosen.riderSet.Model);
  for (const TAttachment& a : m_chosen.riderSet.Attachments)
    if (a.Model) visit(*a.Model);
}

void TDravoEditor::DrawModels(std::uint8_t ghostAlpha, bool draw) {
  const D3DXVECTOR3 origin{0, 0, 0};
  ForEachModelInPoseOrder(m_view.showBike, [&](TDXGmodel& model) {
    if (!draw) {
      model.PoseAt(origin);
      return;
    }
    model.Lit = m_view.lighting;
    model.GhostAlpha = ghostAlpha;
    model.RenderAt(origin);
    model.GhostAlpha = 0;
  });
}

bool TDravoEditor::DrawOnionSkin(const D3DVIEWPORT8& viewport) {
  IDirect3DDevice8* device = m_panel.Device();
  if (!device) return false;
  const std::vector<OnionGhost> ghosts =
      OnionGhosts(m_playback.currentFrame, m_trick.frameCount, m_view.onionBefore, m_view.onionAfter);
  if (ghosts.empty()) return false;
  const D3DRENDERSTATETYPE saved[] = {D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_COLORWRITEENABLE,
                                      D3DRS_LIGHTING, D3DRS_COLORVERTEX};
  DWORD values[std::size(saved)];
  for (std::size_t i = 0; i < std::size(saved); ++i)
    device->GetRenderState(saved[i], &values[i]);
  // The tint comes from the material through the lights: shaded like the models where the view is lit,
  // flat where it is not.
  // Each ghost keeps its depth, so its nearest faces hide the rest of it and the ghosts drawn after it;
  // the view stays opaque.
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
  device->SetRenderState(D3DRS_COLORWRITEENABLE,
                         D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_BLUE);
  device->SetRenderState(D3DRS_LIGHTING, 1);
  device->SetRenderState(D3DRS_COLORVERTEX, 0);
  // Posing goes back to the current frame however the drawing ends.
  struct Restore {
    std::int32_t& frame;
    ~Restore() { frame = -1; }
  } restore{m_ghostFrame};
  // Each ghost in its own slice of the far half of the depth range, the first drawn nearest: where ghosts
  // overlap, the nearest frame shows, and what is hidden is not shaded.
  const float far = viewport.MinZ + (viewport.MaxZ - viewport.MinZ) / 2;
  const float slice = (viewport.MaxZ - far) / static_cast<float>(ghosts.size());
  for (std::size_t k = 0; k < ghosts.size(); ++k) {
    const OnionGhost& ghost = ghosts[k];
    D3DVIEWPORT8 range = viewport;
    range.MinZ = far + slice * static_cast<float>(k);
    range.MaxZ = range.MinZ + slice;
    device->SetViewport(&range);
    const std::uint32_t tint = OnionTint(ghost.later);
    const std::uint8_t alpha = OnionAlpha(ghost.distance);
    const auto part = [&](float scale) {
      return D3DCOLORVALUE{static_cast<float>((tint >> 16) & 0xFF) / 255 * scale,
                           static_cast<float>((tint >> 8) & 0xFF) / 255 * scale,
                           static_cast<float>(tint & 0xFF) / 255 * scale, static_cast<float>(alpha) / 255};
    };
    D3DMATERIAL8 material{};
    if (m_view.lighting) {
      material.Diffuse = part(0.3f);
      material.Ambient = part(0.15f);
      material.Emissive = part(0.3f);
    } else {
      material.Diffuse = part(0);
      material.Emissive = part(0.85f);
    }
    device->SetMaterial(&material);
    m_ghostFrame = ghost.frame;
    DrawModels(alpha);
  }
  device->SetViewport(&viewport);
  for (std::size_t i = 0; i < std::size(saved); ++i)
    device->SetRenderState(saved[i], values[i]);
  return true;
}

void TDravoEditor::SetOnionSkin(bool on) {
  m_view.onionSkin = on;
  Changed(changes::ViewSettings);
  Repaint();
}

void TDravoEditor::SetOnionFrames(int before, int after) {
  m_view.onionBefore = std::clamp(before, kOnionMinFrames, kOnionMaxFrames);
  m_view.onionAfter = std::clamp(after, kOnionMinFrames, kOnionMaxFrames);
  Changed(changes::ViewSettings);
  if (m_view.onionSkin) Repaint();
}

void TDravoEditor::DrawCheckedParts() {
  IDirect3DDevice8* device = m_panel.Device();
  if (!device) return;
  // The bones of the checked parts, per model.
  const auto rowActs = [&](std::int32_t part) {
    for (std::size_t row = 0; row < m_parts.items.size(); ++row)
      if (m_parts.items[row].Part == part) return m_parts.Acts(row);
    return false;
  };
  const auto riderCount = static_cast<std::int32_t>(m_trick.riderParts.size());
  const auto collect = [&](const TModelSet& set, std::int32_t firstPart, std::size_t partCount,
                           std::vector<D3DXVECTOR3>& out) {
    if (!set.Model) return;
    std::vector<bool> bones(TModelSet::kDrivenBones, false);
    bool any = false;
    for (std::size_t b = 0; b < bones.size(); ++b) {
      const std::uint8_t p = set.BoneParts[b];
      if (p < partCount && rowActs(firstPart + p)) bones[b] = any = true;
    }
    if (any) set.Model->CollectEdges(bones, out);
  };
  std::vector<D3DXVECTOR3> riderEdges, machineEdges;
  collect(m_chosen.riderSet, 0, m_trick.riderParts.size(), riderEdges);
  if (m_view.showBike) collect(m_chosen.machineSet, riderCount, m_trick.machineParts.size(), machineEdges);
  if (riderEdges.empty() && machineEdges.empty()) return;

  // Lines over everything, so a part behind another still shows: a tint the skins do not use.
  struct LineVertex {
    D3DXVECTOR3 position;
    D3DCOLOR colour;
  };
  constexpr D3DCOLOR kTint = 0xC0FFB000u;  // amber, three quarters opaque
  const D3DRENDERSTATETYPE saved[] = {D3DRS_ZENABLE,          D3DRS_LIGHTING,    D3DRS_ALPHATESTENABLE,
                                      D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,    D3DRS_DESTBLEND,
                                      D3DRS_FILLMODE,         D3DRS_COLORVERTEX, D3DRS_COLORWRITEENABLE};
  DWORD values[std::size(saved)];
  for (std::size_t i = 0; i < std::size(saved); ++i)
    device->GetRenderState(saved[i], &values[i]);
  device->SetRenderState(D3DRS_ZENABLE, 0);
  device->SetRenderState(D3DRS_LIGHTING, 0);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  device->SetRenderState(D3DRS_COLORVERTEX, 1);
  // The view stays opaque: the lines blend into its colour, not its alpha.
  device->SetRenderState(D3DRS_COLORWRITEENABLE,
                         D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_BLUE);
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  std::vector<LineVertex> lines;
  const auto drawLines = [&](const std::vector<D3DXVECTOR3>& points, const TDXGmodel* model) {
    if (points.size() < 2) return;
    lines.clear();
    lines.reserve(points.size());
    for (const D3DXVECTOR3& p : points)
      lines.push_back({p, kTint});
    device->SetTransform(D3DTS_WORLD, &model->LastWorld());
    device->DrawPrimitiveUP(D3DPT_LINELIST, static_cast<UINT>(lines.size() / 2), lines.data(),
                            sizeof(LineVertex));
  };
  drawLines(riderEdges, m_chosen.riderSet.Model);
  drawLines(machineEdges, m_chosen.machineSet.Model);
  for (std::size_t i = 0; i < std::size(saved); ++i)
    device->SetRenderState(saved[i], values[i]);
}

bool TDravoEditor::CaptureView(std::vector<std::uint8_t>& pixels, int& width, int& height, bool blueFirst) {
  IDirect3DDevice8* device = m_panel.Device();
  if (!device) return false;
  try {
    if (!m_panel.Paint()) return false;
  } catch (const std::exception& e) {
    m_host.ShowError(e.what());
    return false;
  }
  ComPtr<IDirect3DSurface8> back;
  if (FAILED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back) return false;
  D3DSURFACE_DESC desc;
  if (FAILED(back->GetDesc(&desc))) return false;
  if (desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8) return false;
  D3DLOCKED_RECT locked{};
  if (FAILED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY)) || !locked.pBits) return false;
  width = static_cast<int>(desc.Width);
  height = static_cast<int>(desc.Height);
  pixels.resize(std::size_t(desc.Width) * desc.Height * 4);
  const int red = blueFirst ? 2 : 0, blue = blueFirst ? 0 : 2;
  for (UINT y = 0; y < desc.Height; ++y) {
    const auto* row =
        static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * std::size_t(locked.Pitch);
    std::uint8_t* out = &pixels[std::size_t(y) * desc.Width * 4];
    for (UINT x = 0; x < desc.Width; ++x) {
      // Blue, green, red bytes of a 32-bit pixel; the view is opaque.
      out[4 * x + red] = row[4 * x + 2];
      out[4 * x + 1] = row[4 * x + 1];
      out[4 * x + blue] = row[4 * x];
      out[4 * x + 3] = 255;
    }
  }
  back->UnlockRect();
  return true;
}

void TDravoEditor::BeginFrameExport() {
  m_exportingFrames = true;
  m_playback.BeginExport();
  SetTimers();
  Changed(changes::Playback);
}

void TDravoEditor::EndFrameExport() {
  m_exportingFrames = false;
  m_playback.EndExport();
  SetTimers();
  Changed(changes::Playback);
}

void TDravoEditor::SetCommonPak(bool on) {
  m_commonPak = on;
  Changed(changes::Setup);
}

}  // namespace dravo
