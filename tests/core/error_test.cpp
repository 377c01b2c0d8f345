// The one error type: what the window shows (what()) and what the command line prints (Describe).
#include "core/error.h"

#include <gtest/gtest.h>

#include "core/byte_io.h"

using namespace dravo;

TEST(Error, EveryKindNamesItsFileAndWhereTheFaultIs) {
  struct Case {
    const char* what;
    Error error;
    std::string shown;      // what()
    std::string described;  // Describe("fallback.bin")
  };
  const Case cases[] = {
      {"plain", Error("a.mot", "no frames"), "a.mot: no frames", "a.mot: no frames"},
      {"at an offset", Error("a.mot", "bad key", 40), "a.mot: bad key at offset 40",
       "a.mot: bad key at offset 40"},
      {"a parser over bytes", FormatError("truncated", 7), "truncated at offset 7",
       "fallback.bin: truncated at offset 7"},
      {"cannot open", FileError::cannotOpen("x.pak", "No such file or directory"),
       "Cannot open file x.pak: No such file or directory",
       "x.pak: cannot be opened: No such file or directory"},
      {"cannot create", FileError::cannotCreate("y.pak", "Permission denied"),
       "Cannot create file y.pak: Permission denied", "y.pak: cannot be written: Permission denied"},
      {"a whole message", FileError("The disk is full"), "The disk is full",
       "fallback.bin: The disk is full"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(std::string(c.error.what()), c.shown);
    EXPECT_EQ(c.error.Describe("fallback.bin"), c.described);
  }
  EXPECT_EQ(FormatError("truncated", 7).offset(), 7u);
  try {
    ByteReader(std::span<const std::uint8_t>{}).u32();
    ADD_FAILURE() << "read past the end";
  } catch (const Error& e) {
    EXPECT_EQ(e.offset(), std::optional<std::uint64_t>(0));
  }
}
