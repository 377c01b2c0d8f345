#pragma once

// Finds resources by name across mounted folders and archives (TRmxResManager).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/memory_stream.h"
#include "resources/resource_folder.h"

namespace dravo {

// One name space over the game's resources: directories and archive files are mounted in
// order and a resource is found by its bare file name, the first mounted folder winning.
// Read-only: nothing is written through it.
class TRmxResManager {
 public:
  // `resourceExtensions`: dot-led, lower case (".sub.dxg.dxm.dxt.mot.mcf"). With a
  // directory, mounts it with its sub-directories.
  explicit TRmxResManager(std::string resourceExtensions, const std::string& directory = {});
  ~TRmxResManager();
  TRmxResManager(const TRmxResManager&) = delete;
  TRmxResManager& operator=(const TRmxResManager&) = delete;

  const std::string& ResourceExtensions() const { return m_resourceExtensions; }
  const std::string& ArchiveExtensions() const { return m_archiveExtensions; }

  // 0, or -1 for no plug-in. The manager does not own it; it must outlive the manager.
  int RegisterPlugIn(TRmxFilePlugIn* plugIn);
  // Mounts a directory (its archives and, on request, its sub-directories one level deep)
  // or an archive file. Always 0: what cannot be mounted is skipped silently.
  int Mount(const std::string& path, const std::string& mountName, bool withSubDirectories);

  int FolderCount() const { return static_cast<int>(m_folders.size()); }
  TRmxCustomFolder* Folder(int index) const;

  // 0 and the first folder (in mount order) and resource holding `name`; -1 if none.
  int FindResource(std::string_view name, int& folderIndex, int& resourceIndex) const;
  // Reads a resource by name; with `strip` the name is first cut to its file name and
  // trimmed. 0 on success; otherwise non-zero and the stream is left alone.
  int ReadResource(std::string_view name, MemoryStream& stream, bool strip);
  // As above; creates the stream when the caller passes none.
  int ReadResource(std::string_view name, std::unique_ptr<MemoryStream>& stream, bool strip);
  // 0 with the stream at position 0, or -1.
  int ReadResourceAt(int folderIndex, int resourceIndex, MemoryStream& stream);
  // Steps to the next resource (after `resourceIndex` of `folderIndex`, then on through
  // the folders) whose extension is one of `extensions` (".sub" or ".dxg.dxm"). Start
  // with 0 and -1.
  bool FindNextByExtension(std::string_view extensions, int& folderIndex, int& resourceIndex) const;
  // EntryPath + name for an archive resource, Path + name for a file; with `nameOnly`
  // the file name alone. Empty when out of range.
  std::string ResourcePath(int folderIndex, int resourceIndex, bool nameOnly) const;
  std::string DisplayName(int folderIndex, int resourceIndex) const;

 private:
  void AddFolder(const std::string& path, const std::string& mountName);

  std::string m_resourceExtensions;
  std::string m_archiveExtensions;
  std::vector<TRmxFilePlugIn*> m_plugIns;
  std::vector<std::unique_ptr<TRmxCustomFolder>> m_folders;
};

}  // namespace dravo
