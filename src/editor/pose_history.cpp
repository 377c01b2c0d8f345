#include "editor/pose_history.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "editor/loaded_trick.h"
#include "editor/pose_edit.h"

namespace dravo {

namespace {

bool SameMatrix(const Matrix& a, const Matrix& b) {
  return std::memcmp(&a, &b, sizeof(Matrix)) == 0;
}

}  // namespace

void PoseHistory::Take(LoadedTrick& trick, std::int32_t first, std::int32_t last, std::string label) {
  TrimTop(trick);
  m_steps.resize(m_done);
  if (m_saved > static_cast<std::ptrdiff_t>(m_done)) m_saved = -1;
  Step step;
  step.label = std::move(label);
  first = std::max(first, 0);
  trick.ForEachEditablePart([&](TMotionPart& part, std::int32_t number) {
    for (std::int32_t f = first; f <= last && HasFrame(part, f); ++f)
      step.frames.push_back({number, f, part.Frames[static_cast<std::size_t>(f)]});
  });
  m_steps.push_back(std::move(step));
  m_done = m_steps.size();
  Bound();
}

void PoseHistory::TakeExchange(LoadedTrick& trick, std::function<void()> exchange, std::size_t bytes,
                               std::string label) {
  TrimTop(trick);
  m_steps.resize(m_done);
  if (m_saved > static_cast<std::ptrdiff_t>(m_done)) m_saved = -1;
  Step step;
  step.label = std::move(label);
  step.trimmed = true;
  step.exchange = std::move(exchange);
  step.exchangeBytes = bytes;
  m_steps.push_back(std::move(step));
  m_done = m_steps.size();
  Bound();
}

void PoseHistory::TrimTop(LoadedTrick& trick) {
  if (m_done == 0) return;
  Step& step = m_steps[m_done - 1];
  if (step.trimmed) return;
  std::erase_if(step.frames, [&](const Kept& k) {
    const TMotionPart* part = trick.PartAt(k.part);
    return !part || !HasFrame(*part, k.frame) ||
           SameMatrix(part->Frames[static_cast<std::size_t>(k.frame)], k.matrix);
  });
  step.frames.shrink_to_fit();
  step.trimmed = true;
}

void PoseHistory::Exchange(LoadedTrick& trick, Step& step) {
  if (step.exchange) step.exchange();
  for (Kept& k : step.frames) {
    TMotionPart* part = trick.PartAt(k.part);
    if (part && HasFrame(*part, k.frame))
      std::swap(part->Frames[static_cast<std::size_t>(k.frame)], k.matrix);
  }
}

bool PoseHistory::Undo(LoadedTrick& trick) {
  if (!CanUndo()) return false;
  TrimTop(trick);
  --m_done;
  Exchange(trick, m_steps[m_done]);
  return true;
}

bool PoseHistory::Redo(LoadedTrick& trick) {
  if (!CanRedo()) return false;
  Exchange(trick, m_steps[m_done]);
  ++m_done;
  return true;
}

bool PoseHistory::AtSaved() const {
  if (m_saved < 0) return false;
  const auto saved = static_cast<std::size_t>(m_saved);
  for (std::size_t i = std::min(saved, m_done); i < std::max(saved, m_done); ++i)
    if (!m_steps[i].exchange) return false;
  return true;
}

void PoseHistory::Clear() {
  m_steps.clear();
  m_done = 0;
  m_saved = 0;
}

std::vector<std::string> PoseHistory::Labels() const {
  std::vector<std::string> labels;
  labels.reserve(m_steps.size());
  for (const Step& step : m_steps)
    labels.push_back(step.label);
  return labels;
}

std::size_t PoseHistory::Bytes() const {
  std::size_t bytes = 0;
  for (const Step& step : m_steps)
    bytes += step.frames.capacity() * sizeof(Kept) + step.label.capacity() + step.exchangeBytes;
  return bytes;
}

void PoseHistory::Bound() {
  // The newest step stays whatever it holds: it is the edit under way.
  while (m_steps.size() > 1 && (m_steps.size() > kMaxSteps || Bytes() > kMaxBytes)) {
    m_steps.erase(m_steps.begin());
    --m_done;
    m_saved = m_saved > 0 ? m_saved - 1 : -1;
  }
}

}  // namespace dravo
