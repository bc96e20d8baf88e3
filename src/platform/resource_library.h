// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QImage>
#include <QString>
#include <QStringList>

namespace kestramo {

// The skin: every picture and cursor of the program by its resource name, from the
// resource file "kqxres.rcc" the program ships (pictures are PNG; a cursor's hot spot
// is stored in its picture's "HotSpot" text as "x,y").
class ResourceLibrary {
 public:
  // Registers the resource file; false when it is missing or unreadable.
  static bool Load(const QString& rccPath = DefaultPath());
  static void Unload();
  static bool IsLoaded();
  static QString DefaultPath();

  // The scale the window's pictures are wanted at: the screens' device pixel ratio. The skin
  // carries each picture at 1, 1.5 and 2 ("name@1.5x", "name@2x"); the smallest one at least
  // as dense as asked is used (2 above that). Set before the windows load their pictures.
  static void SetScale(qreal devicePixelRatio);
  static qreal Scale() { return scale_; }

  // The named picture at the current scale as 32-bit premultiplied ARGB, its device pixel
  // ratio set so that it covers the same logical pixels at every scale; a null image when
  // the skin lacks it.
  static QImage Picture(const QString& name);
  // Decodes the named pictures ahead of their use, on two threads at once: on a dense screen
  // start-up decodes four times the pixels.
  static void Prefetch(const QStringList& names);

  // The named picture at scale 1 (pictures stored into items, or measured pixel by pixel).
  static QImage PlainPicture(const QString& name);
  static QCursor Cursor(const QString& name);

 private:
  static QString loadedPath_;
  static qreal scale_;
};

// The three custom cursors that windows and controls select by number: 1 "hand1",
// 2 "hand2", 3 "hand3"; 0 and unknown numbers give the default pointer.
class CursorSlots {
 public:
  static void Install();
  static QCursor Get(int slot);
};

}  // namespace kestramo
