#include "resources/resource_manager.h"

#include <algorithm>
#include <bitset>
#include <filesystem>
#include <system_error>

#include "core/text.h"

namespace dravo {

namespace fs = std::filesystem;

namespace {

// Cuts ".sub.dxg" into ".sub" and ".dxg"; text before the first dot is dropped.
std::vector<std::string> SplitExtensions(std::string_view list) {
  std::vector<std::string> out;
  std::size_t at = list.find('.');
  while (at != std::string_view::npos) {
    const std::size_t next = list.find('.', at + 1);
    out.emplace_back(list.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
    at = next;
  }
  return out;
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

}  // namespace

TRmxResManager::TRmxResManager(std::string resourceExtensions, const std::string& directory)
    : m_resourceExtensions(std::move(resourceExtensions)) {
  if (!directory.empty()) Mount(directory, {}, true);
}

TRmxResManager::~TRmxResManager() = default;

int TRmxResManager::RegisterPlugIn(TRmxFilePlugIn* plugIn) {
  if (!plugIn) return -1;
  m_plugIns.push_back(plugIn);
  const std::string extensions = plugIn->Extensions();
  if (m_archiveExtensions.empty()) {
    m_archiveExtensions = extensions;
  } else {
    for (const std::string& ext : SplitExtensions(extensions)) {
      if (ExtensionIndex(m_archiveExtensions, ext) == -1) m_archiveExtensions += ext;
    }
  }
  return 0;
}

void TRmxResManager::AddFolder(const std::string& path, const std::string& mountName) {
  std::unique_ptr<TRmxCustomFolder> folder;
  if (IsDirectory(path)) {
    folder = std::make_unique<TRmxRealFolder>(path);
    int result = -1;
    try {
      result = folder->Load(m_resourceExtensions, nullptr);
    } catch (...) {
      result = -1;
    }
    if (result != 0) return;
  } else {
    folder = std::make_unique<TRmxVirtualFolder>(path);
    bool loaded = false;
    for (TRmxFilePlugIn* plugIn : m_plugIns) {
      if (folder->Load(m_resourceExtensions, plugIn) == 0) {
        loaded = true;
        break;
      }
    }
    if (!loaded) return;
  }
  if (!mountName.empty()) folder->SetName(mountName);
  m_folders.push_back(std::move(folder));
}

int TRmxResManager::Mount(const std::string& path, const std::string& mountName, bool withSubDirectories) {
  AddFolder(path, mountName);
  if (!IsDirectory(path)) return 0;

  std::string base = path;
  if (base.back() != '/' && base.back() != '\\') base += static_cast<char>(fs::path::preferred_separator);
  std::vector<std::pair<std::string, bool>> entries;  // name, is a directory
  std::error_code ec;
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statError;
    const bool directory = it->is_directory(statError);
    if (!directory && !it->is_regular_file(statError)) continue;  // no devices, sockets, ...
    entries.emplace_back(it->path().filename().string(), directory);
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return CompareTextAZ(a.first, b.first) < 0; });
  for (const auto& [name, directory] : entries) {
    if (directory) {
      if (withSubDirectories) AddFolder(base + name + static_cast<char>(fs::path::preferred_separator), {});
    } else if (ExtensionIndex(m_archiveExtensions, ExtractFileExt(name)) != -1) {
      AddFolder(base + name, {});
    }
  }
  return 0;
}

TRmxCustomFolder* TRmxResManager::Folder(int index) const {
  if (index < 0 || index >= FolderCount()) return nullptr;
  return m_folders[static_cast<std::size_t>(index)].get();
}

int TRmxResManager::FindResource(std::string_view name, int& folderIndex, int& resourceIndex) const {
  for (int f = 0; f < FolderCount(); ++f) {
    const int r = m_folders[static_cast<std::size_t>(f)]->IndexOf(name);
    if (r >= 0) {
      folderIndex = f;
      resourceIndex = r;
      return 0;
    }
  }
  return -1;
}

int TRmxResManager::ReadResource(std::string_view name, MemoryStream& stream, bool strip) {
  const std::string lookup = strip ? Trim(ExtractFileName(name)) : std::string(name);
  int folderIndex = -1, resourceIndex = -1;
  const int found = FindResource(lookup, folderIndex, resourceIndex);
  if (found != 0) return found;
  return ReadResourceAt(folderIndex, resourceIndex, stream);
}

int TRmxResManager::ReadResource(std::string_view name, std::unique_ptr<MemoryStream>& stream, bool strip) {
  const std::string lookup = strip ? Trim(ExtractFileName(name)) : std::string(name);
  int folderIndex = -1, resourceIndex = -1;
  const int found = FindResource(lookup, folderIndex, resourceIndex);
  if (found != 0) return found;
  if (!stream) stream = std::make_unique<MemoryStream>();
  return ReadResourceAt(folderIndex, resourceIndex, *stream);
}

int TRmxResManager::ReadResourceAt(int folderIndex, int resourceIndex, MemoryStream& stream) {
  TRmxCustomFolder* folder = Folder(folderIndex);
  if (!folder) return -1;
  if (folder->ReadResource(resourceIndex, stream) != 0) return -1;
  stream.setPosition(0);
  return 0;
}

bool TRmxResManager::FindNextByExtension(std::string_view extensions, int& folderIndex,
                                         int& resourceIndex) const {
  std::bitset<256> wanted;
  for (const std::string& ext : SplitExtensions(LowerAZ(extensions))) {
    const int index = ExtensionIndex(m_resourceExtensions, ext);
    if (index >= 0 && index <= 255) wanted.set(static_cast<std::size_t>(index));
  }
  int r = resourceIndex + 1;
  for (int f = std::max(folderIndex, 0); f < FolderCount(); ++f, r = 0) {
    const TRmxCustomFolder& folder = *m_folders[static_cast<std::size_t>(f)];
    for (r = std::max(r, 0); r < folder.Count(); ++r) {
      const std::int32_t ext = folder.Resource(r)->ExtIndex;
      if (ext >= 0 && ext <= 255 && wanted.test(static_cast<std::size_t>(ext))) {
        folderIndex = f;
        resourceIndex = r;
        return true;
      }
    }
  }
  return false;
}

std::string TRmxResManager::ResourcePath(int folderIndex, int resourceIndex, bool nameOnly) const {
  const TRmxCustomFolder* folder = Folder(folderIndex);
  if (!folder) return {};
  const TRmxResource* record = folder->Resource(resourceIndex);
  if (!record) return {};
  const std::string name = folder->ResourceName(resourceIndex);
  if (nameOnly) return name;
  return (folder->Kind() == 1 ? record->EntryPath : folder->Path()) + name;
}

std::string TRmxResManager::DisplayName(int folderIndex, int resourceIndex) const {
  const TRmxCustomFolder* folder = Folder(folderIndex);
  if (!folder || !folder->Resource(resourceIndex)) return {};
  return dravo::DisplayName(folder->ResourceName(resourceIndex));
}

}  // namespace dravo
