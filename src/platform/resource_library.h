#pragma once

#include <QCursor>
#include <QImage>
#include <QString>

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

  // The named picture as 32-bit premultiplied ARGB; a null image when the skin lacks it.
  static QImage Picture(const QString& name);
  static QCursor Cursor(const QString& name);

 private:
  static QString loadedPath_;
};

// The three custom cursors that windows and controls select by number: 1 "hand1",
// 2 "hand2", 3 "hand3"; 0 and unknown numbers give the default pointer.
class CursorSlots {
 public:
  static void Install();
  static QCursor Get(int slot);
};

}  // namespace kestramo
