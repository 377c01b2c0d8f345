// "Import or Export tricks": the transfer window over the own archive, and what the main window
// does with the entries imported through it.
#include "core/text.h"
#include "editor/dravo_editor.h"

namespace dravo {

void TDravoEditor::PakBtnClick() {
  if (!m_ownArchive) return;
  if (!m_transfer.Execute(*m_ownArchive)) return;
  Guard([&] {
    const MachineNames& names = NamesFor(m_trickMachineType);
    const std::string riderFile = LowerAZ(names.riderPrefix + m_trickFileName);
    const std::string machineFile = LowerAZ(names.machinePrefix + m_trickFileName);
    std::vector<int> imported;
    for (int i = 0; i < m_ownArchive->Count(); ++i) {
      const std::uint32_t flags = m_ownArchive->EntryFlags(i);
      if (!(flags & TrickTransfer::kImportMark)) continue;
      m_ownArchive->SetEntryFlags(i, flags & ~TrickTransfer::kImportMark);
      imported.push_back(i);
      const std::string file = LowerAZ(ExtractFileName(m_ownArchive->EntryName(i)));
      if (file != riderFile && file != machineFile) continue;
      // The current trick shows the imported motion at once; the old snapshot is of the
      // motion it replaced, so it goes.
      const std::unique_ptr<MemoryStream> bytes = m_ownArchive->ReadEntry(i);
      if (file == riderFile) LoadRiderMotion(*bytes);
      if (file == machineFile) LoadMachineMotion(*bytes);
      DiscardSnapshot();
    }
    m_transfer.ForgetReplaced();
    if (imported.empty()) return;
    // "Save" in the transfer window installs: the imports go to disk now, not with whatever
    // is saved next (closing without another save would lose them).
    SaveOwnArchive();
    if (!m_commonPak) return;
    for (int i : imported) {
      const std::unique_ptr<MemoryStream> bytes = m_ownArchive->ReadEntry(i);
      WriteIntoGameArchive(*bytes, ExtractFileName(m_ownArchive->EntryName(i)), kTrickWrongSize);
    }
  });
  Changed(changes::All);
  Repaint();
}

}  // namespace dravo
