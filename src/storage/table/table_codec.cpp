// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/table/table_codec.h"

#include <zlib.h>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

namespace kestramo {
namespace {

// A table's bytes that cannot be read; caught at the boundary and reported as the reason.
class TableFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr char kMagic[4] = {'K', 'Q', 'X', 'T'};
// Version 2 differs only in holding large integers in 64 bits; it is written only when a
// value needs them, so that vaults of smaller items keep the form older programs read.
constexpr uint16_t kVersion = 1;
constexpr uint16_t kWideVersion = 2;

class Writer {
 public:
  void U8(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v) { Raw(&v, 2); }
  void U32(uint32_t v) { Raw(&v, 4); }
  void I64(int64_t v) { Raw(&v, 8); }
  void Bytes(const void* p, std::size_t n) {
    U32(static_cast<uint32_t>(n));
    Raw(p, n);
  }
  void Raw(const void* p, std::size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);  // little-endian host (x86-64, arm64)
  }
  std::vector<uint8_t>& Out() { return out_; }

 private:
  std::vector<uint8_t> out_;
};

class Reader {
 public:
  Reader(const uint8_t* p, std::size_t n) : p_(p), n_(n) {}
  template <typename T>
  T Get() {
    T v{};
    Need(sizeof v);
    std::memcpy(&v, p_ + pos_, sizeof v);
    pos_ += sizeof v;
    return v;
  }
  const uint8_t* Take(std::size_t n) {
    Need(n);
    const uint8_t* at = p_ + pos_;
    pos_ += n;
    return at;
  }
  std::size_t Remaining() const { return n_ - pos_; }

 private:
  void Need(std::size_t n) const {
    if (n > n_ - pos_) throw TableFormatError("the index table is truncated");
  }
  const uint8_t* p_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

// Pictures are interned by content so that thousands of items with the same icon share
// one entry. Records usually share the buffer itself, so the pointer is looked up first.
class PicturePool {
 public:
  uint32_t IndexOf(const api::Picture& p) {
    if (auto it = byBuffer_.find(p.get()); it != byBuffer_.end()) return it->second;
    const std::string_view content(reinterpret_cast<const char*>(p->data()), p->size());
    auto& candidates = byHash_[std::hash<std::string_view>{}(content)];
    uint32_t index = static_cast<uint32_t>(list_.size());
    for (uint32_t c : candidates) {
      if (*list_[c] == *p) index = c;
    }
    if (index == list_.size()) {
      list_.push_back(p);
      candidates.push_back(index);
    }
    byBuffer_.emplace(p.get(), index);
    return index;
  }
  const std::vector<api::Picture>& List() const { return list_; }

 private:
  std::unordered_map<const api::PictureBytes*, uint32_t> byBuffer_;
  std::unordered_map<std::size_t, std::vector<uint32_t>> byHash_;
  std::vector<api::Picture> list_;
};

bool NeedsWideForm(const std::vector<ItemRecord>& rows) {
  const auto& defs = ItemFieldDefs();
  for (const ItemRecord& row : rows) {
    for (std::size_t f = 0; f < kItemFieldCount; ++f) {
      if (defs[f].type != FieldType::LargeInteger) continue;
      const int64_t v = row[f].AsInteger64();
      if (v != static_cast<int32_t>(v)) return true;
    }
  }
  return false;
}

void WriteValue(Writer& w, PicturePool& pool, FieldType type, const FieldValue& v, bool wide) {
  switch (type) {
    case FieldType::Integer: w.U32(static_cast<uint32_t>(v.AsInteger())); break;
    case FieldType::LargeInteger:
      if (wide) w.I64(v.AsInteger64());
      else w.U32(static_cast<uint32_t>(v.AsInteger()));
      break;
    case FieldType::Text: w.Bytes(v.AsString().data(), v.AsString().size()); break;
    case FieldType::DateTime: w.I64(v.AsDateTime().seconds); break;
    case FieldType::Boolean: w.U8(v.AsBoolean() ? 1 : 0); break;
    case FieldType::Image: w.U32(pool.IndexOf(v.AsPicture())); break;
  }
}

FieldValue ReadValue(Reader& r, const std::vector<api::Picture>& pictures, FieldType type, bool wide) {
  switch (type) {
    case FieldType::Integer: return FieldValue::Integer(r.Get<int32_t>());
    case FieldType::LargeInteger: return FieldValue::Integer(wide ? r.Get<int64_t>() : r.Get<int32_t>());
    case FieldType::Text: {
      const auto n = r.Get<uint32_t>();
      const auto* p = r.Take(n);
      return FieldValue::Text(std::string(reinterpret_cast<const char*>(p), n));
    }
    case FieldType::DateTime: return FieldValue::DateTime({r.Get<int64_t>()});
    case FieldType::Boolean: {
      const auto b = r.Get<uint8_t>();
      if (b > 1) throw TableFormatError("a boolean field holds a bad value");
      return FieldValue::Boolean(b == 1);
    }
    case FieldType::Image: {
      const auto i = r.Get<uint32_t>();
      if (i >= pictures.size()) throw TableFormatError("a picture reference is out of range");
      return FieldValue::Image(pictures[i]);
    }
  }
  return {};
}

}  // namespace

std::vector<uint8_t> SaveTableBytes(const ItemTable& table) {
  const auto& defs = ItemFieldDefs();
  const auto& rows = table.AllRecords();
  PicturePool pool;
  const bool wide = NeedsWideForm(rows);
  Writer body;
  for (const ItemRecord& row : rows) {
    uint16_t mask = 0;
    for (std::size_t f = 0; f < kItemFieldCount; ++f) {
      if (!row[f].IsNull()) mask |= static_cast<uint16_t>(1u << f);
    }
    body.U16(mask);
    for (std::size_t f = 0; f < kItemFieldCount; ++f) {
      if (mask & (1u << f)) WriteValue(body, pool, defs[f].type, row[f], wide);
    }
  }

  Writer out;
  out.Raw(kMagic, 4);
  out.U16(wide ? kWideVersion : kVersion);
  out.U16(0);
  out.U32(static_cast<uint32_t>(pool.List().size()));
  for (const api::Picture& p : pool.List()) out.Bytes(p->data(), p->size());
  out.U32(static_cast<uint32_t>(rows.size()));
  out.Raw(body.Out().data(), body.Out().size());
  const auto crc = static_cast<uint32_t>(crc32(0L, out.Out().data(), static_cast<uInt>(out.Out().size())));
  out.U32(crc);
  return std::move(out.Out());
}

api::Result<std::vector<ItemRecord>> ParseTableBytes(const uint8_t* data, std::size_t size) {
  try {
    if (size < 20 || std::memcmp(data, kMagic, 4) != 0)
      throw TableFormatError("not an index table (wrong key or damaged file)");
    uint32_t stored;
    std::memcpy(&stored, data + size - 4, 4);
    if (stored != static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(size - 4)))) {
      throw TableFormatError("the index table's checksum does not match (damaged file)");
    }
    Reader r(data, size - 4);
    r.Take(4);
    const auto version = r.Get<uint16_t>();
    if (version != kVersion && version != kWideVersion)
      throw TableFormatError("the index table has an unknown version");
    const bool wide = version == kWideVersion;
    r.Get<uint16_t>();

    const auto pictureCount = r.Get<uint32_t>();
    if (pictureCount > r.Remaining() / 4) throw TableFormatError("the picture count is out of range");
    std::vector<api::Picture> pictures;
    pictures.reserve(pictureCount);
    for (uint32_t i = 0; i < pictureCount; ++i) {
      const auto n = r.Get<uint32_t>();
      const auto* p = r.Take(n);
      pictures.push_back(std::make_shared<const api::PictureBytes>(p, p + n));
    }

    const auto rowCount = r.Get<uint32_t>();
    if (rowCount > r.Remaining() / 2) throw TableFormatError("the record count is out of range");
    const auto& defs = ItemFieldDefs();
    std::vector<ItemRecord> rows(rowCount);
    for (ItemRecord& row : rows) {
      const auto mask = r.Get<uint16_t>();
      if (mask >> kItemFieldCount) throw TableFormatError("a record names unknown fields");
      for (std::size_t f = 0; f < kItemFieldCount; ++f) {
        if (mask & (1u << f)) row[f] = ReadValue(r, pictures, defs[f].type, wide);
      }
    }
    if (r.Remaining() != 0) throw TableFormatError("the index table has trailing bytes");
    return rows;
  } catch (const TableFormatError& e) {
    return api::Status::Fail(api::Code::Damaged, e.what());
  }
}

api::Status LoadTableBytes(ItemTable& table, const std::vector<uint8_t>& bytes) {
  auto rows = ParseTableBytes(bytes.data(), bytes.size());
  if (!rows.ok()) return rows.status();
  table.ReplaceAll(std::move(*rows));
  return api::Status::Ok();
}

}  // namespace kestramo
