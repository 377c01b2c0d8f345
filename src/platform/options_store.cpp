#include "platform/options_store.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"

namespace dravo {

namespace {

using Json = nlohmann::json;

const Json* Find(const Json& doc, std::string_view name) {
  for (auto it = doc.begin(); it != doc.end(); ++it) {
    if (SameTextAZ(it.key(), name)) return &it.value();
  }
  return nullptr;
}

// A 32-bit integer value, as the registry held them; anything else is not one.
std::optional<std::int32_t> AsInteger(const Json* value) {
  if (!value) return std::nullopt;
  if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
  if (value->is_number_unsigned()) {
    const auto v = value->get<std::uint64_t>();
    if (v <= UINT32_MAX) return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  } else if (value->is_number_integer()) {
    const auto v = value->get<std::int64_t>();
    if (v >= INT32_MIN && v <= INT32_MAX) return static_cast<std::int32_t>(v);
  }
  return std::nullopt;
}

bool HoldsEightBitText(const Json& doc) {
  const auto it = doc.find(kEightBitTextKey);
  return it != doc.end() && it->is_string() && it->get<std::string>() == kEightBitTextValue;
}

// A file written before text was kept 8-bit holds its text as the bytes of its UTF-8: those bytes
// are the text, and they are stored again the 8-bit way.
void MakeEightBit(Json& doc) {
  if (HoldsEightBitText(doc)) return;
  for (auto& [key, value] : doc.items()) {
    if (value.is_string()) value = EightBitToUtf8(value.get<std::string>());
  }
  doc[kEightBitTextKey] = kEightBitTextValue;
}

// A free name beside the file to keep a damaged one under.
std::filesystem::path DamagedName(const std::filesystem::path& file) {
  std::filesystem::path name = file;
  name += ".damaged";
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(name, ec)); ++n) {
    name = file;
    name += ".damaged-" + std::to_string(n);
  }
  return name;
}

}  // namespace

struct TRmxOptions::Document {
  Json json = Json::object();
};

TRmxOptions::TRmxOptions(std::filesystem::path file) : m_file(std::move(file)) {}
TRmxOptions::TRmxOptions(TRmxOptions&&) noexcept = default;
TRmxOptions& TRmxOptions::operator=(TRmxOptions&&) noexcept = default;
TRmxOptions::~TRmxOptions() = default;

// A missing file reads as no values at all, as does one that cannot be read. A damaged one is moved
// aside first, so the next write cannot replace what the user may still want from it.
TRmxOptions::Document TRmxOptions::Load() const {
  if (m_update) return *m_update;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(m_file, ec)) return {};
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(m_file);
  } catch (const FileError&) {
    return {};
  }
  Json doc = Json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (doc.is_object()) return {std::move(doc)};
  const std::filesystem::path aside = DamagedName(m_file);
  std::filesystem::rename(m_file, aside, ec);
  if (!ec) {
    m_damageNotice = "The options file " + m_file.string() + " was damaged; it is kept as " + aside.string() +
                     " and Dravo Kit starts with its default options.";
  }
  return {};
}

void TRmxOptions::Store(std::string_view name, Document value) {
  Document doc = Load();
  MakeEightBit(doc.json);
  for (auto it = doc.json.begin(); it != doc.json.end();) {
    if (SameTextAZ(it.key(), name)) {
      it = doc.json.erase(it);
    } else {
      ++it;
    }
  }
  doc.json[std::string(name)] = std::move(value.json);
  if (m_update) {
    *m_update = std::move(doc);
  } else {
    Save(doc);
  }
}

void TRmxOptions::Save(const Document& doc) const {
  const std::string text = doc.json.dump(2) + "\n";
  std::error_code ec;
  if (m_file.has_parent_path()) std::filesystem::create_directories(m_file.parent_path(), ec);
  WriteFileAtomic(m_file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                  m_file.parent_path() / ChangeFileExt(m_file.filename().string(), ".bak"));
}

bool TRmxOptions::ReadBool(std::string_view name, bool fallback) const {
  const Json doc = Load().json;
  const auto value = AsInteger(Find(doc, name));
  return value ? *value != 0 : fallback;
}

std::int32_t TRmxOptions::ReadInteger(std::string_view name, std::int32_t fallback) const {
  const Json doc = Load().json;
  return AsInteger(Find(doc, name)).value_or(fallback);
}

std::string TRmxOptions::ReadString(std::string_view name, std::string_view fallback) const {
  const Json doc = Load().json;
  const Json* value = Find(doc, name);
  if (!value) return {};
  if (!value->is_string()) return std::string(fallback);
  const std::string text = value->get<std::string>();
  if (!HoldsEightBitText(doc)) return text;
  return Utf8ToEightBit(text).value_or(text);
}

void TRmxOptions::WriteBool(std::string_view name, bool value) {
  Store(name, {value ? 1 : 0});
}
void TRmxOptions::WriteInteger(std::string_view name, std::int32_t value) {
  Store(name, {value});
}
void TRmxOptions::WriteString(std::string_view name, std::string_view value) {
  Store(name, {EightBitToUtf8(value)});
}

void TRmxOptions::BeginUpdate() {
  if (!m_update) m_update = std::make_unique<Document>(Load());
}

void TRmxOptions::EndUpdate() {
  if (!m_update) return;
  Document doc = std::move(*m_update);
  m_update.reset();
  MakeEightBit(doc.json);
  Save(doc);
}

}  // namespace dravo
