#include "resources/rmx_options.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>

#include "core/file_error.h"
#include "core/file_io.h"
#include "core/text.h"

namespace dravo {

namespace {

using Json = nlohmann::json;

// A missing or unreadable file reads as no values at all.
Json Load(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return Json::object();
  try {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
    Json doc = Json::parse(bytes.begin(), bytes.end(), nullptr, false);
    return doc.is_object() ? doc : Json::object();
  } catch (...) {
    return Json::object();
  }
}

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

void Store(const std::filesystem::path& file, std::string_view name, Json value) {
  Json doc = Load(file);
  for (auto it = doc.begin(); it != doc.end();) {
    if (SameTextAZ(it.key(), name)) {
      it = doc.erase(it);
    } else {
      ++it;
    }
  }
  doc[std::string(name)] = std::move(value);
  // Text that is not UTF-8 is replaced rather than refused: options are never lost whole.
  const std::string text = doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  WriteFileAtomic(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                  file.parent_path() / ChangeFileExt(file.filename().string(), ".bak"));
}

}  // namespace

bool TRmxOptions::ReadBool(std::string_view name, bool fallback) const {
  const Json doc = Load(m_file);
  const auto value = AsInteger(Find(doc, name));
  return value ? *value != 0 : fallback;
}

std::int32_t TRmxOptions::ReadInteger(std::string_view name, std::int32_t fallback) const {
  const Json doc = Load(m_file);
  return AsInteger(Find(doc, name)).value_or(fallback);
}

std::string TRmxOptions::ReadString(std::string_view name, std::string_view fallback) const {
  const Json doc = Load(m_file);
  const Json* value = Find(doc, name);
  if (!value) return {};
  if (!value->is_string()) return std::string(fallback);
  return value->get<std::string>();
}

void TRmxOptions::WriteBool(std::string_view name, bool value) {
  Store(m_file, name, value ? 1 : 0);
}
void TRmxOptions::WriteInteger(std::string_view name, std::int32_t value) {
  Store(m_file, name, value);
}
void TRmxOptions::WriteString(std::string_view name, std::string_view value) {
  Store(m_file, name, std::string(value));
}

}  // namespace dravo
