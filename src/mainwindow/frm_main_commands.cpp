// The commands of the main window, one per layer on which a release runs one.
#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"

namespace kestramo {

void FrmMain::RunCommand(int command) {
  switch (command) {
    case 11:
    case 23:
    case layer::kBigHandle: TimerDoor.start(); break;
    case 36: showMinimized(); break;
    case 37: close(); break;
    default: break;
  }
}

void FrmMain::ShowHelp() {}

}  // namespace kestramo
