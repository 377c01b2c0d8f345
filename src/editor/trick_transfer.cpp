#include "editor/trick_transfer.h"

#include "editor/trick_names.h"

#include <algorithm>
#include <exception>

#include "core/text.h"
#include "editor/editor_host.h"

namespace dravo {

namespace {

std::string ItemText(const std::string& entryName) {
  return ChangeFileExt(ExtractFileName(entryName), "");
}

bool IsTransferable(const std::string& entryName) {
  const std::string lower = LowerAZ(entryName);
  return lower.rfind("data\\veh\\", 0) == 0 || lower.rfind("data\\rider\\", 0) == 0;
}

// Busy cursor for the length of a scope.
class Busy {
 public:
  explicit Busy(EditorHost& host) : m_host(host) { m_host.SetBusy(true); }
  ~Busy() { m_host.SetBusy(false); }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  EditorHost& m_host;
};

}  // namespace

int TransferItem::Icon() const {
  // The machine's own folders hold its textures, whatever their names.
  const auto in = [&](std::string_view folder) {
    return Name.size() >= folder.size() &&
           SameTextAZ(std::string_view(Name).substr(0, folder.size()), folder);
  };
  return FindTextAZ(Text, "bike_") != std::string::npos || in(kMachineTexFolder) || in(kMachineAnimFolder)
             ? 1
             : 0;
}

void TrickTransfer::ListTransferable(std::vector<TransferItem>& list, TMvAFolder& archive) {
  list.clear();
  const auto addAll = [&](std::string_view text, auto skip) {
    for (int i = archive.IndexOfPart(text, 0); i >= 0; i = archive.IndexOfPart(text, i + 1)) {
      const std::string name = archive.EntryName(i);
      if (IsTransferable(name) && !skip(name)) list.push_back({ItemText(name), i, name, false});
    }
  };
  addAll(".mot", [](const std::string&) { return false; });
  addAll(".tex", [](const std::string&) { return false; });
  // The skins panel stores textures as ".dxt" files in the texture folders; they are skins to
  // exchange as much as ".tex" files are, so they are listed with them.
  addAll("\\tex\\", [](const std::string& name) {
    return FindTextAZ(name, ".mot") != std::string::npos || FindTextAZ(name, ".tex") != std::string::npos;
  });
}

bool TrickTransfer::Execute(TMvAFolder& source) {
  m_source = &source;
  m_exportModified = false;
  m_src.clear();
  m_dst.clear();
  m_replaced.clear();
  m_reverts.clear();
  ListTransferable(m_src, source);
  m_exportEnabled = true;
  m_importEnabled = false;
  m_saveEnabled = false;

  const bool saved = m_host.ShowTransferWindow(*this);
  if (!saved) {
    RevertImports();
    m_reverts.clear();
  }

  try {
    if (!m_export) {
      if (!m_dst.empty() &&
          m_host.KelMsgBox("Do you want to save the files you have transferred to an Export PAK file?",
                           "Unsaved files", true))
        SaveExport(true);
    } else if (m_exportModified) {
      if (m_host.KelMsgBox("Do you want to save the Export PAK file before you Cancel?", "Cancel warning",
                           true))
        CloseExport(true);
    }
  } catch (const std::exception& e) {
    ReportError(e);
  }
  return saved;
}

void TrickTransfer::SelectSource(int index, bool selected) {
  if (index >= 0 && static_cast<std::size_t>(index) < m_src.size())
    m_src[static_cast<std::size_t>(index)].Selected = selected;
}

void TrickTransfer::SelectDestination(int index, bool selected) {
  if (index >= 0 && static_cast<std::size_t>(index) < m_dst.size())
    m_dst[static_cast<std::size_t>(index)].Selected = selected;
}

void TrickTransfer::CloseExport(bool save) {
  if (m_export) {
    // A failed save throws before the archive is let go, so its entries are not lost.
    if (save) m_export->SaveAs(m_export->FileName());
    m_export.reset();
  }
  m_exportModified = false;
}

void TrickTransfer::OpenExport(const std::string& fileName) {
  Busy busy(m_host);
  if (m_export) {
    const bool save =
        m_exportModified &&
        m_host.KelMsgBox(
            "The current PAK file has been modified, do you want to save it before loading the new one?",
            "PAK file modified", true);
    CloseExport(save);
  }
  m_export = TMvAFolder::Open(fileName);
  m_exportModified = false;
  m_dstEnabled = true;
}

bool TrickTransfer::SaveExport(bool write) {
  Busy busy(m_host);
  std::optional<std::string> chosen = m_host.ChooseSavePak();
  if (!chosen) return false;
  std::string name = *chosen;
  if (ExtractFileExt(name).empty()) name += ".pak";
  m_export = TMvAFolder::CreateNew(name);
  m_exportModified = false;
  if (write) {
    try {
      for (const TransferItem& item : m_dst) {
        MemoryStream bytes;
        if (!m_source || !m_source->ReadByName(item.Name, bytes)) continue;
        if (bytes.size() > 0) m_export->Put(item.Name, &bytes);
      }
      m_export->SaveAs(name);
    } catch (const std::exception& e) {
      // The export is not on disk: say so, and keep it marked unsaved so closing offers it again.
      m_exportModified = true;
      ReportError(e);
    }
  }
  return true;
}

void TrickTransfer::RevertImports() {
  if (!m_source) return;
  for (int i = 0; i < m_source->Count();) {
    if (m_source->EntryFlags(i) & kImportMark) {
      m_source->Delete(i);
    } else {
      ++i;
    }
  }
  // An import that replaced an installed entry of the same name gives the installed one back.
  for (Replaced& r : m_replaced) {
    MemoryStream bytes(std::move(r.bytes));
    m_source->Put(r.name, &bytes);
  }
  m_replaced.clear();
}

void TrickTransfer::ExportBtnClick() {
  if (!m_source) return;
  try {
    for (const TransferItem& item : m_src) {
      if (!item.Selected) continue;
      if (m_export) {
        MemoryStream bytes;
        if (m_source->ReadByName(item.Name, bytes) && bytes.size() > 0) m_export->Put(item.Name, &bytes);
      } else {
        m_dst.push_back({item.Text, item.Entry, item.Name, false});
      }
      m_exportModified = true;
    }
    if (m_export) ListTransferable(m_dst, *m_export);
  } catch (const std::exception& e) {
    ReportError(e);
  }
  m_saveEnabled = !m_dst.empty();
}

void TrickTransfer::ImportBtnClick() {
  if (!m_export) {
    m_host.KelMsgBox(
        "You need to open a PAK file to copy from before you try to copy files to your $dravo.pak",
        "File copy error", false);
    return;
  }
  if (!m_source) return;
  try {
    for (const TransferItem& item : m_dst) {
      if (!item.Selected || item.Entry < 0 || item.Entry >= m_export->Count()) continue;
      std::unique_ptr<MemoryStream> bytes = m_export->ReadEntry(item.Entry);
      if (bytes->size() == 0) continue;
      const std::string name = m_export->EntryName(item.Entry);
      const int installed = m_source->IndexOf(name);
      if (installed >= 0 && !(m_source->EntryFlags(installed) & kImportMark)) {
        // Kept until the window closes, so a cancel can put the installed entry back.
        std::unique_ptr<MemoryStream> original = m_source->ReadEntry(installed);
        m_replaced.push_back({name, original->release()});
      }
      m_source->Put(name, bytes.get());
      const int index = m_source->IndexOf(name);
      if (index >= 0) m_source->SetEntryFlags(index, m_source->EntryFlags(index) | kImportMark);
    }
  } catch (const std::exception& e) {
    ReportError(e);
  }
  ListTransferable(m_src, *m_source);
}

void TrickTransfer::OfferToSaveExport() {
  if (!m_exportModified) return;
  if (!m_host.KelMsgBox("The current Export file hasn't been saved, do you want to save it first?",
                        "Export PAK modified", true))
    return;
  if (m_export) {
    CloseExport(true);
  } else {
    SaveExport(true);
  }
}

void TrickTransfer::OpenPakBtnClick() {
  try {
    OfferToSaveExport();
    const std::optional<std::string> file = m_host.ChooseOpenPak();
    if (!file) return;
    OpenExport(*file);
    ListTransferable(m_dst, *m_export);
    m_dstEnabled = true;
    m_importEnabled = true;
    m_exportEnabled = true;
  } catch (const std::exception& e) {
    // The PAK listed before is closed by now: its entries must not stay on show as if open.
    if (!m_export) {
      m_dst.clear();
      m_importEnabled = false;
      m_saveEnabled = false;
    }
    ReportError(e);
  }
}

void TrickTransfer::NewPakBtnClick() {
  try {
    OfferToSaveExport();
    if (SaveExport(false)) m_dst.clear();
  } catch (const std::exception& e) {
    ReportError(e);
  }
  m_saveEnabled = !m_dst.empty();
}

void TrickTransfer::SaveBtnClick() {
  try {
    if (m_export) {
      // The list then shows the open PAK itself: saving it to its own file is what it holds.
      m_export->SaveAs(m_export->FileName());
      m_exportModified = false;
    } else {
      SaveExport(true);
    }
  } catch (const std::exception& e) {
    ReportError(e);
  }
}

bool TrickTransfer::RevertBtnEnabled() const {
  for (const TransferItem& item : m_src) {
    if (item.Selected && TrickOfEntry(item.Name)) return true;
  }
  return false;
}

void TrickTransfer::RevertBtnClick() {
  if (!m_source) return;
  std::vector<TrickId> tricks;
  for (const TransferItem& item : m_src) {
    const std::optional<TrickId> trick = item.Selected ? TrickOfEntry(item.Name) : std::nullopt;
    if (trick && std::find(tricks.begin(), tricks.end(), *trick) == tricks.end()) tricks.push_back(*trick);
  }
  for (const TrickId& trick : tricks) {
    const std::string text = "Do you want to revert the " + std::string(MachineTypeName(trick.machineType)) +
                             " trick \"" + trick.name +
                             "\" to stock? Its motions are taken out of your $dravo.pak and the game's own "
                             "motions are put back into the Common.pak when you press Save.";
    if (!m_host.KelMsgBox(text, "Revert to stock", true)) continue;
    try {
      for (const std::string& name : InstalledEntries(*m_source, trick)) {
        const int index = m_source->IndexOf(name);
        // Kept until the window closes, so a cancel can put the installed entry back.
        if (!(m_source->EntryFlags(index) & kImportMark)) {
          m_replaced.push_back({name, m_source->ReadEntry(index)->release()});
        }
        m_source->Delete(index);
      }
      m_reverts.push_back(trick);
    } catch (const std::exception& e) {
      ReportError(e);
    }
  }
  ListTransferable(m_src, *m_source);
}

void TrickTransfer::ReportError(const std::exception& e) {
  m_host.ShowError(e.what());
}

}  // namespace dravo
