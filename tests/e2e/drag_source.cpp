// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for a file manager in the tests of the real window: a small window that starts
// a drag of the files named on its command line when it is pressed, through the window
// system's own drag and drop, and prints the drop's outcome ("copy" or "ignored").
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class DragSource : public QWidget {
 public:
  explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
    setWindowTitle(QStringLiteral("drag source"));
    setFixedSize(120, 60);
  }

 protected:
  void mousePressEvent(QMouseEvent*) override {
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setUrls(urls_);
    drag->setMimeData(mime);
    const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    std::printf("%s\n", done == Qt::CopyAction ? "copy" : done == Qt::IgnoreAction ? "ignored" : "other");
    std::fflush(stdout);
    // The drop's target reads the files' names after the drag has ended here: stay a while
    // to answer, as a file manager does.
    QTimer::singleShot(5000, qApp, &QApplication::quit);
  }

 private:
  QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (int i = 1; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  DragSource source(urls);
  source.move(680, 530);  // beside the safe, as a file manager would be
  source.show();
  return app.exec();
}
