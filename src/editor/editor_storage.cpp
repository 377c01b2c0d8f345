// Storing a trick: its motions into the program's own archive under their game and
// user-interface names, and, when allowed, over the stock motions inside "data\common.pak".
#include "archive/in_place_write.h"
#include "archive/pak_format.h"
#include "core/text.h"
#include "editor/dravo_editor.h"
#include "motion/motion_track_index.h"
#include "resources/res_manager.h"

namespace dravo {

void TDravoEditor::SaveTrickBtnClick() {
  if (m_host.KelMsgBox("Do you want to save this trick?", "Confirm trick save", true)) InstallTrick();
}

bool TDravoEditor::PutMotion(TMOTfile& motion, const std::string& entry) {
  if (!m_ownArchive || Trim(entry).empty()) {
    m_host.KelMsgBox("There seems to be a problem with the $dravo.pak.", "Trick PAK error", false);
    return false;
  }
  motion.setPosition(0);
  if (!m_ownArchive->Put(entry, &motion)) {
    m_host.KelMsgBox("There seems to be a problem with the $dravo.pak.", "Trick PAK error", false);
    return false;
  }
  return true;
}

void TDravoEditor::SaveOwnArchive() {
  m_ownArchive->SaveAs(GameFile(m_gameFolder, kOwnArchive), m_config.archiveSaveHook);
}

bool TDravoEditor::InstallTrick() {
  return Guard([&] {
    const TrickEntryNames names = EntryNamesFor(m_trickMachineType, m_trickName);
    // A motion that did not parse is not the trick's: it is never written anywhere.
    const bool rider = m_riderMotion.IsValid();
    const bool machine = m_hasMachineMotion && m_machineMotion.IsValid();
    if (rider) StorePose(m_riderParts, m_riderMotion, TMotionTrackIndex(m_riderMotion));
    if (machine) StorePose(m_machineParts, m_machineMotion, TMotionTrackIndex(m_machineMotion));
    bool put = false;
    if (rider) {
      put = PutMotion(m_riderMotion, names.riderEntry) || put;
      put = PutMotion(m_riderMotion, names.riderUiEntry) || put;
    }
    if (machine) {
      put = PutMotion(m_machineMotion, names.machineEntry) || put;
      put = PutMotion(m_machineMotion, names.machineUiEntry) || put;
    }
    // One save per installation: the file changes once, completely or not at all, and its
    // ".bak" is the archive as it was before this trick was stored.
    if (put) SaveOwnArchive();
    if (m_commonPak) {
      if (rider) WriteIntoGameArchive(m_riderMotion, names.riderFile, kTrickWrongSize);
      if (machine) WriteIntoGameArchive(m_machineMotion, names.machineFile, kTrickWrongSize);
    }
    m_marks.ClearModifiedMark(ModifiedMarks::Trick);
  });
}

void TDravoEditor::WriteIntoGameArchive(const MemoryStream& bytes, const std::string& fileName,
                                        const char* wrongSize) {
  const std::string pak = GameFile(m_gameFolder, kCommonArchive);
  // Opening it for writing comes first: a locked or read-only archive stops the saving here,
  // whether or not it holds this entry.
  BinaryFile::openUpdate(pak).close();
  if (!m_resources) return;
  TRmxResManager& resources = m_resources->manager();
  int folderIndex = -1, resourceIndex = -1;
  if (resources.FindResource(ExtractFileName(fileName), folderIndex, resourceIndex) != 0) return;
  const TRmxCustomFolder* folder = resources.Folder(folderIndex);
  if (!folder || folder->Name() != kCommonMountName) return;
  const TRmxResource* resource = folder->Resource(resourceIndex);
  if (!resource) return;
  if (bytes.size() != resource->Size) {
    m_host.KelMsgBox(wrongSize, "Texture save error", false);
    return;
  }
  // The entry is written only if the file's own directory still has it where it was mounted.
  WritePakEntryInPlace(pak, resource->Offset, resource->Size, bytes.bytes());
}

}  // namespace dravo
