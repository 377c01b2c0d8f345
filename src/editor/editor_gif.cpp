// The animated GIF export of the current trick: the editor shows each frame, the export scales,
// reduces and writes it (formats/gif_export.h).
#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/text.h"
#include "editor/dravo_editor.h"

namespace dravo {

void TDravoEditor::MakeGifBtnClick() {
  if (!m_playback.gifEnabled) return;
  const std::optional<std::string> name = m_host.ChooseSaveGif(ShownTrickName() + ".gif");
  if (!name) return;
  Guard([&] {
    const bool written =
        MakeGif(*name, [this](int done, int total) { return m_host.ExportProgress(done, total); });
    SetStatus(written ? "Wrote " + ExtractFileName(ChangeFileExt(*name, ".gif")) + ": " + ShownTrickName() +
                            ", " + std::to_string(m_trick.frameCount) + " frames"
                      : "GIF export cancelled; no file was written");
  });
}

bool TDravoEditor::MakeGif(const std::string& fileName, const GifProgress& progress) {
  if (m_trick.frameCount < 1) throw std::invalid_argument("There are no frames to export");
  const GifOptions options{m_view.gifSize, m_playback.frameRate, m_view.transparent, m_view.gifOptimize};

  // Playback, the cursor and the view's own size come back whatever happens below.
  struct Restore {
    TDravoEditor& editor;
    bool drawAtResolution;
    ~Restore() {
      editor.m_panel.DrawAtResolution = drawAtResolution;
      editor.EndFrameExport();
      editor.m_host.SetBusy(false);
      editor.Repaint();
    }
  };
  m_host.SetBusy(true);
  BeginFrameExport();
  const Restore restore{*this, m_panel.DrawAtResolution};
  // The frames are drawn at the resolution chosen for them, whatever size the window has.
  m_panel.DrawAtResolution = true;

  std::vector<std::uint8_t> picture;
  const GifFrameSource render = [&](int frame) {
    FrameBarChange(frame + 1);
    int width = 0, height = 0;
    // In the back buffer's blue-first order, which the export takes, into the same vector each frame.
    if (!CaptureView(picture, width, height, true))
      throw std::runtime_error("The view could not be drawn for the GIF");
    // The GIF is square: the middle square of the frame, so the models keep their proportions.
    const int side = std::min(width, height);
    const std::size_t left = static_cast<std::size_t>((width - side) / 2);
    const std::size_t top = static_cast<std::size_t>((height - side) / 2);
    return PixelView32{picture.data() + (top * static_cast<std::size_t>(width) + left) * 4, side, side,
                       std::ptrdiff_t(width) * 4};
  };
  return ExportGif(fileName, options, m_trick.frameCount, render, progress);
}

}  // namespace dravo
