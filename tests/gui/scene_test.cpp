// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "controls/picture_ops.h"
#include "controls/view_texts.h"
#include "mainwindow/box_views.h"
#include "mainwindow/layered_image.h"
#include "mainwindow/panel_painter.h"
#include "storage/vault/box_rules.h"

using namespace kestramo;

namespace {

QImage Filled(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(colour);
  return image;
}

void AddRecord(ItemTable& t, const std::string& box, int index = 0, const std::string& name = "") {
  t.Append();
  t.SetField(ItemField::Box, FieldValue::Text(box));
  if (!name.empty()) {
    t.SetField(ItemField::Index, FieldValue::Integer(index));
    t.SetField(ItemField::Name, FieldValue::Text(name));
  }
  t.Post();
}

// The views of a table, given its boxes and items as the vault lists them.
void Build(BoxViews& views, const ItemTable& t) {
  std::vector<api::ItemInfo> items;
  for (const ItemRecord& r : t.AllRecords()) {
    if (FieldOf(r, ItemField::Name).IsNull()) continue;
    api::ItemInfo item;
    item.index = FieldOf(r, ItemField::Index).AsInteger();
    item.box = FieldOf(r, ItemField::Box).AsString();
    item.name = FieldOf(r, ItemField::Name).AsString();
    item.icon = FieldOf(r, ItemField::Icon).AsPicture();
    item.iconMask = FieldOf(r, ItemField::IconMask).AsPicture();
    items.push_back(item);
  }
  views.BuildViews(BoxNames(t), items);
}

// Counts pixels of exactly this colour in a rectangle.
int CountColour(const QImage& image, const QRect& r, QRgb colour) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  }
  return n;
}

}  // namespace

class SceneTest : public QObject {
  Q_OBJECT

 private slots:
  void hitTestTakesTheTopmostLayerUnderThePointEvenWhenHidden() {
    LayeredImage image;
    image.resize(100, 100);
    SceneLayer bottom;
    bottom.number = 0;
    bottom.picture = Filled(100, 100, 0xFF202020);
    image.AddLayer(bottom);
    SceneLayer shaped;  // opaque only in its left half
    shaped.number = 5;
    shaped.pos = QPointF(10, 10);
    shaped.alphaHit = true;
    shaped.picture = Filled(40, 40, 0x00000000);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 20; ++x) shaped.picture.setPixel(x, y, 0xFF00FF00);
    }
    image.AddLayer(shaped);
    SceneLayer hidden;
    hidden.number = 7;
    hidden.pos = QPointF(60, 60);
    hidden.visible = false;
    hidden.picture = Filled(10, 10, 0xFFFF0000);
    image.AddLayer(hidden);
    SceneLayer deaf = hidden;  // no mouse events: never hit
    deaf.number = 8;
    deaf.visible = true;
    deaf.mouseEvents = false;
    image.AddLayer(deaf);

    QCOMPARE(image.LayerAt(QPointF(15, 15)), 5);
    QCOMPARE(image.LayerAt(QPointF(45, 15)), 0);  // transparent part of the shaped layer
    QCOMPARE(image.LayerAt(QPointF(65, 65)), 7);
    QCOMPARE(image.LayerAt(QPointF(150, 15)), -1);
    QCOMPARE(image.Composed().pixel(65, 65), 0xFFFF0000u);  // drawn: the visible deaf layer
  }

  void theLightAddsItselfToWhatLiesBeneath() {
    LayeredImage image;
    image.resize(4, 4);
    SceneLayer base;
    base.picture = Filled(4, 4, qRgb(100, 200, 30));
    image.AddLayer(base);
    SceneLayer light;
    light.number = 2;
    light.mode = DrawMode::LightCombine;
    light.picture = Filled(2, 2, qRgb(100, 100, 0));
    image.AddLayer(light);
    QCOMPARE(image.Composed().pixel(0, 0), qRgb(200, 255, 30));  // saturates at 255
    QCOMPARE(image.Composed().pixel(3, 3), qRgb(100, 200, 30));
  }

  void lightenAndMaskRules() {
    QImage picture = Filled(2, 1, qRgba(250, 10, 100, 255));
    LightenPicture(picture, 60);
    QCOMPARE(picture.pixel(0, 0), qRgba(255, 70, 160, 255));
    QImage mask = Filled(2, 1, qRgb(255, 255, 255));
    mask.setPixel(1, 0, qRgb(0, 0, 0));
    const QImage masked = WithAlphaFromMask(Filled(2, 1, qRgb(10, 20, 30)), mask);
    QCOMPARE(qAlpha(masked.pixel(0, 0)), 255);
    QCOMPARE(qAlpha(masked.pixel(1, 0)), 0);
    QCOMPARE(Intensity(qRgb(255, 255, 255)), 255);
    QCOMPARE(Intensity(qRgb(0, 255, 0)), 173);
  }

  void scrollArithmetic() {
    // Whole rows: the end shows the last four rows from the list's top; between, the nearest row.
    QCOMPARE(ScrollFor(10, 222.0f).FirstRow, 6);
    QCOMPARE(ScrollFor(10, 222.0f).FirstRowTop, 60);
    QCOMPARE(ScrollFor(10, 100.0f).FirstRow, 3);
    QCOMPARE(ScrollFor(10, SliderOffsetFor(10, 4)).FirstRow, 4);
    QCOMPARE(SliderOffsetFor(10, 99), 222.0f);
    QCOMPARE(SliderOffsetFor(4, 1), 0.0f);
    for (float slider : {0.0f, 100.0f, 222.0f}) {
      QCOMPARE(ScrollFor(4, slider).FirstRow, 0);
      QCOMPARE(ScrollFor(4, slider).FirstRowTop, 60);
    }
    QCOMPARE(BoxScrollFor(2, 356.0f).TopBox, 1);
    QCOMPARE(BoxScrollFor(2, 356.0f).Offset, 0.0f);
    QCOMPARE(BoxScrollFor(32, 66.0f).TopBox, 0);
  }

  void sizeAndDateTexts() {
    QCOMPARE(SizeText(0), QStringLiteral("0 KB"));
    QCOMPARE(SizeText(1), QStringLiteral("1 KB"));
    QCOMPARE(SizeText(1023), QStringLiteral("1 KB"));
    QCOMPARE(SizeText(1536), QStringLiteral("2 KB"));
    QCOMPARE(SizeText(1048576), QStringLiteral("1,024 KB"));
    QCOMPARE(SizeText(2147483647), QStringLiteral("2,097,152 KB"));
    QCOMPARE(SizeText(int64_t{10} << 30), QStringLiteral("10,485,760 KB"));
    QCOMPARE(SizeText((int64_t{10} << 30) + 1), QStringLiteral("10.0 GB"));
    QCOMPARE(SizeText((int64_t{25} << 30) + (int64_t{1} << 29)), QStringLiteral("25.5 GB"));
    QCOMPARE(SizeText(int64_t{3} << 40), QStringLiteral("3,072.0 GB"));
    QCOMPARE(DateText(api::LocalDateTime::FromCivil({2005, 1, 5, 21, 7, 0})), QStringLiteral("1/5/05 9:07 PM"));
    QCOMPARE(DateText(api::LocalDateTime::FromCivil({2005, 1, 5, 0, 0, 0})), QStringLiteral("1/5/05"));
    QCOMPARE(DateText(api::LocalDateTime::FromCivil({2010, 12, 31, 0, 5, 0})), QStringLiteral("12/31/10 12:05 AM"));
    QCOMPARE(DateText(api::LocalDateTime::FromCivil({2010, 12, 31, 12, 0, 0})), QStringLiteral("12/31/10 12:00 PM"));
  }

  void boxesDifferingInCaseAreOneBoxListingExactMatchesOnly() {
    ItemTable t;
    AddRecord(t, "Work");
    AddRecord(t, "work", 1, "lower.txt");
    AddRecord(t, "Work", 2, "upper.txt");
    AddRecord(t, "Home");
    BoxViews views;
    Build(views, t);
    QCOMPARE(views.BoxCount(), 2);
    QCOMPARE(views.Boxes[0].Name, QStringLiteral("Work"));
    QCOMPARE(views.Boxes[0].ItemIndex, std::vector<int32_t>{2});
    QCOMPARE(views.Items.size(), std::size_t(2));
    QCOMPARE(views.SelectedBox, -1);
  }

  void aBoxOfManyItemsIsDrawnToItsEndAndSharesIcons() {
    ItemTable t;
    const auto icon = std::make_shared<const api::PictureBytes>(PngOf(Filled(32, 32, 0xFF3366CC)));
    const auto mask = std::make_shared<const api::PictureBytes>(PngOf(Filled(32, 32, 0xFFFFFFFF)));
    for (int i = 1; i <= 1500; ++i) {
      t.Append();
      t.SetField(ItemField::Index, FieldValue::Integer(i));
      t.SetField(ItemField::Name, FieldValue::Text("item" + std::to_string(i)));
      t.SetField(ItemField::Box, FieldValue::Text("Big"));
      t.SetField(ItemField::Icon, FieldValue::Image(icon));
      t.SetField(ItemField::IconMask, FieldValue::Image(mask));
      t.Post();
    }
    BoxViews views;
    Build(views, t);
    QCOMPARE(views.Boxes[0].ItemCount(), 1500);
    QCOMPARE(views.Icons.icons.size(), std::size_t(1));
    QImage pristine = Filled(474, 351, 0xFF101820);
    QImage panel = pristine.copy();
    views.Boxes[0].SliderOffset = kSliderTravel;
    views.Boxes[0].Selected[1499] = 1;
    DrawBoxPanel(panel, pristine, views.Boxes[0], views, true);
    QCOMPARE(views.Boxes[0].FirstRow, 1496);
    // The last row, selected, shows its icon lightened by 60.
    const int top = views.Boxes[0].FirstRowTop + 3 * 60;
    QCOMPARE(panel.pixel(30, top + 16), qRgb(0x33 + 60, 0x66 + 60, 0xCC + 60 > 255 ? 255 : 0xCC + 60));
  }

  void theSelectedBoxNameIsWhiteAndOthersLightYellow() {
    ItemTable t;
    AddRecord(t, "WWWWWWWW");
    BoxViews views;
    Build(views, t);
    const QImage pristine = Filled(474, 351, 0xFF101820);
    const QRect strip(70, 9, 332, 24);
    QImage selected = pristine.copy(), other = pristine.copy();
    DrawBoxPanel(selected, pristine, views.Boxes[0], views, true);
    DrawBoxPanel(other, pristine, views.Boxes[0], views, false);
    QVERIFY(CountColour(selected, strip, qRgb(255, 255, 255)) > 20);
    QCOMPARE(CountColour(selected, strip, qRgb(255, 255, 128)), 0);
    QVERIFY(CountColour(other, strip, qRgb(255, 255, 128)) > 20);
    QCOMPARE(CountColour(other, strip, qRgb(255, 255, 255)), 0);
  }

 private:
  static api::PictureBytes PngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return api::PictureBytes(bytes.begin(), bytes.end());
  }
};

QTEST_MAIN(SceneTest)
#include "scene_test.moc"
