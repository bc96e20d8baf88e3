// SPDX-License-Identifier: GPL-3.0-or-later
// Draws every picture of the skin into a directory and lists them in kqxres.qrc.
// With "--preview DIR" it also writes composites of the skin as the program shows it.
#include <QDir>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

#include "icons.h"
#include "preview.h"
#include "skin_set.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  QString previewDir;
  const int at = int(args.indexOf("--preview"));
  if (at >= 0 && at + 1 < args.size()) {
    previewDir = args[at + 1];
    args.remove(at, 2);
  }
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: kqx_skin OUTDIR [--preview DIR]\n");
    return 2;
  }
  const skin::ResourceSet set = skin::DrawAllScales();
  if (!set.Write(args[0])) {
    std::fprintf(stderr, "kqx_skin: cannot write the skin into %s\n", qPrintable(args[0]));
    return 1;
  }
  // The desktop's icon theme wants the program's icon at several sizes, beside the skin.
  QDir().mkpath(args[0] + "/icons");
  for (const int size : skin::kDesktopIconSizes) {
    if (!skin::ProgramIcon(size).save(QString("%1/icons/%2.png").arg(args[0]).arg(size), "PNG")) {
      std::fprintf(stderr, "kqx_skin: cannot write the program's icons into %s\n", qPrintable(args[0]));
      return 1;
    }
  }
  if (!previewDir.isEmpty() && !skin::WritePreviews(set, previewDir)) {
    std::fprintf(stderr, "kqx_skin: cannot write the previews into %s\n", qPrintable(previewDir));
    return 1;
  }
  return 0;
}
