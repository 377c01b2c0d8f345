#pragma once

// The user's options (TRmxOptions, the registry's replacement): a typed JSON file written atomically.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace dravo {

// The user's settings, kept as typed values in a JSON file (integers, booleans as 0 or 1,
// text). Value names compare with A-Z folded, as registry value names did. Every read names a
// default; the file is read for each call and rewritten whole, atomically, for each write, or
// once for a whole update (BeginUpdate ... EndUpdate). Text is 8-bit and comes back byte for
// byte. A file that is not a JSON object is kept beside it as "<name>.damaged" and reads as no
// values at all; DamageNotice says so once.
class TRmxOptions {
 public:
  // `file`: where the options live (the platform layer knows the user's folder).
  explicit TRmxOptions(std::filesystem::path file);
  TRmxOptions(TRmxOptions&&) noexcept;
  TRmxOptions& operator=(TRmxOptions&&) noexcept;
  ~TRmxOptions();

  const std::filesystem::path& FileName() const { return m_file; }

  // Stored integer not 0; the default when absent or not an integer.
  bool ReadBool(std::string_view name, bool fallback) const;
  // The default when absent or not an integer (a number stored as text included).
  std::int32_t ReadInteger(std::string_view name, std::int32_t fallback) const;
  // Empty when absent; the default only when the value exists but is not text.
  std::string ReadString(std::string_view name, std::string_view fallback) const;

  // Replace any value of that name; throw FileError("Cannot create file ...: reason") on failure.
  void WriteBool(std::string_view name, bool value);
  void WriteInteger(std::string_view name, std::int32_t value);
  void WriteString(std::string_view name, std::string_view value);

  // Writes between the two go to the file once, at EndUpdate (which throws as the writes do).
  void BeginUpdate();
  void EndUpdate();

  // What happened to a damaged file, once: the sentence to show, or empty.
  std::string TakeDamageNotice() const { return std::exchange(m_damageNotice, {}); }

 private:
  // A JSON value: the whole document, or one value to store.
  struct Document;
  Document Load() const;
  void Store(std::string_view name, Document value);
  void Save(const Document& doc) const;

  std::filesystem::path m_file;
  mutable std::string m_damageNotice;
  std::unique_ptr<Document> m_update;  // the document while an update is open
};

// The options the editor keeps, with the defaults it reads them with.
namespace options {
inline constexpr std::string_view LastFile = "lastfile";
inline constexpr std::string_view LastTrick = "lasttrk";
inline constexpr std::string_view DefaultLastTrick = "heelclicker.mot";
inline constexpr std::string_view WireMode = "WireMode";
inline constexpr std::string_view Color = "Color";
inline constexpr std::int32_t DefaultColor = 8421520;  // red 0x90, green 0x80, blue 0x80
inline constexpr std::string_view Size = "Size";
inline constexpr std::int32_t DefaultSize = 64;
inline constexpr std::string_view Lighting = "Lighting";
inline constexpr std::string_view Transparent = "Transparent";
inline constexpr std::string_view GifOptimize = "GifOptimize";
inline constexpr std::string_view TweenMode = "TweenMode";  // 0 Linear, 1 Smooth, 2 Ease in/out
inline constexpr std::string_view OnionSkin = "OnionSkin";
inline constexpr std::string_view OnionBefore = "OnionBefore";
inline constexpr std::string_view OnionAfter = "OnionAfter";
inline constexpr std::string_view Fps = "fps";
inline constexpr std::int32_t DefaultFps = 15;
inline constexpr std::string_view ShowBike = "Showbike";
inline constexpr std::string_view CommonPak = "commonpak";
inline constexpr std::string_view LastRider = "LastRider";
inline constexpr std::string_view DefaultLastRider = "NoFear6.sub";
inline constexpr std::string_view LastMachine = "LastMachine";
inline constexpr std::string_view DefaultLastMachine = "MX_S_250_KX2501.sub";
inline constexpr std::string_view Rollouts = "Rollouts";
inline constexpr std::int32_t DefaultRollouts = 2;
inline constexpr std::string_view MudColor = "MudColor";
inline constexpr std::int32_t DefaultMudColor = 4610165;  // red 0x75, green 0x58, blue 0x46
inline constexpr std::string_view MudScale = "MudScale";
inline constexpr std::int32_t DefaultMudScale = 255;
inline constexpr std::string_view ResWidth = "ResWidth";
inline constexpr std::int32_t DefaultResWidth = 640;
inline constexpr std::string_view ResHeight = "ResHeight";
inline constexpr std::int32_t DefaultResHeight = 480;
// Where the view looked from and how the window lay, for the next run.
inline constexpr std::string_view ViewPreset = "ViewPreset";
inline constexpr std::string_view Zoom = "Zoom";
inline constexpr std::string_view Camera = "Camera";
inline constexpr std::string_view WindowGeometry = "WindowGeometry";
inline constexpr std::string_view SidePanel = "SidePanel";
}  // namespace options

}  // namespace dravo
