#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_io.h"

// Builds PAK file bytes record by record, so tests can write sound archives and every kind
// of damaged one. Offsets are relative to the data area, as in the file.
struct PakBytes {
  struct Record {
    std::string name;
    std::uint32_t offset;
    std::uint32_t size;
  };
  std::vector<Record> records;
  std::vector<std::uint8_t> data;
  std::optional<std::uint32_t> count;  // the count written; by default the number of records

  // Appends an entry whose bytes follow the previous ones.
  PakBytes& add(const std::string& name, const std::string& bytes) {
    records.push_back(
        {name, static_cast<std::uint32_t>(data.size()), static_cast<std::uint32_t>(bytes.size())});
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
  }
  PakBytes& raw(const std::string& name, std::uint32_t offset, std::uint32_t size) {
    records.push_back({name, offset, size});
    return *this;
  }

  std::vector<std::uint8_t> bytes() const {
    dravo::ByteWriter out;
    out.u32(count.value_or(static_cast<std::uint32_t>(records.size())));
    for (const Record& r : records) {
      std::vector<std::uint8_t> field(100, 0);
      for (std::size_t i = 0; i < r.name.size() && i < 100; ++i)
        field[i] = static_cast<std::uint8_t>(r.name[i]);
      out.bytes(field);
      out.u32(r.offset);
      out.u32(r.size);
    }
    out.bytes(data);
    return out.release();
  }
};
