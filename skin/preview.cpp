// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview.h"

#include <QDir>
#include <QPainter>
#include <vector>

#include "materials.h"
#include "strips.h"

namespace skin {

namespace {

class Scene {
 public:
  explicit Scene(const ResourceSet& set) : set_(set), img_(560, 420, QImage::Format_ARGB32_Premultiplied) {
    img_.fill(QColor(40, 40, 40));
    p_.begin(&img_);
  }
  // A layer as the program draws it: opaque, or blended with the mask's intensity.
  void Put(const QString& name, const QString& mask, QPointF at) { Put(set_.Get(name), mask, at); }
  void Put(const QImage& picture, const QString& mask, QPointF at) {
    p_.drawImage(at, mask.isEmpty() ? picture : ApplyMask(picture, set_.Get(mask)));
  }
  void Add(const QString& name, QPointF at) {
    p_.save();
    p_.setCompositionMode(QPainter::CompositionMode_Plus);
    p_.drawImage(at, set_.Get(name));
    p_.restore();
  }
  QImage Done() {
    p_.end();
    return img_;
  }
  const ResourceSet& set() const { return set_; }

 private:
  const ResourceSet& set_;
  QImage img_;
  QPainter p_;
};

// The panel with a box name and item rows in the program's colours and fonts.
QImage FilledPanel(const ResourceSet& set, const QString& boxName) {
  QImage panel = set.Get("sbox").convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter p(&panel);
  QFont f("Liberation Sans");
  f.setPointSize(9);
  p.setFont(f);
  const char* names[] = {"Quarterly report.odt", "Holiday photos 2026.tar", "passwords-old.txt", "invoice-0042.pdf"};
  const QImage iconShown = ApplyMask(set.Get("psd"), set.Get("psdmask"));
  for (int n = 0; n < 4; ++n) {
    const int h = 60 + 60 * n;
    p.drawImage(20, h + 6, iconShown);
    const QStringList labels = {"Size: ", "Type: ", "Date: ", "Name: "};
    const QStringList values = {"1,024 KB", "Image document", "1/5/05 9:07 PM", names[n]};
    for (int k = 0; k < 4; ++k) {
      const int x = k == 3 ? 20 : 55, y = h + 13 * k;
      const QFontMetrics fm(f);
      p.setPen(Qt::black);
      p.drawText(x + 1, y + 1 + fm.ascent(), labels[k] + values[k]);
      p.setPen(n == 1 ? QColor(237, 254, 245) : QColor(210, 210, 255));
      p.drawText(x, y + fm.ascent(), labels[k]);
      p.setPen(n == 1 ? QColor(255, 255, 255) : QColor(255, 255, 128));
      p.drawText(x + fm.horizontalAdvance(labels[k]), y + fm.ascent(), values[k]);
    }
  }
  p.drawImage(QPoint(17, 0), set.Get("sbox"), QRect(17, 0, 395, 60));
  p.drawImage(QPoint(17, 337), set.Get("sbox"), QRect(17, 337, 395, 14));
  f.setPointSize(16);
  p.setFont(f);
  p.setPen(Qt::black);
  p.drawText(QRect(71, 10, 331, 23), Qt::AlignCenter, boxName);
  p.setPen(QColor(255, 255, 128));
  p.drawText(QRect(70, 9, 332, 24), Qt::AlignCenter, boxName);
  return panel;
}

QImage Columns(const QImage& img, int from, int count) { return img.copy(from, 0, count, img.height()); }

void Panel(Scene& s, qreal top, bool open, bool lit) {
  const ResourceSet& set = s.set();
  const qreal dy = top - 60;
  s.Put(FilledPanel(set, open ? "Documents" : "Photographs"), "", {16, top});
  s.Put("sslider", "sslidera", {426, 126 + dy});
  if (lit) s.Add("light", {27, 121 + dy});
  const QImage& rsd = set.Get("rsd");
  const QImage& lsd = set.Get("lsd");
  s.Put(open ? Columns(rsd, 0, 39) : rsd, "", {open ? 445.0 : 237.0, 120 + dy});
  s.Put(open ? Columns(lsd, lsd.width() - 7, 7) : lsd, "", {26, 120 + dy});
  if (!lit) s.Put("sblight", "sblighta", {458, 73 + dy});
  const char* buttons[] = {"sbfil", "sbfol", "sbexp", "sbdel", "sbcom"};
  for (int k = 0; k < 5; ++k) s.Put(buttons[k], "sbalpha", {26.0 + 92 * k, 99 + dy});
  s.Put("shdown", "shdowna", {open ? 448.0 : 240.0, 233 + dy});
}

struct SceneState {
  bool bigOpen = false;
  bool smallOpen = false;  // first panel's doors and light
  qreal scroll = 0;        // how far the panel column is scrolled up
};

QImage MainWindow(const ResourceSet& set, const SceneState& state) {
  const bool open = state.bigOpen;
  Scene s(set);
  Panel(s, 60 - state.scroll, state.smallOpen, state.smallOpen);
  Panel(s, 411 - state.scroll, false, false);
  s.Put("bbox", "bboxa", {0, 0});
  s.Put("bslider", "bslidera", {490, open ? 150.0 : 66.0});
  const QImage& rbd = set.Get("rbd");
  const QImage& lbd = set.Get("lbd");
  const int shift = lbd.width() - 8;
  s.Put(open ? Columns(rbd, 0, rbd.width() - shift) : rbd, "", {263.0 + (open ? shift : 0), 59});
  s.Put(open ? Columns(lbd, lbd.width() - 8, 8) : lbd, "", {9, 59});
  const char* buttons[] = {"bbnew", "bbdel", "bbfin", "bbpas", "bbhel", "bbabo", "bbmin", "bbexi"};
  const int lefts[] = {8, 63, 118, 173, 228, 283, 448, 503};
  for (int k = 0; k < 8; ++k)
    if (!(open && k == 2)) s.Put(buttons[k], "bbalpha", {qreal(lefts[k]), 39});  // one shown pressed
  s.Put(open ? "bhup" : "bhdown", open ? "bhupa" : "bhdowna", {265.0 + (open ? shift : 0), 200});
  QImage img = s.Done();
  // The window's outline.
  QImage shaped = Blank(560, 420);
  QPainter p(&shaped);
  QPainterPath clip;
  clip.addPolygon(CutOutline(560, 420));
  p.setClipPath(clip);
  p.drawImage(0, 0, img);
  return shaped;
}

struct Mock {
  const char* name;
  std::vector<std::pair<QPoint, QString>> labels;
  std::vector<QRect> fields;
  std::vector<std::pair<QPoint, QString>> buttons;  // face names
};

QImage Dialog(const ResourceSet& set, const Mock& m) {
  QImage img = set.Get(m.name).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  QFont f("DejaVu Sans");
  f.setPixelSize(11);
  p.setFont(f);
  p.setPen(Qt::white);
  for (const auto& [at, text] : m.labels) p.drawText(at + QPoint(0, 10), text);
  for (const QRect& r : m.fields) {
    p.fillRect(r, QColor(193, 228, 249));
    p.setPen(QColor(90, 90, 90));
    p.drawRect(r.adjusted(0, 0, -1, -1));
  }
  for (const auto& [at, face] : m.buttons) {
    QImage b = set.Get(face).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x)
        if ((b.pixel(x, y) & 0xffffff) == 0) b.setPixel(x, y, 0);
    p.drawImage(at, b);
  }
  return img;
}

std::vector<Mock> Mocks() {
  return {
      {"name",
       {{{90, 40}, "Input the name of the file box:"}},
       {{90, 58, 202, 21}},
       {{{173, 86}, "btn_ok_idle"}, {{240, 86}, "btn_cancel_down"}}},
      {"login",
       {{{90, 40}, "Please input password:"}},
       {{90, 56, 180, 21}},
       {{{148, 84}, "btn_ok_idle"}, {{217, 84}, "btn_cancel_idle"}}},
      {"password",
       {{{90, 40}, "Input new password:"}, {{90, 82}, "Confirm new password:"}},
       {{90, 56, 180, 21}, {90, 98, 180, 21}},
       {{{153, 126}, "btn_ok_idle"}, {{218, 126}, "btn_cancel_idle"}}},
      {"confirm",
       {{{90, 40}, "Do you really want to delete"}, {{90, 53}, "the selected items?"}},
       {},
       {{{127, 75}, "btn_yes_idle"}, {{199, 75}, "btn_no_idle"}}},
      {"message", {{{90, 37}, "Please select an item to export."}}, {}, {{{154, 73}, "btn_ok_idle"}}},
      {"comment",
       {{{90, 40}, "Please input the comment:"}},
       {{90, 56, 215, 97}},
       {{{187, 161}, "btn_ok_idle"}, {{254, 161}, "btn_cancel_idle"}}},
      {"about", {{{68, 178}, "for Linux desktops"}}, {}, {}},
      {"find",
       {{{10, 40}, "Input what you want to find:"}, {{10, 80}, "Search results:"}},
       {{10, 57, 175, 21}, {10, 97, 398, 135}},
       {{{196, 61}, "btn_findnow_idle"},
        {{11, 240}, "btn_export_idle"},
        {{114, 240}, "btn_delete_down"},
        {{217, 240}, "btn_comment_idle"},
        {{320, 240}, "btn_close_idle"}}},
      {"browse",
       {{{10, 40}, "Select the destination folder:"}, {{10, 55}, "/home/user/Documents"}},
       {{10, 73, 320, 200}},
       {{{210, 282}, "btn_ok_disabled"}, {{278, 282}, "btn_cancel_idle"}}},
      {"status",
       {{{85, 10}, "Now is compressing:"}, {{85, 23}, "report.odt"}},
       {{85, 39, 220, 17}},
       {{{168, 64}, "btn_cancel_disabled"}}},
  };
}

// Every frame of a strip over the status dialog's animation area, enlarged.
QImage StripSheet(const ResourceSet& set, const QString& strip, const QString& mask, int frames, int w, int h) {
  const QImage back = set.Get("status").copy(10, 14, 64, 53);
  const QImage masked = ApplyMask(set.Get(strip), set.Get(mask));
  const int cols = 8, scale = 3;
  QImage sheet(cols * 64 * scale, ((frames + cols - 1) / cols) * 53 * scale, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(Qt::black);
  QPainter p(&sheet);
  for (int i = 0; i < frames; ++i) {
    QImage cell = back.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter cp(&cell);
    cp.drawImage(QPoint(0, 0), masked, QRect(i * w, 0, w, h));
    cp.end();
    p.drawImage(QRect((i % cols) * 64 * scale, (i / cols) * 53 * scale, 64 * scale, 53 * scale), cell);
  }
  return sheet;
}

QImage Enlarged(const QImage& img, int scale) {
  return img.scaled(img.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// Small pictures side by side over a mid grey, enlarged.
QImage SmallParts(const ResourceSet& set) {
  const std::vector<std::pair<QString, QString>> parts = {
      {"bbnew", "bbalpha"},    {"bbdel", "bbalpha"},    {"bbfin", "bbalpha"},    {"bbpas", "bbalpha"},
      {"bbhel", "bbalpha"},    {"bbabo", "bbalpha"},    {"bbmin", "bbalpha"},    {"bbexi", "bbalpha"},
      {"sbfil", "sbalpha"},    {"sbfol", "sbalpha"},    {"sbexp", "sbalpha"},    {"sbdel", "sbalpha"},
      {"sbcom", "sbalpha"},    {"shdown", "shdowna"},   {"shup", "shupa"},       {"bhdown", "bhdowna"},
      {"bhup", "bhupa"},       {"sslider", "sslidera"}, {"bslider", "bslidera"}, {"sblight", "sblighta"},
      {"psd", "psdmask"},      {"hand1", ""},           {"hand2", ""},           {"hand3", ""},
      {"appicon", ""},         {"btn_ok_idle", ""},     {"btn_ok_down", ""},     {"btn_cancel_disabled", ""},
      {"btn_findnow_idle", ""}};
  QImage sheet(560, 200, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(60, 66, 76));
  QPainter p(&sheet);
  int x = 4, y = 4, rowH = 0;
  for (const auto& [name, mask] : parts) {
    const QImage& img = set.Get(name);
    if (x + img.width() > 556) {
      x = 4;
      y += rowH + 6;
      rowH = 0;
    }
    p.drawImage(x, y, mask.isEmpty() ? img : ApplyMask(img, set.Get(mask)));
    x += img.width() + 6;
    rowH = std::max(rowH, img.height());
  }
  p.end();
  return sheet.copy(0, 0, 560, y + rowH + 4);
}

// The cursors enlarged over light and dark grounds, each hot spot marked in red.
QImage Cursors(const ResourceSet& set) {
  QImage sheet(32 * 3, 64, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(200, 204, 210));
  QPainter p(&sheet);
  p.fillRect(0, 32, 96, 32, QColor(40, 44, 52));
  for (int k = 0; k < 3; ++k) {
    const QImage& c = set.Get(QString("hand%1").arg(k + 1));
    const QStringList hot = c.text("HotSpot").split(',');
    for (int row = 0; row < 2; ++row) {
      p.drawImage(32 * k, 32 * row, c);
      p.fillRect(32 * k + hot[0].toInt(), 32 * row + hot[1].toInt(), 1, 1, Qt::red);
    }
  }
  p.end();
  return Enlarged(sheet, 6);
}

}  // namespace

bool WritePreviews(const ResourceSet& set, const QString& dir) {
  if (!QDir().mkpath(dir)) return false;
  bool ok = true;
  const QImage shut = MainWindow(set, {}), open = MainWindow(set, {true, true, 0});
  ok &= shut.save(dir + "/main_shut.png") && open.save(dir + "/main_open.png");
  const QImage scrolled = MainWindow(set, {true, false, 200});
  ok &= scrolled.save(dir + "/main_scrolled.png");
  ok &= Enlarged(scrolled.copy(140, 180, 280, 210), 2).save(dir + "/main_scrolled_2x_middle.png");
  ok &= Enlarged(shut.copy(0, 0, 280, 210), 2).save(dir + "/main_shut_2x_topleft.png");
  ok &= Enlarged(shut.copy(240, 110, 280, 210), 2).save(dir + "/main_shut_2x_dial.png");
  ok &= Enlarged(open.copy(0, 0, 280, 210), 2).save(dir + "/main_open_2x_topleft.png");
  ok &= Enlarged(open.copy(280, 0, 280, 210), 2).save(dir + "/main_open_2x_topright.png");
  for (const Mock& m : Mocks()) ok &= Enlarged(Dialog(set, m), 2).save(dir + "/dialog_" + m.name + ".png");
  ok &= StripSheet(set, "zip", "zipmask", kZipFrames, kZipW, kZipH).save(dir + "/strip_zip.png");
  ok &= StripSheet(set, "enc", "encmask", kEncFrames, kEncW, kEncH).save(dir + "/strip_enc.png");
  ok &= Cursors(set).save(dir + "/cursors_6x.png");
  const QImage parts = SmallParts(set);
  ok &= Enlarged(parts, 2).save(dir + "/parts.png");
  ok &= Enlarged(parts.copy(0, 0, 280, parts.height()), 4).save(dir + "/parts_4x_left.png");
  return ok;
}

}  // namespace skin
