#pragma once

// The transfer window's state and rules without its widgets: the installed tricks and skins of
// the program's own archive on the left, an export PAK on the right, and the copying between
// them. The window ("Export tricks to PAK") binds its lists and buttons to this object and calls
// its button methods; the editor runs Execute, which shows the window through the host.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archive/pak_archive.h"
#include "editor/trick_install.h"

namespace dravo {

class EditorHost;

struct TransferItem {
  std::string Text;        // the entry's file name without folder and extension
  std::int32_t Entry = 0;  // its index in the archive it was listed from
  std::string Name;        // the entry's name: what finds it again once that archive has changed
  bool Selected = false;
  // Icon 1 (a machine) when the text contains "bike_" or the entry is in the machine's folders, else
  // icon 0 (a rider).
  int Icon() const;
};

class TrickTransfer {
 public:
  // Set in the flags of an entry the window copied into the installed archive, until the main
  // window has processed it or the window was cancelled.
  static constexpr std::uint32_t kImportMark = 0x800;

  explicit TrickTransfer(EditorHost& host) : m_host(host) {}

  // Shows the window over `source` (the own archive) and afterwards reverts a cancelled
  // showing's imports and offers to save the export side. True when closed with "Save".
  bool Execute(TMvAFolder& source);

  // ---- What the window shows ----
  const std::vector<TransferItem>& SrcListBox() const { return m_src; }
  const std::vector<TransferItem>& DstListBox() const { return m_dst; }
  void SelectSource(int index, bool selected);
  void SelectDestination(int index, bool selected);
  bool ExportBtnEnabled() const { return m_exportEnabled; }
  // "Revert to stock": some selected installed entry is a trick's motion.
  bool RevertBtnEnabled() const;
  bool ImportBtnEnabled() const { return m_importEnabled; }
  bool SaveBtnEnabled() const { return m_saveEnabled; }
  bool DstListBoxEnabled() const { return m_dstEnabled; }
  TMvAFolder* SourceArchive() const { return m_source; }
  TMvAFolder* ExportArchive() const { return m_export.get(); }
  bool ExportModified() const { return m_exportModified; }

  // ---- Buttons (errors are reported through the host) ----
  void ExportBtnClick();  // ">"
  void ImportBtnClick();  // "<"
  void NewPakBtnClick();
  void OpenPakBtnClick();
  void SaveBtnClick();
  // Asks, then takes the selected entries' tricks out of the installed archive; when the window
  // closes with "Save" the main window puts their stock motions back (TakeReverts).
  void RevertBtnClick();

  // ---- The steps the buttons are made of ----
  // Fills a list with the archive's motions, then its textures, under data\veh\ and data\rider\.
  static void ListTransferable(std::vector<TransferItem>& list, TMvAFolder& archive);
  // Saves the export PAK to its own file when asked, then lets it go.
  void CloseExport(bool save);
  // Opens a PAK as the export side; throws FileError/ArchiveError when it cannot be read.
  void OpenExport(const std::string& fileName);
  // Asks for a file name and makes the export PAK there, filled from the pending list and
  // written when `write`. False when the user cancelled.
  bool SaveExport(bool write);
  // Removes every entry this showing imported and puts back the installed entries they replaced.
  void RevertImports();
  // The main window has taken the imports over: the replaced entries are gone for good.
  void ForgetReplaced() { m_replaced.clear(); }
  // The tricks reverted in this showing, for the main window to finish; the list is emptied.
  std::vector<TrickId> TakeReverts() { return std::exchange(m_reverts, {}); }

 private:
  struct Replaced {
    std::string name;
    std::vector<std::uint8_t> bytes;
  };
  // Asks whether to save an unsaved export side first (open and new PAK).
  void OfferToSaveExport();
  void ReportError(const std::exception& e);

  EditorHost& m_host;
  TMvAFolder* m_source = nullptr;
  std::unique_ptr<TMvAFolder> m_export;
  bool m_exportModified = false;
  std::vector<TransferItem> m_src;
  std::vector<TransferItem> m_dst;
  bool m_exportEnabled = true;
  bool m_importEnabled = false;
  bool m_saveEnabled = false;
  bool m_dstEnabled = true;
  std::vector<Replaced> m_replaced;
  std::vector<TrickId> m_reverts;
};

}  // namespace dravo
