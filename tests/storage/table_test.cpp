// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "storage/table/filter_expression.h"
#include "storage/table/item_table.h"
#include "storage/table/table_codec.h"

#include <zlib.h>

namespace kestramo {
namespace {

api::Picture Pic(uint8_t fill, std::size_t n = 64) { return std::make_shared<const api::PictureBytes>(n, fill); }

void AddItem(ItemTable& t, int index, const std::string& name, const std::string& box,
             const std::string& comment = "") {
  t.Append();
  t.SetField(ItemField::Index, FieldValue::Integer(index));
  t.SetField(ItemField::Name, FieldValue::Text(name));
  t.SetField(ItemField::Box, FieldValue::Text(box));
  t.SetField(ItemField::Comment, FieldValue::Text(comment));
  t.Post();
}

void AddBox(ItemTable& t, const std::string& box) {
  t.Append();
  t.SetField(ItemField::Box, FieldValue::Text(box));
  t.Post();
}

std::vector<std::string> VisibleNames(ItemTable& t) {
  std::vector<std::string> names;
  for (int i = 1; i <= t.RecordCount(); ++i) {
    t.MoveTo(i);
    names.push_back(t.FieldByName("Name").AsString());
  }
  return names;
}

TEST(ItemTableTest, RecordsKeepInsertionOrderThroughEditAndDelete) {
  ItemTable t;
  AddBox(t, "Work");
  AddItem(t, 1, "a.txt", "Work");
  AddItem(t, 2, "b.txt", "Work");
  AddItem(t, 3, "c.txt", "Work");
  EXPECT_EQ(t.RecordCount(), 4);
  EXPECT_EQ(t.RecNo(), 4);  // the appended record is current

  ASSERT_TRUE(t.MoveTo(3));
  t.Edit();
  t.SetFieldByName("Comment", FieldValue::Text("note"));
  t.Post();
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_EQ(t.FieldByName("comment").AsString(), "note");

  ASSERT_TRUE(t.MoveTo(2));
  t.Delete();
  EXPECT_EQ(VisibleNames(t), (std::vector<std::string>{"", "b.txt", "c.txt"}));
  EXPECT_FALSE(t.MoveTo(4));
  EXPECT_THROW(t.FieldByName("NoSuchField"), std::invalid_argument);
}

TEST(ItemTableTest, EmptyValuesReadAsZeroEmptyAndFalse) {
  ItemTable t;
  AddBox(t, "Work");
  EXPECT_TRUE(t.Field(ItemField::Name).IsNull());
  EXPECT_EQ(t.Field(ItemField::Index).AsInteger(), 0);
  EXPECT_EQ(t.Field(ItemField::Name).AsString(), "");
  EXPECT_FALSE(t.Field(ItemField::Folder).AsBoolean());
  EXPECT_EQ(t.Field(ItemField::Icon).AsPicture(), nullptr);
}

TEST(ItemTableTest, TextLimitsCountCharactersAndNeverSplitASequence) {
  ItemTable t;
  t.Append();
  std::string box;
  for (int i = 0; i < 81; ++i) box += "\xC3\xA9";  // 81 x e-acute, two bytes each
  t.SetField(ItemField::Box, FieldValue::Text(box));
  t.SetField(ItemField::Password, FieldValue::Text(std::string(45, 'k')));  // room for an item key in base64
  t.SetField(ItemField::Type, FieldValue::Text(std::string(100, 't')));
  t.Post();
  EXPECT_EQ(t.Field(ItemField::Box).AsString(), box.substr(0, 160));
  EXPECT_EQ(t.Field(ItemField::Password).AsString(), std::string(44, 'k'));
  EXPECT_EQ(t.Field(ItemField::Type).AsString().size(), 79u);
}

// The names of the records a filter accepts, in table order; a filter that does not parse
// gives its reason instead.
std::vector<std::string> Matching(const ItemTable& t, std::string_view expression) {
  auto filter = FilterExpression::Parse(expression, true);
  if (!filter.ok()) return {"refused: " + filter.status().message};
  std::vector<std::string> names;
  for (const ItemRecord& row : t.AllRecords()) {
    if ((*filter)->MatchesRecord(row)) names.push_back(FieldOf(row, ItemField::Name).AsString());
  }
  return names;
}

TEST(ItemTableTest, FindFilterMatchesNamesAndCommentsIgnoringCase) {
  ItemTable t;
  AddBox(t, "Work");
  AddItem(t, 1, "Report.txt", "Work", "quarterly FIGURES");
  AddItem(t, 2, "holiday.jpg", "Home", "Beach");
  AddItem(t, 3, "figures.xls", "Home");
  AddItem(t, 4, "it's mine.doc", "Home");
  AddItem(t, 5, "100%.txt", "Home");

  EXPECT_EQ(Matching(t, FindFilterFor("FIGURE")), (std::vector<std::string>{"Report.txt", "figures.xls"}));

  // One asterisk at each end is dropped; two leading asterisks keep one.
  EXPECT_EQ(FindFilterFor("*port*"), FindFilterFor("port"));
  EXPECT_EQ(FindFilterFor("**"), "Name IS NOT NULL");
  EXPECT_EQ(Matching(t, FindFilterFor("*")).size(), 5u);  // every item and no box record
  EXPECT_TRUE(Matching(t, FindFilterFor("**port")).empty());

  // A quote in the search text must not break the filter.
  EXPECT_EQ(Matching(t, FindFilterFor("it's")), (std::vector<std::string>{"it's mine.doc"}));

  // "%" and "_" in the search keep their wildcard meaning.
  EXPECT_EQ(Matching(t, FindFilterFor("h%y")), (std::vector<std::string>{"holiday.jpg"}));
}

TEST(ItemTableTest, BadFiltersAreRefusedWithAReason) {
  ItemTable t;
  AddItem(t, 1, "a", "b");
  for (const char* bad : {"Name LIKE '%it's%'", "Nope LIKE 'x'", "Name LIKE", "(Name IS NULL", "Name ~ 'x'"}) {
    const std::vector<std::string> names = Matching(t, bad);
    ASSERT_EQ(names.size(), 1u) << bad;
    EXPECT_GT(names[0].size(), std::string("refused: ").size()) << bad;
    EXPECT_EQ(names[0].rfind("refused: ", 0), 0u) << bad;
  }
  EXPECT_EQ(Matching(t, "NOT (Name IS NULL) and (Box = 'b' OR Box LIKE 'x_')"), std::vector<std::string>{"a"});
}

TEST(TableCodecTest, RoundTripKeepsEveryFieldPicturesAndEmptyValues) {
  ItemTable t;
  AddBox(t, "Ünïcode box");
  t.Append();
  t.SetField(ItemField::Index, FieldValue::Integer(7));
  t.SetField(ItemField::Name, FieldValue::Text("photo.psd"));
  t.SetField(ItemField::Size, FieldValue::Integer(123456));
  t.SetField(ItemField::Type, FieldValue::Text("Image"));
  t.SetField(ItemField::Date, FieldValue::DateTime(api::LocalDateTime::FromCivil({2005, 1, 5, 21, 7, 4})));
  t.SetField(ItemField::Icon, FieldValue::Image(Pic(1, 4096)));
  t.SetField(ItemField::IconMask, FieldValue::Image(Pic(2, 4096)));
  t.SetField(ItemField::Box, FieldValue::Text("Ünïcode box"));
  t.SetField(ItemField::Folder, FieldValue::Boolean(true));
  t.SetField(ItemField::Password, FieldValue::Text("vendralipass"));
  t.SetField(ItemField::Comment, FieldValue::Text("line one\r\nline two"));
  t.Post();

  ItemTable back;
  ASSERT_TRUE(LoadTableBytes(back, SaveTableBytes(t)).ok());
  ASSERT_EQ(back.AllRecords().size(), 2u);
  EXPECT_EQ(back.AllRecords(), t.AllRecords());
  EXPECT_TRUE(back.AllRecords()[0][static_cast<int>(ItemField::Name)].IsNull());
}

TEST(TableCodecTest, SizesWidenTheByteFormOnlyWhenAValueNeedsIt) {
  const struct {
    int64_t size;
    uint8_t version;
  } cases[] = {{123456, 1}, {0x7FFFFFFF, 1}, {0x80000000, 2}, {int64_t{5} << 30, 2}};
  for (const auto& c : cases) {
    ItemTable t;
    AddItem(t, 3, "video.mkv", "Box");
    t.MoveTo(1);
    t.Edit();
    t.SetField(ItemField::Size, FieldValue::Integer(c.size));
    t.Post();
    const auto bytes = SaveTableBytes(t);
    EXPECT_EQ(bytes[4], c.version) << c.size;
    ItemTable back;
    ASSERT_TRUE(LoadTableBytes(back, bytes).ok()) << c.size;
    EXPECT_EQ(back.AllRecords()[0][static_cast<int>(ItemField::Size)].AsInteger64(), c.size);
  }
}

TEST(TableCodecTest, TablesOfTheFirstFormStillLoad) {
  // Written as the first version did: no pictures, one record of Index, Name and a 4-byte Size.
  std::vector<uint8_t> bytes = {'K',   'Q', 'X', 'T', 1, 0, 0, 0, 0, 0, 0,   0,    1,    0, 0, 0,
                                0b111, 0,   7,   0,   0, 0, 1, 0, 0, 0, 'a', 0xE8, 0x03, 0, 0};
  const auto crc = static_cast<uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  ItemTable t;
  const api::Status loaded = LoadTableBytes(t, bytes);
  ASSERT_TRUE(loaded.ok()) << loaded.message;
  t.MoveTo(1);
  EXPECT_EQ(t.Field(ItemField::Index).AsInteger(), 7);
  EXPECT_EQ(t.Field(ItemField::Name).AsString(), "a");
  EXPECT_EQ(t.Field(ItemField::Size).AsInteger64(), 1000);
  EXPECT_EQ(SaveTableBytes(t), bytes);  // and saves exactly as it was
}

TEST(TableCodecTest, IdenticalPicturesAreStoredOnce) {
  ItemTable t;
  for (int i = 1; i <= 1000; ++i) {
    t.Append();
    t.SetField(ItemField::Index, FieldValue::Integer(i));
    t.SetField(ItemField::Icon, FieldValue::Image(Pic(static_cast<uint8_t>(i % 3), 4096)));  // new buffers, 3 contents
    t.Post();
  }
  const auto bytes = SaveTableBytes(t);
  EXPECT_LT(bytes.size(), 3 * 4096 + 1000 * 16u);
  ItemTable back;
  ASSERT_TRUE(LoadTableBytes(back, bytes).ok());
  const auto& rows = back.AllRecords();
  EXPECT_EQ(rows[0][5].AsPicture().get(), rows[3][5].AsPicture().get());  // shared after load too
  EXPECT_EQ(*rows[1][5].AsPicture(), api::PictureBytes(4096, 2));
}

TEST(TableCodecTest, DamagedOrForeignBytesAreRejectedWithoutTouchingTheTable) {
  ItemTable t;
  AddItem(t, 1, "a.txt", "Work", "x");
  const auto good = SaveTableBytes(t);

  ItemTable target;
  AddItem(target, 9, "keep", "Box");
  EXPECT_EQ(LoadTableBytes(target, {}).code, api::Code::Damaged);
  EXPECT_EQ(LoadTableBytes(target, std::vector<uint8_t>(good.begin(), good.end() - 1)).code, api::Code::Damaged);
  for (std::size_t i = 0; i < good.size(); ++i) {
    auto bad = good;
    bad[i] ^= 0x40;
    EXPECT_EQ(LoadTableBytes(target, bad).code, api::Code::Damaged) << "flipped byte " << i;
  }
  EXPECT_EQ(target.AllRecords().size(), 1u);
  EXPECT_EQ(target.AllRecords()[0][1].AsString(), "keep");
}

}  // namespace
}  // namespace kestramo
