// dravo pak: list, extract, add, remove and create PAK archives.
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/pak_archive.h"
#include "archive/pak_format.h"
#include "cli.h"
#include "core/file_io.h"
#include "core/text.h"

namespace dravo::cli {

namespace fs = std::filesystem;

namespace {

struct OpenPak {
  BinaryFile handle;
  PakDirectory dir;
};

// The directory alone: listing and extracting never load a whole game archive.
OpenPak ReadDirectoryOf(const std::string& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) throw InputError(file, "no such file");
  try {
    BinaryFile handle = BinaryFile::openRead(file);
    PakDirectory dir = ReadPakDirectory(handle);
    return {std::move(handle), std::move(dir)};
  } catch (const ArchiveError& e) {
    throw InputError(file, e.problem());
  } catch (const FileError& e) {
    throw InputError(file, "cannot be opened: " + e.reason());
  }
}

std::unique_ptr<TMvAFolder> OpenOrCreate(const std::string& file, bool mustExist) {
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    if (mustExist) throw InputError(file, "no such file");
    return TMvAFolder::CreateNew(file);
  }
  try {
    return TMvAFolder::Open(file);
  } catch (const ArchiveError& e) {
    throw InputError(file, e.problem());
  } catch (const FileError& e) {
    throw InputError(file, "cannot be opened: " + e.reason());
  }
}

void Save(TMvAFolder& folder, const std::string& file) {
  try {
    folder.SaveAs(file);
  } catch (const FileError& e) {
    throw InputError(e.file().empty() ? file : e.file(), e.reason() + "; the previous file is unchanged");
  }
}

MemoryStream ReadSource(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw InputError(path.string(), "not a file");
  try {
    return MemoryStream(ReadWholeFile(path));
  } catch (const FileError& e) {
    throw InputError(path.string(), "cannot be read: " + e.reason());
  }
}

// The entry name as a path below `out`; refuses names that would leave it or that a terminal or
// a file system would take for something else.
fs::path ExtractTarget(const fs::path& out, const std::string& name, const std::string& file) {
  fs::path target = out;
  std::size_t start = 0;
  bool any = false;
  const auto refuse = [&](const std::string& why) {
    return InputError(file, "entry \"" + Printable(name) + "\" " + why);
  };
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) throw refuse("has control characters in its name");
  }
  if (!name.empty() && (name[0] == '\\' || name[0] == '/'))
    throw refuse("would be written outside the output folder");
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part == ".." || part.find(':') != std::string::npos)
      throw refuse("would be written outside the output folder");
    if (!part.empty() && part != ".") {
      target /= part;
      any = true;
    }
    start = end + 1;
  }
  if (!any) throw refuse("has no file name");
  return target;
}

void List(const std::string& file) {
  const PakDirectory dir = ReadDirectoryOf(file).dir;
  for (std::size_t i = 0; i < dir.records.size(); ++i) {
    std::printf("%zu\t%u\t%s\n", i, dir.records[i].size, dir.records[i].name.c_str());
  }
  // Damaged entries are listed with the rest; what is wrong with them goes to the warnings.
  std::fflush(stdout);
  for (const PakRecord& record : dir.records) {
    if (!record.readable())
      std::fprintf(stderr, "dravo: %s: warning: %s\n", file.c_str(), record.problem.c_str());
  }
}

// Folders below the output folder are made or entered one by one, never through a symbolic link:
// an archive must not be able to write outside the folder the user gave.
void MakeFoldersBelow(const fs::path& out, const fs::path& folder, std::vector<fs::path>& made) {
  fs::path at = out;
  for (const fs::path& part : folder.lexically_relative(out)) {
    if (part == ".") continue;
    at /= part;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(at, ec);
    if (fs::is_symlink(status)) throw InputError(at.string(), "is a symbolic link; it is not followed");
    if (fs::exists(status)) {
      if (!fs::is_directory(status)) throw InputError(at.string(), "exists and is not a folder");
      continue;
    }
    if (!fs::create_directory(at, ec) && ec) throw InputError(at.string(), "cannot be made: " + ec.message());
    made.push_back(at);
  }
}

void Extract(const std::string& file, const std::string& outDir, const std::vector<std::string>& names) {
  OpenPak pak = ReadDirectoryOf(file);
  const PakDirectory& dir = pak.dir;

  // Choose and check everything before the first file is written.
  std::vector<std::size_t> chosen;
  if (names.empty()) {
    for (std::size_t i = 0; i < dir.records.size(); ++i)
      chosen.push_back(i);
  } else {
    for (const std::string& name : names) {
      std::size_t found = dir.records.size();
      // The last of several equal names wins, as in the archive's own lookups.
      for (std::size_t i = 0; i < dir.records.size(); ++i) {
        if (SameTextAZ(dir.records[i].name, name)) found = i;
      }
      if (found == dir.records.size()) throw InputError(file, "no entry named \"" + Printable(name) + "\"");
      chosen.push_back(found);
    }
  }
  for (std::size_t i : chosen) {
    if (!dir.records[i].readable()) throw InputError(file, dir.records[i].problem);
  }
  std::map<fs::path, std::size_t> targets;  // a later entry of the same name replaces an earlier one
  for (std::size_t i : chosen)
    targets[ExtractTarget(outDir, dir.records[i].name, file)] = i;
  std::set<fs::path> folders;
  for (const auto& [target, index] : targets) {
    for (fs::path up = target.parent_path(); up != fs::path(outDir) && up.has_relative_path();
         up = up.parent_path()) {
      folders.insert(up);
    }
  }
  for (const auto& [target, index] : targets) {
    std::error_code ec;
    if (folders.count(target) || fs::is_directory(fs::symlink_status(target, ec))) {
      throw InputError(file,
                       "entry \"" + Printable(dir.records[index].name) + "\" is both a file and a folder");
    }
  }
  for (const fs::path& folder : folders) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(folder, ec);
    if (fs::is_symlink(status)) throw InputError(folder.string(), "is a symbolic link; it is not followed");
    if (fs::exists(status) && !fs::is_directory(status))
      throw InputError(folder.string(), "exists and is not a folder");
  }
  for (const auto& [target, index] : targets) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
      throw InputError(target.string(), "is a symbolic link; it is not followed");
    }
  }

  // A failure half-way takes back what this run made: the files and folders that were not there.
  std::vector<fs::path> made;
  std::size_t replaced = 0;
  try {
    std::error_code ec;
    if (!fs::exists(outDir, ec)) {
      fs::create_directories(outDir, ec);
      if (ec) throw InputError(outDir, "cannot be made: " + ec.message());
      made.push_back(outDir);
    }
    for (const auto& [target, index] : targets) {
      const PakRecord& record = dir.records[index];
      std::vector<std::uint8_t> bytes(record.size);
      if (pak.handle.readAt(record.offset, bytes.data(), bytes.size()) != bytes.size()) {
        throw InputError(file, "entry \"" + Printable(record.name) + "\" could not be read");
      }
      MakeFoldersBelow(outDir, target.parent_path(), made);
      std::error_code ec;
      if (fs::is_symlink(fs::symlink_status(target, ec))) {
        throw InputError(target.string(), "is a symbolic link; it is not followed");
      }
      const bool existed = fs::exists(fs::symlink_status(target, ec));
      try {
        WriteFileAtomic(target, bytes);
      } catch (const FileError& e) {
        throw InputError(target.string(), "cannot be written: " + e.reason());
      }
      if (existed) {
        ++replaced;
      } else {
        made.push_back(target);
      }
    }
  } catch (const InputError& e) {
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
      std::error_code ec;
      fs::remove(*it, ec);
    }
    std::string what = e.what();
    what += made.empty() ? "; nothing was extracted" : "; the files extracted before it were removed";
    if (replaced > 0) {
      what += ", but " + std::to_string(replaced) + " file" + (replaced == 1 ? "" : "s") +
              " that existed before had already been replaced";
    }
    throw InputError("", what);
  }
}

void Add(const std::string& file, const std::string& name, const std::string& source) {
  MemoryStream bytes = ReadSource(source);
  auto folder = OpenOrCreate(file, false);
  if (!folder->Put(name, &bytes)) {
    throw InputError(file, "cannot take the entry name \"" + Printable(name) +
                               "\": it is blank or longer than " + std::to_string(kPakMaxNameLength) +
                               " characters");
  }
  Save(*folder, file);
}

void Remove(const std::string& file, const std::string& name) {
  auto folder = OpenOrCreate(file, true);
  if (folder->IndexOf(name) < 0) throw InputError(file, "no entry named \"" + Printable(name) + "\"");
  for (int i = folder->IndexOf(name); i >= 0; i = folder->IndexOf(name))
    folder->Delete(i);
  Save(*folder, file);
}

void Create(const std::string& out, const std::string& from) {
  std::error_code ec;
  if (!fs::is_directory(from, ec)) throw InputError(from, "not a folder");
  const fs::path outPath = fs::weakly_canonical(fs::absolute(out), ec);
  std::vector<fs::path> files;
  for (fs::recursive_directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statError;
    if (!it->is_regular_file(statError)) continue;
    // The archive being made may lie inside the folder: it is not part of itself.
    if (fs::weakly_canonical(it->path(), statError) == outPath) continue;
    files.push_back(it->path());
  }
  if (ec) throw InputError(from, "cannot be listed");
  auto folder = TMvAFolder::CreateNew(out);
  for (const fs::path& path : files) {
    std::string name = path.lexically_relative(from).generic_string();
    for (char& c : name) {
      if (c == '/') c = '\\';
    }
    if (name.size() > kPakMaxNameLength) {
      throw InputError(path.string(), "its name in the archive would be longer than " +
                                          std::to_string(kPakMaxNameLength) + " characters");
    }
    MemoryStream bytes = ReadSource(path);
    if (!folder->Put(name, &bytes)) throw InputError(path.string(), "cannot be stored in a PAK archive");
  }
  Save(*folder, out);
}

}  // namespace

void AddPakCommands(CLI::App& app) {
  CLI::App* pak = app.add_subcommand("pak", "List, extract and edit PAK archives");
  pak->require_subcommand(1);

  struct Args {
    std::string file, name, source, out = ".", from;
    std::vector<std::string> names;
  };
  auto args = std::make_shared<Args>();

  CLI::App* list = pak->add_subcommand("list", "One line per entry: index, size and name, tab-separated");
  list->add_option("FILE", args->file, "The archive")->required();
  list->callback([args] { List(args->file); });

  CLI::App* extract = pak->add_subcommand("extract", "Write entries as files; backslashes become folders");
  extract->add_option("FILE", args->file, "The archive")->required();
  extract->add_option("-o,--output", args->out, "Folder to write into (default: the current one)");
  extract->add_option("NAME", args->names, "Entries to extract (default: all)");
  extract->callback([args] { Extract(args->file, args->out, args->names); });

  CLI::App* add = pak->add_subcommand("add", "Add or replace an entry (creates the archive when missing)");
  add->add_option("FILE", args->file, "The archive")->required();
  add->add_option("NAME", args->name, "Entry name, with backslashes")->required();
  add->add_option("SRC", args->source, "File holding the entry's bytes")->required();
  add->callback([args] { Add(args->file, args->name, args->source); });

  CLI::App* rm = pak->add_subcommand("rm", "Remove the entries of a name");
  rm->add_option("FILE", args->file, "The archive")->required();
  rm->add_option("NAME", args->name, "Entry name")->required();
  rm->callback([args] { Remove(args->file, args->name); });

  CLI::App* create = pak->add_subcommand("create", "Make an archive of every file under a folder");
  create->add_option("OUT", args->file, "The archive to write")->required();
  create->add_option("--from", args->from, "The folder")->required();
  create->callback([args] { Create(args->file, args->from); });
}

const CommandGroup kGroup{"pak", AddPakCommands};

}  // namespace dravo::cli
