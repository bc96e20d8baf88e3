// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/panel_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "controls/picture_ops.h"
#include "platform/resource_library.h"

namespace kestramo {

namespace {

constexpr int kRowHeight = 60;
constexpr int kListTop = 60, kListBottom = 337, kTextRight = 415;
constexpr int32_t kWholeRows = (kListBottom - kListTop) / kRowHeight;  // rows the list shows whole
const QColor kShadow(0, 0, 0);
const QColor kLabelSelected(237, 254, 245), kLabel(210, 210, 255);
const QColor kValueSelected(255, 255, 255), kValue(255, 255, 128);
// A selected row lies on a band of warm light, with a brass edge on its left.
const QColor kSelectionBand(255, 214, 120, 60), kSelectionEdge(232, 190, 92, 220);
const QColor kHint(150, 156, 190);

// A rectangle given by its left, top, right and bottom, the right and bottom excluded.
QRect R(int left, int top, int right, int bottom) { return QRect(left, top, right - left, bottom - top); }

QFont PanelFont(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);  // 9 and 16 points at 96 dots per inch
  return font;
}

// Text from the rectangle's top-left, cut with an ellipsis at its right edge.
void DrawElided(QPainter& p, const QRect& r, const QString& text) {
  p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
             p.fontMetrics().elidedText(text, Qt::ElideRight, r.width()));
}

void DrawAt(QPainter& p, int x, int y, const QString& text) {
  p.drawText(QRect(x, y, 1000, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void CopyStrip(QPainter& p, const QImage& pristine, const QRect& r) {
  p.setCompositionMode(QPainter::CompositionMode_Source);
  const qreal scale = pristine.devicePixelRatio();  // the source is in the picture's own pixels
  p.drawImage(QRectF(r), pristine, QRectF(QPointF(r.topLeft()) * scale, QSizeF(r.size()) * scale));
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// A small brass speech bubble at the row's top right: the item carries a comment.
void DrawCommentMark(QPainter& p, int h) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(389.5, h + 3.5, 16, 11), 3, 3);
  bubble.moveTo(393.5, h + 14);
  bubble.lineTo(392.5, h + 18.5);
  bubble.lineTo(398, h + 14);
  p.setPen(QPen(kShadow, 1));
  p.setBrush(kSelectionEdge);
  p.drawPath(bubble.simplified());
  p.setPen(QPen(QColor(60, 44, 10), 1));
  for (int line = 0; line < 2; ++line) p.drawLine(QPointF(393, h + 7.5 + line * 3), QPointF(402, h + 7.5 + line * 3));
  p.restore();
}

// What an empty box's list says: how things come into it.
void DrawEmptyListHint(QPainter& p) {
  p.setPen(kHint);
  p.drawText(R(30, kListTop + 20, 400, kListBottom - 20), Qt::AlignCenter | Qt::TextWordWrap,
             QString::fromLatin1(kEmptyBoxHint));
}

void DrawRow(QPainter& p, int h, const ItemView& item, const BoxViews& views, bool selected) {
  static const QString labels[4] = {QStringLiteral("Size: "), QStringLiteral("Type: "), QStringLiteral("Date: "),
                                    QStringLiteral("Name: ")};
  const QString values[4] = {item.SizeText, item.TypeText, item.DateText, item.Name};
  const QPoint at[4] = {{55, h}, {55, h + 13}, {55, h + 26}, {20, h + 39}};

  if (selected) {
    p.fillRect(R(18, h + 2, 411, h + kRowHeight - 2), kSelectionBand);
    p.fillRect(R(18, h + 2, 21, h + kRowHeight - 2), kSelectionEdge);
  }
  if (item.icon >= 0) p.drawImage(21, h + 7, views.Icons.shadows[static_cast<std::size_t>(item.icon)]);
  p.setPen(kShadow);
  for (int i = 0; i < 4; ++i) {
    DrawElided(p, R(at[i].x() + 1, at[i].y() + 1, kTextRight, at[i].y() + 21), labels[i] + values[i]);
  }
  if (item.icon >= 0) {
    QImage icon = views.Icons.icons[static_cast<std::size_t>(item.icon)];
    if (selected) LightenPicture(icon, 60);
    p.drawImage(20, h + 6, icon);
  }
  p.setPen(selected ? kLabelSelected : kLabel);
  for (int i = 0; i < 4; ++i) DrawAt(p, at[i].x(), at[i].y(), labels[i]);
  p.setPen(selected ? kValueSelected : kValue);
  for (int i = 0; i < 4; ++i) {
    const int left = at[i].x() + p.fontMetrics().horizontalAdvance(labels[i]);
    DrawElided(p, R(left, at[i].y(), kTextRight, at[i].y() + 20), values[i]);
  }
  if (!item.Comment.isEmpty()) DrawCommentMark(p, h);
}

void DrawDropFrame(QPainter& p) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(R(70, 9, 402, 33), kSelectionBand);
  p.setPen(QPen(kSelectionEdge, 2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(69, 8, 334, 26), 3, 3);
  p.restore();
}

void DrawName(QPainter& p, const QString& name, bool selectedBox) {
  p.setFont(PanelFont(21));
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  const QRect shadow = R(71, 10, 402, 33), face = R(70, 9, 402, 33);
  p.setPen(kShadow);
  p.drawText(shadow, flags, p.fontMetrics().elidedText(name, Qt::ElideRight, shadow.width()));
  p.setPen(selectedBox ? kValueSelected : kValue);
  p.drawText(face, flags, p.fontMetrics().elidedText(name, Qt::ElideRight, face.width()));
}

}  // namespace

QImage ClosedSafePlate() {
  const qreal scale = ResourceLibrary::Scale();  // drawn at the skin's density, like the pictures
  QImage plate(QSize(212, 84) * scale, QImage::Format_ARGB32_Premultiplied);
  plate.setDevicePixelRatio(scale);
  plate.fill(Qt::transparent);
  QPainter p(&plate);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kSelectionEdge, 2));
  p.setBrush(QColor(24, 28, 36, 225));
  p.drawRoundedRect(QRectF(1, 1, 210, 82), 6, 6);
  p.setFont(PanelFont(12));
  p.setPen(kShadow);
  p.drawText(QRect(9, 7, 196, 72), Qt::AlignCenter | Qt::TextWordWrap, QString::fromLatin1(kClosedSafeHint));
  p.setPen(kValue);
  p.drawText(QRect(8, 6, 196, 72), Qt::AlignCenter | Qt::TextWordWrap, QString::fromLatin1(kClosedSafeHint));
  return plate;
}

QImage EmptyPanel(const QImage& pristine) {
  QImage panel = pristine.copy();
  QPainter p(&panel);
  p.setFont(PanelFont(12));
  p.setPen(kHint);
  p.drawText(R(70, 9, 402, 33), Qt::AlignCenter | Qt::TextSingleLine, QString::fromLatin1(kFirstBoxHint));
  return panel;
}

int32_t LastFirstRow(int32_t itemCount) { return std::max(0, itemCount - kWholeRows); }

PanelScroll ScrollFor(int32_t itemCount, float sliderOffset) {
  // The list moves by whole rows: a row scrolled part of the way would lie half under the
  // buttons above the list, and the slider's end shows the last row whole.
  const float along = std::clamp(sliderOffset / kSliderTravel, 0.0f, 1.0f);
  return {static_cast<int32_t>(std::lround(along * static_cast<float>(LastFirstRow(itemCount)))), kListTop};
}

float SliderOffsetFor(int32_t itemCount, int32_t firstRow) {
  const int32_t last = LastFirstRow(itemCount);
  return last == 0 ? 0.0f
                   : kSliderTravel * static_cast<float>(std::clamp(firstRow, 0, last)) / static_cast<float>(last);
}

BoxScroll BoxScrollFor(int boxCount, float sliderTop) {
  const float offset = static_cast<float>(boxCount - 1) * 351.0f * (sliderTop - 66.0f) / 290.0f;
  const auto top = static_cast<int>(offset / 351.0f);
  return {top, offset - static_cast<float>(top) * 351.0f};
}

void DrawBoxPanel(QImage& target, const QImage& pristine, BoxView& box, const BoxViews& views, bool selectedBox,
                  bool dropTarget) {
  QPainter p(&target);
  CopyStrip(p, pristine, R(17, kListTop, 412, kListBottom));
  const PanelScroll scroll = ScrollFor(box.ItemCount(), box.SliderOffset);
  box.FirstRow = scroll.FirstRow;
  box.FirstRowTop = scroll.FirstRowTop;

  p.setFont(PanelFont(12));
  for (int32_t n = box.FirstRow; n < box.ItemCount(); ++n) {
    const int h = box.FirstRowTop + (n - box.FirstRow) * kRowHeight;
    if (h > kListBottom) break;
    const auto slot = static_cast<std::size_t>(box.ItemSlot[static_cast<std::size_t>(n)]);
    DrawRow(p, h, views.Items[slot], views, box.Selected[static_cast<std::size_t>(n)] != 0);
  }
  if (box.ItemCount() == 0) DrawEmptyListHint(p);
  CopyStrip(p, pristine, R(17, 0, 412, kListTop));
  if (dropTarget) DrawDropFrame(p);
  DrawName(p, box.Name, selectedBox || dropTarget);
  CopyStrip(p, pristine, R(17, kListBottom, 412, 351));
}

}  // namespace kestramo
