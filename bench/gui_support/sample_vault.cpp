// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui_support/sample_vault.h"

#include <QBuffer>
#include <QImage>
#include <string>
#include <vector>

#include "storage/table/item_table.h"
#include "storage/vault/vault.h"

namespace kestramo::bench {

namespace fs = std::filesystem;

namespace {

api::Picture Png(QRgb colour) {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return std::make_shared<const api::PictureBytes>(bytes.begin(), bytes.end());
}

}  // namespace

void MakeSampleVault(const fs::path& base, int boxes, int items) {
  fs::create_directories(base);
  Vault v(base);
  v.LoadIndex();
  std::vector<api::Picture> icons;
  for (int i = 0; i < 40; ++i) icons.push_back(Png(qRgb(i * 6, 100, 200 - i * 4)));
  const api::Picture mask = Png(qRgb(255, 255, 255));
  ItemTable& t = v.Items();
  int index = 0;
  for (int b = 0; b < boxes; ++b) {
    const std::string box = "Box number " + std::to_string(b + 1);
    t.Append();
    t.SetField(ItemField::Box, FieldValue::Text(box));
    t.Post();
    for (int i = 0; i < items; ++i) {
      t.Append();
      t.SetField(ItemField::Index, FieldValue::Integer(++index));
      t.SetField(ItemField::Name,
                 FieldValue::Text("Document " + std::to_string(index) + " of the quarterly report.txt"));
      t.SetField(ItemField::Size, FieldValue::Integer(index * 977));
      t.SetField(ItemField::Type, FieldValue::Text("plain text document"));
      t.SetField(ItemField::Date, FieldValue::DateTime(api::LocalDateTime::FromCivil({2026, 12, 7, 9, i % 60, 0})));
      t.SetField(ItemField::Icon, FieldValue::Image(icons[static_cast<std::size_t>(index % 40)]));
      t.SetField(ItemField::IconMask, FieldValue::Image(mask));
      t.SetField(ItemField::Box, FieldValue::Text(box));
      t.SetField(ItemField::Password, FieldValue::Text("vendrali"));
      t.Post();
    }
  }
  v.SaveIndex();
}

}  // namespace kestramo::bench
