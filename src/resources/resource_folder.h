#pragma once

// A mounted folder of resources and the plug-in interface that reads one (TRmxCustomFolder,
// TRmxFilePlugIn).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/memory_stream.h"

namespace dravo {

// Where one resource lies: inside an archive file (Offset, EntryPath) or as a file of a
// directory (Offset 0, no EntryPath).
struct TRmxResource {
  std::uint32_t Offset = 0;
  std::uint32_t Size = 0;
  std::int32_t ExtIndex = -1;  // index of the extension in the manager's ResourceExtensions
  std::string EntryPath;       // the entry name's folder part with its trailing backslash
  std::string Problem;         // why its bytes cannot be read (see PakRecord); empty when they can
};

class TRmxCustomFolder;

// A reader of one kind of archive file. The manager does not own its plug-ins.
class TRmxFilePlugIn {
 public:
  virtual ~TRmxFilePlugIn() = default;
  // The archive extensions read, dot-led, lower case (".pak").
  virtual std::string Extensions() const { return {}; }
  // Copies resource `index` of `folder` into `stream`: 0, or -1 when nothing was read.
  virtual int ReadResource(TRmxCustomFolder& folder, int index, MemoryStream& stream);
  // Fills `folder` with the archive's resources: 0, or -1 when it is no archive of ours.
  virtual int LoadFolder(TRmxCustomFolder& folder);
  virtual void FreeResource(std::unique_ptr<TRmxResource> record) { record.reset(); }
};

// A mounted folder: resource names (bare file names, compared with A-Z folded), each with
// its record, in the order the folder was read.
class TRmxCustomFolder {
 public:
  explicit TRmxCustomFolder(std::string path) : m_path(std::move(path)) {}
  virtual ~TRmxCustomFolder() = default;
  TRmxCustomFolder(const TRmxCustomFolder&) = delete;
  TRmxCustomFolder& operator=(const TRmxCustomFolder&) = delete;

  virtual bool NamedAfterDirectory() const = 0;
  virtual int Kind() const = 0;
  virtual int ReadResource(int index, MemoryStream& stream) = 0;
  virtual int Load(const std::string& resourceExtensions, TRmxFilePlugIn* plugIn) = 0;
  virtual void SetDefaultName();

  const std::string& Path() const { return m_path; }
  const std::string& Name() const { return m_name; }
  void SetName(std::string name) { m_name = std::move(name); }
  TRmxFilePlugIn* PlugIn() const { return m_plugIn; }
  // The extension list the folder was loaded with; plug-ins index extensions in it.
  const std::string& ResourceExtensions() const { return m_resourceExtensions; }

  int Count() const { return static_cast<int>(m_resources.size()); }
  // Empty for an index out of range.
  std::string ResourceName(int index) const;
  // Null for an index out of range.
  const TRmxResource* Resource(int index) const;
  // The first resource of that name, or -1.
  int IndexOf(std::string_view name) const;

  void AddResource(std::string name, std::unique_ptr<TRmxResource> record);
  void ReserveResources(std::size_t count) { m_resources.reserve(count); }
  // Drops every resource (through the plug-in that made them, if any).
  void ClearResources();

 protected:
  std::string m_path;
  std::string m_name;
  std::string m_resourceExtensions;
  TRmxFilePlugIn* m_plugIn = nullptr;

 private:
  std::vector<std::pair<std::string, std::unique_ptr<TRmxResource>>> m_resources;
  // Folded name -> first index; built on the first lookup, since archives hold thousands
  // of names and a mount need not pay for lookups it never makes.
  mutable std::unordered_map<std::string, int> m_index;
  mutable bool m_indexed = false;
};

// A directory on disk (kind 0); its Path ends with a separator.
class TRmxRealFolder : public TRmxCustomFolder {
 public:
  explicit TRmxRealFolder(std::string path);
  bool NamedAfterDirectory() const override { return true; }
  int Kind() const override { return 0; }
  int ReadResource(int index, MemoryStream& stream) override;
  int Load(const std::string& resourceExtensions, TRmxFilePlugIn* plugIn) override;
  void SetDefaultName() override;

 private:
  // The constructor cannot reach the override through the virtual call.
  void SetDefaultNameForDirectory();
};

// An archive file read by a plug-in (kind 1). Its records go back through that plug-in,
// so the plug-in must outlive the folder.
class TRmxVirtualFolder : public TRmxCustomFolder {
 public:
  explicit TRmxVirtualFolder(std::string path);
  ~TRmxVirtualFolder() override;
  bool NamedAfterDirectory() const override { return false; }
  int Kind() const override { return 1; }
  int ReadResource(int index, MemoryStream& stream) override;
  int Load(const std::string& resourceExtensions, TRmxFilePlugIn* plugIn) override;
};

// The index of `ext` in a string of dot-led extensions: the number of dots before its
// first occurrence as a substring; -1 when absent or empty.
int ExtensionIndex(std::string_view extensions, std::string_view ext);

// A readable label made from a resource name: "NoFear6.sub" gives "No Fear 6".
std::string DisplayName(std::string_view resourceName);

}  // namespace dravo
