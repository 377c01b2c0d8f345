#pragma once

// Writes animated GIF files frame by frame through giflib.

#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/error.h"

#include "core/file_io.h"
#include "formats/colour_quantiser.h"

struct GifFileType;

namespace dravo {

// giflib refused to encode: the message names the file and giflib's reason.
class GifWriteError : public Error {
 public:
  explicit GifWriteError(const std::string& message) : Error({}, message) {}
};

// Where a frame that is not the whole screen goes, and what happens to it after it is shown.
struct GifFramePlacement {
  int left = 0;
  int top = 0;
  int disposal = 1;            // GIF disposal: 1 leave it, 2 clear its rectangle, 3 restore what was there
  bool screenPalette = false;  // drawn with the screen's palette rather than a table of its own
};

// An animated GIF89a written frame by frame with giflib, looping for ever. Each frame is a full
// picture of the screen's size with its own palette and a graphic control extension; the first also
// carries the "NETSCAPE2.0" loop block (loop count 0) before its graphic control extension.
// The bytes go to a temporary file beside the target, which replaces the target only in commit():
// a writer destroyed before that, or one that failed, leaves no file and any earlier one as it was.
class GifWriter {
 public:
  // Throws FileError ("Cannot create file <target>") when the temporary file cannot be made.
  GifWriter(std::filesystem::path target, int width, int height);
  ~GifWriter();
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  // `delay` in hundredths of a second (0 to 65535). With a transparent index (0 to the palette's size
  // - 1) the frame is drawn with that index transparent and disposal 3 (restore the previous picture),
  // so every frame shows alone over the page; with -1 the frame has no transparency.
  // Throws std::invalid_argument for a frame of another size or bad values, GifWriteError or FileError
  // when writing fails (the writer is then of no further use).
  void addFrame(const IndexedImage& frame, int delay, int transparentIndex);
  // A frame of any size inside the screen at `placement`. With screenPalette its indices refer to the
  // screen's palette (setScreenPalette) and its own palette is not written.
  void addFrame(const IndexedImage& frame, int delay, int transparentIndex,
                const GifFramePlacement& placement);
  // The palette every frame may share, written before the first frame; 1 to 256 colours.
  void setScreenPalette(const std::vector<Rgb8>& palette);
  // Ends the file and puts it in place. Throws GifWriteError or FileError.
  void commit();

  const std::filesystem::path& target() const { return m_file.target(); }
  int frameCount() const { return m_frames; }

 private:
  static int Output(GifFileType* gif, const unsigned char* bytes, int length);
  void writeScreen();
  [[noreturn]] void fail(int code);

  AtomicFileWriter m_file;
  GifFileType* m_gif = nullptr;
  std::exception_ptr m_writeError;
  std::vector<unsigned char> m_row;
  int m_width;
  int m_height;
  int m_frames = 0;
  bool m_failed = false;
  bool m_screenWritten = false;
  std::vector<Rgb8> m_screenPalette;
};

}  // namespace dravo
