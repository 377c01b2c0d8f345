// The skins panel: every texture the texture manager holds, replaced by image files of the
// user's and saved into the own archive (and, when allowed, over the game's own).
#include <memory>
#include <utility>

#include "core/text.h"
#include "editor/dravo_editor.h"
#include "formats/dxg_model.h"
#include "formats/dxt_bitmap.h"
#include "formats/dxt_texture.h"
#include "formats/image_file.h"
#include "formats/model_manager.h"
#include "formats/texture_manager.h"

namespace dravo {

namespace {

constexpr const char* kTextureWrongSize =
    "Can't save the texture to the Common.Pak because it is the wrong size.";

// Every pass of every material of a model.
template <class Visit>
void ForEachPass(TDXGmodel* model, Visit visit) {
  if (!model) return;
  for (std::int32_t m = 0; m < model->MeshCount(); ++m) {
    TDXGMesh* mesh = model->GetMesh(m);
    if (!mesh || !mesh->Material) continue;
    for (std::int32_t p = 0; p < mesh->Material->PassCount; ++p)
      if (TShaderPass* pass = mesh->Material->GetPass(p)) visit(*mesh->Material, *pass);
  }
}

}  // namespace

void TDravoEditor::FillTextureList() {
  m_textureRows.clear();
  if (m_textures) {
    for (std::int32_t i = 0; i < m_textures->Count(); ++i)
      m_textureRows.push_back({std::to_string(i + 1), m_textures->NameAt(i), i});
  }
  Changed(changes::Textures);
}

std::string TDravoEditor::DialogFilter() const {
  std::string all;
  std::string each;
  for (const ImageFormatInfo& format : ImageFormats()) {
    std::string shown, patterns;
    for (const std::string& ext : format.extensions) {
      shown += (shown.empty() ? "*" : " *") + ext;
      patterns += (patterns.empty() ? "*" : ";*") + ext;
    }
    all += (all.empty() ? "" : ";") + patterns;
    each += "|" + format.description + " (" + shown + ")|" + patterns;
  }
  return "All images|" + all + each;
}

void TDravoEditor::ChooseTextureFile(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= m_textureRows.size()) return;
  const TextureRow current = m_textureRows[static_cast<std::size_t>(row)];
  const std::optional<std::string> file = m_host.ChooseImageFile(current.Value, DialogFilter());
  // A cancelled dialog, or the file the row already shows, changes nothing.
  if (!file || *file == current.Value) return;
  TextureListDataChanged(current.Tag, *file);
}

void TDravoEditor::TextureListDataChanged(std::int32_t tag, const std::string& file) {
  const std::int32_t index = tag;
  Guard([&] {
    TTextureEntry* entry = m_textures ? m_textures->EntryAt(index) : nullptr;
    if (!entry) return;
    // The size comes from the header: a picture that cannot be a texture is never decoded.
    const ImageFile picture(file);
    if (!TextureSizeAllowed(picture.width(), picture.height())) {
      m_host.KelMsgBox(kTextureSizeMessage, kTextureSizeCaption, false);
      return;
    }
    Bitmap image = picture.decode();
    bool hasKey = false;
    std::uint32_t format = 0, keyMask = 0;
    int bitsPerPixel = 0;
    if (!AnalyseBitmap(&image, hasKey, format, keyMask, bitsPerPixel)) {
      m_host.KelMsgBox("There was an error trying to read the texture properties, the file may be corrupt.",
                       "Texture read error", false);
      return;
    }
    if (format == D3DFMT_X1R5G5B5 && hasKey &&
        m_host.KelMsgBox(
            "This Texture seems to contain some Pink Transparency pixels, do you want to use Pink "
            "for transparency in this tecture?",
            "Pink Transparency detected", true)) {
      if (ApplyColourKey(&image, bitsPerPixel)) format = D3DFMT_A1R5G5B5;
    }
    const D3DFORMAT destination = SkinTextureFormat(format);
    auto kept = std::make_shared<ShownSkin>();
    BitmapToTexture(m_panel.Device(), &image, format, kept->texture, true, destination);
    kept->flags = entry->Flags | kTextureReplaced;
    kept->name = ChangeFileExt(ExtractFileName(file), ".dxt");
    kept->version = ++m_skinVersions;
    // One step of the history: the same exchange puts the new skin in, takes it out and back.
    const auto exchange = [this, index, kept] { ExchangeSkin(index, *kept); };
    exchange();
    // What the step keeps: the texture it took out, about a byte a pixel with its smaller levels.
    const std::size_t bytes = std::size_t(picture.width()) * std::size_t(picture.height()) * 4 / 3;
    m_history.TakeExchange(m_trick, exchange, bytes, "Replace skin " + m_textures->NameAt(index));
    Changed(changes::Undo);
  });
  Changed(changes::Textures);
}

void TDravoEditor::ExchangeSkin(std::int32_t index, ShownSkin& other) {
  TTextureEntry* entry = m_textures ? m_textures->EntryAt(index) : nullptr;
  if (!entry) return;
  IDirect3DTexture8* shown = entry->Texture.Get();
  // A pass without a texture is not one that used this texture.
  if (shown && m_models) {
    for (std::int32_t i = 0; i < m_models->Count(); ++i) {
      TModelEntryCopy model;
      m_models->EntryCopy(i, model);
      ForEachPass(model.Model, [&](TDXMmaterial&, TShaderPass& pass) {
        if (pass.Texture.Get() == shown) pass.Texture = other.texture;
      });
    }
  }
  std::swap(entry->Texture, other.texture);
  std::swap(entry->Flags, other.flags);
  for (TextureRow& row : m_textureRows) {
    if (row.Tag == index) std::swap(row.Value, other.name);
  }
  std::swap(m_skinVersion, other.version);
  if (m_skinVersion == m_skinSavedVersion) {
    m_marks.ClearModifiedMark(ModifiedMarks::Textures);
  } else {
    m_marks.MarkModified(ModifiedMarks::Textures);
  }
  Changed(changes::Textures);
  Repaint();
}

void TDravoEditor::SaveTexBtnClick() {
  if (m_host.KelMsgBox("Do you want to save these textures?", "Confirm texture save", true)) SaveTextures();
}

bool TDravoEditor::TextureBelongsToRider(std::int32_t index, const std::string& name) {
  if (!m_chosen.riderSet.Model) return false;
  const TTextureEntry* entry = m_textures->EntryAt(index);
  const IDirect3DTexture8* texture = entry ? entry->Texture.Get() : nullptr;
  bool rider = false;
  const auto look = [&](TDXGmodel* model) {
    ForEachPass(model, [&](TDXMmaterial& material, TShaderPass& pass) {
      if (SameTextAZ(ChangeFileExt(material.Name, ""), name)) rider = true;
      // A texture the rider's materials draw with is the rider's, whatever the names say: it
      // is looked up under the rider's folder when the rider loads again.
      if (texture && pass.Texture.Get() == texture) rider = true;
    });
  };
  m_chosen.riderSet.ForEachModel(look);
  return rider;
}

bool TDravoEditor::SaveTextures() {
  if (!m_textures) return true;
  return Guard([&] {
    struct Written {
      std::string name;
      MemoryStream bytes;
    };
    std::vector<Written> written;
    bool put = false;
    for (std::int32_t i = 0; i < m_textures->Count(); ++i) {
      TTextureEntry* entry = m_textures->EntryAt(i);
      if (!entry || !(entry->Flags & kTextureReplaced)) continue;
      // A fresh stream for each texture: a smaller one never carries the tail of a larger one.
      std::unique_ptr<MemoryStream> stream = std::make_unique<MemoryStream>();
      D3DSURFACE_DESC desc{};
      const std::uint32_t code =
          entry->Texture && SUCCEEDED(entry->Texture->GetLevelDesc(0, &desc)) ? SkinFileCode(desc.Format) : 0;
      if (!TextureToDxt(stream, entry->Texture.Get(), code)) continue;
      const std::string name = ChangeFileExt(m_textures->NameAt(i), ".dxt");
      if (Trim(name).empty() || !m_ownArchive) {
        m_host.KelMsgBox("There seems to be a problem with the $dravo.pak.", "Dravo PAK error", false);
      } else {
        const std::string folder = TextureBelongsToRider(i, name) ? kRiderTexFolder : kMachineTexFolder;
        stream->setPosition(0);
        put = m_ownArchive->Put(folder + name, stream.get()) || put;
      }
      written.push_back({name, MemoryStream(stream->release())});
    }
    // One save for all of them, before the game's archive is touched; the mark clears only
    // once the file holds them.
    if (put) {
      SaveOwnArchive();
      m_marks.ClearModifiedMark(ModifiedMarks::Textures);
      m_skinSavedVersion = m_skinVersion;
    }
    const std::string count = std::to_string(written.size()) + (written.size() == 1 ? " skin" : " skins");
    if (m_commonPak) {
      for (const Written& w : written)
        WriteIntoGameArchive(w.bytes, w.name, kTextureWrongSize);
    }
    if (!written.empty())
      SetStatus("Saved " + count + " into $dravo.pak" + (m_commonPak ? " and common.pak" : ""));
  });
}

}  // namespace dravo
