#pragma once

// The animated GIF export without any window or device: frames come in as 32-bit pictures of any size
// (blue, green, red, alpha bytes, as a locked X8R8G8B8 back buffer lies in memory), are scaled to the
// GIF's square by area averaging, reduced to 256 colours and written one by one. The editor, the
// command line and the window each render the frames their own way and drive this.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "formats/area_scale.h"
#include "formats/gif_writer.h"

namespace dravo {

struct GifOptions {
  int size = 64;             // width and height in pixels, 32 to 256 (the "Size" option)
  int framesPerSecond = 15;  // the playback rate, 1 to 100 (the "fps" option)
  // The bottom-left pixel's colour is the background, which is see-through (the "Transparent" option).
  bool transparent = true;
  // Smaller files: frames cropped to what changed, unchanged pixels see-through, one palette shared
  // by the frames it serves well enough (kGifOptimizedErrorBound). Frames are kept until Finish.
  bool optimize = false;
};

// An optimised GIF's promise: over the rectangle a frame draws, what it shows lies no further from the
// frame than this mean squared error per channel, or no further than the frame's own 255-colour palette
// would put it where that is worse.
inline constexpr double kGifOptimizedErrorBound = 4.0;

// A transparent GIF shows a pixel at least this much covered by the models (of 255): a quarter, so
// that thin limbs survive the scaling of a large frame down to 64 pixels.
inline constexpr int kGifShownCoverage = 64;

inline constexpr int kGifMinSize = 32;
inline constexpr int kGifMaxSize = 256;
inline constexpr int kMinFramesPerSecond = 1;
inline constexpr int kMaxFramesPerSecond = 100;

// The message the numeric field gives for an option out of range, or empty when both are fine.
std::string GifOptionsError(const GifOptions& options);

// The playback timer's interval in milliseconds: 1000 ÷ rate, rounded to the nearest (halves to even).
int PlaybackIntervalMs(int framesPerSecond);
// A frame's delay in hundredths of a second: the timer's interval ÷ 10, the remainder dropped.
int GifFrameDelay(int framesPerSecond);

// The name the GIF is written under: the chosen name with its extension replaced by, or extended with,
// ".gif". A name that already ends in ".gif" in any case is kept as it is, since on this host "A.GIF"
// and "A.gif" are two files and the user chose the first.
std::filesystem::path GifFileName(const std::filesystem::path& chosen);

// One export, fed frame by frame. Nothing appears under the file name until Finish(); an export that is
// dropped before, or fails, leaves no file and any earlier file of that name as it was.
class GifExport {
 public:
  // Throws std::invalid_argument with GifOptionsError's message for bad options, FileError when the
  // folder takes no new file.
  GifExport(const std::filesystem::path& chosen, const GifOptions& options);

  // Scales the frame to the GIF's size, reduces it to 256 colours and writes it. With `transparent`,
  // the frame's bottom-left pixel gives the background colour: a GIF pixel less than kGifShownCoverage
  // covered by other colours is see-through, a covered one shows the models' colours alone (no background
  // halo at the edges), and the background colour has a palette entry of its own. Throws
  // std::invalid_argument for an empty frame, GifWriteError or FileError when writing fails.
  void AddFrame(const PixelView32& frame);
  // Ends the file and puts it in place. Throws std::invalid_argument when no frame was added.
  void Finish();

  const std::filesystem::path& FileName() const { return m_writer.target(); }
  int FrameCount() const { return m_frameCount; }
  int FrameDelay() const { return m_delay; }
  // The last frame added as the GIF is to show it: scaled, blue-green-red-alpha, see-through pixels in
  // the background's exact colour (which no shown pixel has). What a file's error is measured against.
  const std::vector<std::uint8_t>& ScaledFrame() const { return m_scaled; }

 private:
  // Scales a transparent frame by coverage into m_scaled; the first see-through pixel, or -1.
  std::ptrdiff_t CoverFrame(const PixelView32& frame);
  // Writes the kept frames, cropped, with the shared palette where it serves.
  void WriteOptimised();

  GifOptions m_options;
  int m_delay;
  std::vector<std::uint8_t> m_scaled;
  std::vector<std::uint8_t> m_covered;  // the frame with its coverage, kept from frame to frame
  GifWriter m_writer;
  int m_frameCount = 0;
  std::vector<std::uint8_t> m_kept;    // optimised: every scaled frame, one after another
  std::vector<std::ptrdiff_t> m_sees;  // optimised: each kept frame's first see-through pixel, or -1
};

// Renders frame f (0-based) and hands out its picture, valid until the next call.
using GifFrameSource = std::function<PixelView32(int frame)>;
// Told (0, total) before the first frame and (f, total) after frame f; false cancels the export.
using GifProgress = std::function<bool(int done, int total)>;

// The whole export: `frameCount` frames from `render`, written to GifFileName(chosen). Returns false
// when `progress` cancelled it (no file is written). Throws as GifExport does, and
// std::invalid_argument for a frame count below 1.
bool ExportGif(const std::filesystem::path& chosen, const GifOptions& options, int frameCount,
               const GifFrameSource& render, const GifProgress& progress = {});

}  // namespace dravo
