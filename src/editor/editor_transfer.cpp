// "Import or Export tricks": the transfer window over the own archive, and what the main window
// does with the entries imported through it.
#include "core/text.h"
#include "editor/dravo_editor.h"
#include "editor/trick_install.h"

namespace dravo {

void TDravoEditor::OpenTransfer() {
  if (!m_ownArchive) return;
  if (!m_transfer.Execute(*m_ownArchive)) return;
  Guard([&] {
    const MachineNames& names = NamesFor(m_trick.machineType);
    const std::string riderFile = LowerAZ(names.riderPrefix + m_trick.fileName);
    const std::string machineFile = LowerAZ(names.machinePrefix + m_trick.fileName);
    const std::vector<std::string> imported = TakeImportedNames(*m_ownArchive);
    for (const std::string& name : imported) {
      const std::string file = LowerAZ(ExtractFileName(name));
      if (file != riderFile && file != machineFile) continue;
      // The current trick shows the imported motion at once; the old snapshot is of the
      // motion it replaced, so it goes.
      MemoryStream bytes;
      m_ownArchive->ReadByName(name, bytes);
      if (file == riderFile) LoadRiderMotion(bytes);
      if (file == machineFile) LoadMachineMotion(bytes);
      DiscardSnapshot();
    }
    m_transfer.ForgetReplaced();
    const std::vector<TrickId> reverted = m_transfer.TakeReverts();
    if (imported.empty() && reverted.empty()) return;
    // "Save" in the transfer window installs: the archive goes to disk now, not with whatever is
    // saved next (closing without another save would lose the imports).
    SaveOwnArchive();
    const GameArchives game = GameArchives::In(m_gameFolder);
    if (m_commonPak && m_resources) {
      WriteImportedIntoCommon(*m_ownArchive, imported, m_resources->manager(), game, [&](const std::string&) {
        m_host.KelMsgBox(kTrickWrongSize, "Texture save error", false);
      });
    }
    for (const TrickId& trick : reverted) {
      RestoreStockMotions(game, trick);
      // The current trick shows the game's own motions again.
      if (trick.machineType == m_trick.machineType && trick.machineType == m_catalogue.machineType &&
          SameTextAZ(ChangeFileExt(trick.name, ""), ChangeFileExt(m_trick.fileName, ""))) {
        LoadTrick(m_trick.fileName);
      }
    }
  });
  Changed(changes::All);
  Repaint();
}

}  // namespace dravo
