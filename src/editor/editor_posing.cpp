// Posing: mouse drags in the view turn and move the checked parts of the current frame, or turn
// and pan the view; PoseBone puts the pose tables on the models while they are drawn.
#include <algorithm>

#include "editor/dravo_editor.h"
#include "formats/dxg_model.h"

namespace dravo {

namespace {

constexpr float kRadiansPerPixel = kPi / 360;

}  // namespace

void TDravoEditor::DXPanelMouseDown(TMouseButton /*button*/, EditorShift shift, int x, int y) {
  m_posing.leftDrag = shift.left;
  if (m_posing.leftDrag) {
    m_posing.lastX = x;
    m_posing.lastY = y;
  }
  m_posing.rightDrag = shift.right;
  if (m_posing.rightDrag || shift.middle) {
    m_posing.lastX = x;
    m_posing.lastY = y;
  }
  m_posing.snapshotPending = true;
}

void TDravoEditor::DXPanelMouseMove(EditorShift shift, int x, int y) {
  const int dx = x - m_posing.lastX;
  const int dy = y - m_posing.lastY;
  const bool button = shift.left || shift.right;
  // The usual 3D-package bindings on the middle button: orbit, Shift pans, Ctrl zooms; and a right
  // drag orbits while no part is checked (there is nothing for it to move).
  const bool nothingChecked = std::none_of(m_parts.items.begin(), m_parts.items.end(),
                                           [](const PartItem& i) { return i.Checked && i.Enabled; });
  if (shift.middle && shift.ctrl) {
    SetZoom(m_view.zoom + dy / 2);
    m_posing.lastX = x;
    m_posing.lastY = y;
    return;
  }
  const bool pan = shift.middle && shift.shift;
  const bool orbit =
      !pan && ((shift.alt && button) || shift.middle ||
               (m_posing.rightDrag && shift.right && !shift.left && !shift.ctrl && nothingChecked));
  if (orbit) {
    const float yaw = -static_cast<float>(dx) * kRadiansPerPixel;
    const float pitch = static_cast<float>(dy) * kRadiansPerPixel;
    Matrix rx, ry;
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    m_view.sceneMatrix = rx * ry * m_view.sceneMatrix;
    m_posing.lastX = x;
    m_posing.lastY = y;
    Repaint();
    return;
  }
  if ((shift.ctrl && button) || pan) {
    const D3DXVECTOR3 eye = m_panel.GetEye();
    m_panel.SetEye(Vec3(eye.x - static_cast<float>(dx) / 400, eye.y + static_cast<float>(dy) / 400, eye.z));
    m_posing.lastX = x;
    m_posing.lastY = y;
    Repaint();
    return;
  }
  const bool turning = m_posing.leftDrag && shift.left;
  const bool moving = !turning && m_posing.rightDrag && shift.right;
  if (!turning && !moving) return;
  // One drag, one step: taken on its first move, so a click changes nothing.
  if (m_posing.snapshotPending) {
    TakeSnapshot(m_playback.currentFrame, m_playback.currentFrame, DragLabel(turning ? "Rotate" : "Move"));
    m_posing.snapshotPending = false;
  }
  if (turning) {
    const float a1 = static_cast<float>(dx) * kRadiansPerPixel;
    const float a2 = static_cast<float>(dy) * kRadiansPerPixel;
    for (const PartItem& item : m_parts.items) {
      if (!item.Enabled || !item.Checked) continue;
      if (Axis(AxisGroup::RotX) >= 0)
        RotatePart(item.Part, m_playback.currentFrame, Axis(AxisGroup::RotX), a1);
      if (Axis(AxisGroup::RotY) >= 0)
        RotatePart(item.Part, m_playback.currentFrame, Axis(AxisGroup::RotY), a2);
      m_marks.MarkModified(ModifiedMarks::Trick);
    }
  } else {
    const float d1 = -static_cast<float>(dx) * kRadiansPerPixel;
    const float d2 = -static_cast<float>(dy) * kRadiansPerPixel;
    for (const PartItem& item : m_parts.items) {
      if (!item.Enabled || !item.Checked) continue;
      const TMotionPart* part = m_trick.PartAt(item.Part);
      if (!part || !part->HasPosition) continue;
      if (Axis(AxisGroup::PosX) >= 0) MovePart(item.Part, m_playback.currentFrame, Axis(AxisGroup::PosX), d1);
      if (Axis(AxisGroup::PosY) >= 0) MovePart(item.Part, m_playback.currentFrame, Axis(AxisGroup::PosY), d2);
      m_marks.MarkModified(ModifiedMarks::Trick);
    }
  }
  m_posing.lastX = x;
  m_posing.lastY = y;
  Repaint();
}

std::string TDravoEditor::DragLabel(const char* verb) const {
  std::string what;
  int count = 0;
  for (const PartItem& item : m_parts.items) {
    if (!item.Enabled || !item.Checked) continue;
    if (++count == 1) what = item.Name;
  }
  if (count != 1) what = std::to_string(count) + " parts";
  return std::string(verb) + " " + what + ", frame " + std::to_string(m_playback.currentFrame + 1);
}

void TDravoEditor::DXPanelMouseUp(TMouseButton /*button*/, EditorShift shift) {
  if (m_posing.leftDrag) m_posing.leftDrag = shift.left;
  if (m_posing.rightDrag) m_posing.rightDrag = shift.right;
}

void TDravoEditor::AxisButtonClick(AxisGroup group, int tag) {
  if (tag < 0 || tag > 2) return;
  m_posing.Toggle(group, tag);
  Changed(changes::Axes);
}

void TDravoEditor::RotatePart(std::int32_t part, std::int32_t frame, int axis, float angle) {
  if (TMotionPart* p = m_trick.PartAt(part)) dravo::RotatePart(*p, frame, axis, angle);
}

void TDravoEditor::MovePart(std::int32_t part, std::int32_t frame, int axis, float distance) {
  if (TMotionPart* p = m_trick.PartAt(part)) dravo::MovePart(*p, frame, axis, distance);
}

void TDravoEditor::PoseBone(TDXGmodel& model, D3DXMATRIX& world, std::int32_t bone) {
  if (bone < 0) return;
  // An onion-skin ghost is posed at its own frame, on both sides.
  const std::int32_t posed = m_ghostFrame >= 0 ? m_ghostFrame : m_playback.currentFrame;
  const auto shown = [&](const TMOTfile& motion, const TMotionPart& part) -> const Matrix* {
    const std::int32_t f = ShownFrame(posed, m_trick.frameCount, motion.FrameCount());
    return f >= 0 && HasFrame(part, f) ? &part.Frames[static_cast<std::size_t>(f)] : nullptr;
  };
  switch (RenderPass) {
    case 1: {
      if (bone < TModelSet::kDrivenBones) {
        const std::uint8_t p = m_chosen.riderSet.BoneParts[static_cast<std::size_t>(bone)];
        if (p < m_trick.riderParts.size()) {
          if (const Matrix* m = shown(m_trick.riderMotion, m_trick.riderParts[p])) world = *m * world;
        }
      }
      if (m_trick.attachToMachine && bone == 0 && !m_trick.riderParts.empty())
        world = world * m_trick.riderParts[0].AttachMatrix;
      break;
    }
    case 2: {
      if (m_trick.hasMachineMotion && bone < TModelSet::kDrivenBones) {
        const std::uint8_t p = m_chosen.machineSet.BoneParts[static_cast<std::size_t>(bone)];
        if (p < m_trick.machineParts.size()) {
          const TMotionPart& part = m_trick.machineParts[p];
          if (const Matrix* m = shown(m_trick.machineMotion, part)) {
            const TDXGBone* own = model.Bone(bone);
            const TDXGBone* parent = own ? model.Bone(own->Parent) : nullptr;
            if (bone == 0 || !own) {
              world = *m;
            } else if (part.HasPosition) {
              world = parent ? *m * parent->World : *m;
            } else {
              // The motion's turn at the bone's own rest position.
              Matrix r = *m;
              r[0][3] = r[1][3] = r[2][3] = 0;
              r[3][0] = own->Local[3][0];
              r[3][1] = own->Local[3][1];
              r[3][2] = own->Local[3][2];
              r[3][3] = 1;
              world = parent ? r * parent->World : r;
            }
          }
        }
      }
      for (TAttachment& a : m_chosen.machineSet.Attachments)
        if (a.Bone == bone) a.Matrix = world;
      if (bone == 0 && !m_trick.riderParts.empty()) {
        Matrix& attach = m_trick.riderParts[0].AttachMatrix;
        attach = world;
        attach[0][3] = attach[1][3] = attach[2][3] = 0;
        attach[3][3] = 1;
      }
      break;
    }
    case 4: {
      if (bone != 0) break;
      // The record being drawn, so a model hung on two bones is drawn at both; otherwise the
      // first record that holds this model.
      const auto count = static_cast<int>(m_chosen.machineSet.Attachments.size());
      if (m_posing.drawingAttachment >= 0 && m_posing.drawingAttachment < count &&
          m_chosen.machineSet.Attachments[static_cast<std::size_t>(m_posing.drawingAttachment)].Model ==
              &model) {
        world = m_chosen.machineSet.Attachments[static_cast<std::size_t>(m_posing.drawingAttachment)].Matrix;
        break;
      }
      for (const TAttachment& a : m_chosen.machineSet.Attachments) {
        if (a.Model == &model) {
          world = a.Matrix;
          break;
        }
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace dravo
