#include "core/byte_io.h"

#include <gtest/gtest.h>

#include "core/memory_stream.h"

using namespace dravo;

TEST(ByteIo, ReadsLittleEndianAndRefusesToRunPastTheEnd) {
  const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x3F, 'a', 0, 'b'};
  ByteReader r(bytes);
  EXPECT_EQ(r.u32(), 0x04030201u);
  EXPECT_EQ(r.i16(), -1);
  EXPECT_EQ(r.u16(), 0);
  EXPECT_EQ(r.u16(), 0x3F80);
  EXPECT_EQ(r.fixedString(3), "a");
  EXPECT_EQ(r.remaining(), 0u);
  EXPECT_THROW(r.u8(), FormatError);
  EXPECT_EQ(r.position(), sizeof bytes);  // a failed read moves nothing
}

TEST(ByteIo, FitsGuardsAgainstOverflowingCounts) {
  const std::uint8_t bytes[16] = {};
  ByteReader r(bytes);
  EXPECT_TRUE(r.fits(4, 4));
  EXPECT_FALSE(r.fits(5, 4));
  EXPECT_FALSE(r.fits(UINT64_MAX / 2, 4));
  EXPECT_THROW(r.need(0xFFFFFFFFu, 108), FormatError);
}

TEST(ByteIo, WriterRoundTrips) {
  ByteWriter w;
  w.u32(0xDEADBEEF);
  w.i32(-2);
  w.f32(1.5f);
  w.fixedString("name-that-is-too-long", 8);
  w.patchU32(0, 7);
  ByteReader r(w.data());
  EXPECT_EQ(r.u32(), 7u);
  EXPECT_EQ(r.i32(), -2);
  EXPECT_EQ(r.f32(), 1.5f);
  EXPECT_EQ(r.fixedString(8), "name-th");
}

TEST(MemoryStream, GrowsOnWriteAndReadsWhatIsThere) {
  MemoryStream s;
  s.write(std::string("hello"));
  EXPECT_EQ(s.size(), 5u);
  s.setPosition(3);
  s.write(std::string("p!!"));
  EXPECT_EQ(s.text(), "help!!");
  s.setPosition(4);
  char out[8] = {};
  EXPECT_EQ(s.read(out, 8), 2u);
  EXPECT_TRUE(s.atEnd());
  s.setSize(2);
  EXPECT_EQ(s.text(), "he");
  EXPECT_EQ(s.read(out, 1), 0u);  // position lies past the end now
}
