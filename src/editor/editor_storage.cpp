// Storing a trick: its motions into the program's own archive under their game and
// user-interface names, and, when allowed, over the stock motions inside "data\common.pak".
#include "core/text.h"
#include "editor/dravo_editor.h"
#include "editor/trick_install.h"
#include "motion/motion_track_index.h"
#include "resources/resource_manager.h"

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
    const TrickEntryNames names = EntryNamesFor(m_trick.machineType, m_trick.name);
    // A motion that did not parse is not the trick's: it is never written anywhere.
    const bool rider = m_trick.riderMotion.IsValid();
    const bool machine = m_trick.hasMachineMotion && m_trick.machineMotion.IsValid();
    if (rider) StorePose(m_trick.riderParts, m_trick.riderMotion, TMotionTrackIndex(m_trick.riderMotion));
    if (machine)
      StorePose(m_trick.machineParts, m_trick.machineMotion, TMotionTrackIndex(m_trick.machineMotion));
    bool put = false;
    if (rider) {
      put = PutMotion(m_trick.riderMotion, names.riderEntry) || put;
      put = PutMotion(m_trick.riderMotion, names.riderUiEntry) || put;
    }
    if (machine) {
      put = PutMotion(m_trick.machineMotion, names.machineEntry) || put;
      put = PutMotion(m_trick.machineMotion, names.machineUiEntry) || put;
    }
    // One save per installation: the file changes once, completely or not at all, and its
    // ".bak" is the archive as it was before this trick was stored.
    if (put) SaveOwnArchive();
    if (m_commonPak) {
      if (rider) WriteIntoGameArchive(m_trick.riderMotion, names.riderFile, kTrickWrongSize);
      if (machine) WriteIntoGameArchive(m_trick.machineMotion, names.machineFile, kTrickWrongSize);
    }
    m_marks.ClearModifiedMark(ModifiedMarks::Trick);
    m_history.MarkSaved();
    SetStatus("Saved " + ShownTrickName() + " into $dravo.pak" + (m_commonPak ? " and common.pak" : ""));
  });
}

void TDravoEditor::WriteIntoGameArchive(const MemoryStream& bytes, const std::string& fileName,
                                        const char* wrongSize) {
  if (!m_resources) {
    // Opening it for writing comes first all the same: a locked or read-only archive stops the saving.
    BinaryFile::openUpdate(GameArchives::In(m_gameFolder).common).close();
    return;
  }
  if (WriteIntoCommon(m_resources->manager(), GameArchives::In(m_gameFolder), fileName, bytes.bytes()) ==
      CommonWrite::WrongSize) {
    m_host.KelMsgBox(wrongSize, "Texture save error", false);
  }
}

}  // namespace dravo
