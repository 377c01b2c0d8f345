#include "resources/resource_folder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/file_io.h"
#include "core/text.h"

namespace dravo {

namespace fs = std::filesystem;

int TRmxFilePlugIn::ReadResource(TRmxCustomFolder&, int, MemoryStream&) {
  return -1;
}
int TRmxFilePlugIn::LoadFolder(TRmxCustomFolder&) {
  return -1;
}

void TRmxCustomFolder::SetDefaultName() {
  m_name = ExtractFileName(m_path);
}

std::string TRmxCustomFolder::ResourceName(int index) const {
  if (index < 0 || index >= Count()) return {};
  return m_resources[static_cast<std::size_t>(index)].first;
}

const TRmxResource* TRmxCustomFolder::Resource(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return m_resources[static_cast<std::size_t>(index)].second.get();
}

int TRmxCustomFolder::IndexOf(std::string_view name) const {
  if (!m_indexed) {
    m_index.clear();
    m_index.reserve(m_resources.size());
    for (std::size_t i = 0; i < m_resources.size(); ++i) {
      m_index.emplace(LowerAZ(m_resources[i].first), static_cast<int>(i));
    }
    m_indexed = true;
  }
  const auto found = m_index.find(LowerAZ(name));
  return found == m_index.end() ? -1 : found->second;
}

void TRmxCustomFolder::AddResource(std::string name, std::unique_ptr<TRmxResource> record) {
  if (m_indexed) m_index.emplace(LowerAZ(name), Count());
  m_resources.emplace_back(std::move(name), std::move(record));
}

void TRmxCustomFolder::ClearResources() {
  for (auto& [name, record] : m_resources) {
    if (m_plugIn) m_plugIn->FreeResource(std::move(record));
  }
  m_resources.clear();
  m_index.clear();
  m_indexed = false;
}

namespace {

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

}  // namespace

TRmxRealFolder::TRmxRealFolder(std::string path) : TRmxCustomFolder(std::move(path)) {
  // Names are formed as Path + name, so a directory always ends with its separator.
  if (!EndsWithSeparator(m_path)) m_path += static_cast<char>(fs::path::preferred_separator);
  SetDefaultNameForDirectory();
}

void TRmxRealFolder::SetDefaultNameForDirectory() {
  // The last directory name with the separator before it: "/game/data/" gives "/data".
  const std::string_view trimmed(m_path.data(), m_path.size() - 1);
  const std::size_t sep = trimmed.find_last_of("/\\");
  m_name = sep == std::string_view::npos ? std::string(trimmed) : std::string(trimmed.substr(sep));
}

void TRmxRealFolder::SetDefaultName() {
  SetDefaultNameForDirectory();
}

int TRmxRealFolder::Load(const std::string& resourceExtensions, TRmxFilePlugIn*) {
  m_resourceExtensions = resourceExtensions;
  ClearResources();
  const std::string extensions = LowerAZ(resourceExtensions);
  std::vector<std::pair<std::string, std::uint64_t>> files;
  std::error_code ec;
  for (fs::directory_iterator it(m_path, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statError;
    // Read-only, hidden and archive files of the original all map to plain files here.
    if (!it->is_regular_file(statError)) continue;
    const std::string name = it->path().filename().string();
    const std::string ext = LowerAZ(ExtractFileExt(name));
    if (ext.empty() || extensions.find(ext) == std::string::npos) continue;
    const std::uint64_t size = it->file_size(statError);
    if (statError || size > UINT32_MAX) continue;
    files.emplace_back(name, size);
  }
  if (ec) return -1;
  // The listing order of the host is arbitrary; sorted by name as the game's tools list.
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return CompareTextAZ(a.first, b.first) < 0; });
  for (auto& [name, size] : files) {
    auto record = std::make_unique<TRmxResource>();
    record->Size = static_cast<std::uint32_t>(size);
    record->ExtIndex = ExtensionIndex(resourceExtensions, ExtractFileExt(name));
    AddResource(std::move(name), std::move(record));
  }
  return Count() > 0 ? 0 : -1;
}

int TRmxRealFolder::ReadResource(int index, MemoryStream& stream) {
  if (index < 0 || index >= Count()) return -1;
  try {
    std::vector<std::uint8_t> bytes = ReadWholeFile(fs::path(m_path + ResourceName(index)));
    stream = MemoryStream(std::move(bytes));
    return 0;
  } catch (...) {
    return -1;
  }
}

TRmxVirtualFolder::TRmxVirtualFolder(std::string path) : TRmxCustomFolder(std::move(path)) {
  SetDefaultName();
}

TRmxVirtualFolder::~TRmxVirtualFolder() {
  ClearResources();
}

int TRmxVirtualFolder::Load(const std::string& resourceExtensions, TRmxFilePlugIn* plugIn) {
  m_resourceExtensions = resourceExtensions;
  ClearResources();
  m_plugIn = nullptr;
  if (!plugIn) return -1;
  int result = -1;
  try {
    result = plugIn->LoadFolder(*this);
  } catch (...) {
    result = -1;
  }
  if (result != 0) {
    ClearResources();
    return -1;
  }
  m_plugIn = plugIn;
  return 0;
}

int TRmxVirtualFolder::ReadResource(int index, MemoryStream& stream) {
  if (!m_plugIn || index < 0 || index >= Count()) return -1;
  return m_plugIn->ReadResource(*this, index, stream);
}

int ExtensionIndex(std::string_view extensions, std::string_view ext) {
  // Folding both sides finds the lower-cased extension in the (lower-case) list without
  // building new strings: archives ask this once per entry.
  const std::size_t at = FindTextAZ(extensions, ext);
  if (at == std::string_view::npos) return -1;
  return static_cast<int>(
      std::count(extensions.begin(), extensions.begin() + static_cast<std::ptrdiff_t>(at), '.'));
}

std::string DisplayName(std::string_view resourceName) {
  const std::string name = ChangeFileExt(resourceName, "");
  if (name.empty()) return {};
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const auto isUpper = [](char c) { return c >= 'A' && c <= 'Z'; };
  std::string out(1, name[0]);
  for (std::size_t i = 1; i < name.size(); ++i) {
    const char c = name[i];
    const char previous = name[i - 1];
    if ((isDigit(c) && !isDigit(previous)) || ((isUpper(c) || c == '_') && !isUpper(previous))) out += ' ';
    if (c != '-' && c != '_') out += c;
  }
  return out;
}

}  // namespace dravo
