#include "demo/demo_pak_writer.h"

#include <algorithm>
#include <stdexcept>

#include "archive/pak_format.h"
#include "core/byte_io.h"
#include "core/file_io.h"
#include "core/text.h"

namespace dravo::demo {

void WritePak(const std::filesystem::path& file, std::vector<PakSource> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const PakSource& a, const PakSource& b) { return CompareTextAZ(a.name, b.name) < 0; });
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const PakSource& e = entries[i];
    if (e.name.empty() || e.name.size() > kPakMaxNameLength)
      throw std::invalid_argument("PAK entry name does not fit a directory record: " + e.name);
    if (i > 0 && CompareTextAZ(entries[i - 1].name, e.name) == 0)
      throw std::invalid_argument("two PAK entries named " + e.name);
    total += e.size;
  }
  if (total > UINT32_MAX) throw std::invalid_argument("PAK entries add up to more than 4 GiB");

  AtomicFileWriter out(file);
  ByteWriter directory;
  directory.u32(static_cast<std::uint32_t>(entries.size()));
  std::uint32_t offset = 0;
  for (const PakSource& e : entries) {
    directory.fixedString(e.name, kPakNameField);
    directory.u32(offset);
    directory.u32(e.size);
    offset += e.size;
  }
  out.write(directory.data());
  for (const PakSource& e : entries) {
    const std::vector<std::uint8_t> bytes = e.bytes();
    if (bytes.size() != e.size) throw std::logic_error("PAK entry " + e.name + " changed its size");
    out.write(bytes);
  }
  out.commit();
}

}  // namespace dravo::demo
