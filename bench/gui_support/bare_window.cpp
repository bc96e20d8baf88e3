// SPDX-License-Identifier: GPL-3.0-or-later
// The peer of the exit benchmark: a plain 560x420 window of the same toolkit that ends at
// the first click, with nothing of its own to tear down.
#include <QApplication>
#include <QWidget>

namespace {

class BareWindow : public QWidget {
 protected:
  void mouseReleaseEvent(QMouseEvent*) override { close(); }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BareWindow window;
  window.setWindowTitle(QStringLiteral("bare window"));
  window.setFixedSize(560, 420);
  window.show();
  return app.exec();
}
