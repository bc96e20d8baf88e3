// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/layer_hints.h"

#include <map>

#include "mainwindow/scene_layers.h"

namespace kestramo {

bool IsButtonLayer(int n) {
  const int part = layer::PartOf(n);
  return (part >= layer::kAddFiles && part <= layer::kComment) || (n >= layer::kNewBox && n <= layer::kExit);
}

QString LayerHint(int number) {
  static const std::map<int, const char*> kHints = {
      {layer::kItemSlider, "Scroll the items (mouse wheel over the list, arrows, Page Up, Page Down, Home, End)"},
      {layer::kLightSwitch, "Light: press to switch on, again to switch off (Ctrl+L)"},
      {layer::kAddFiles, "Add files to this box, or drop them on it (Ctrl+O)"},
      {layer::kAddFolder, "Add a folder to this box (Ctrl+Shift+O)"},
      {layer::kExtract, "Extract the chosen items (Ctrl+E, Enter, double click)"},
      {layer::kDeleteItems, "Delete the chosen items (Delete)"},
      {layer::kComment, "Comment the chosen item (Ctrl+M)"},
      {layer::kHandle, "Open or close this box's doors (Ctrl+D)"},
      {layer::kBigSlider, "Scroll through the boxes: mouse wheel over the boxes, Ctrl+Page Up and Ctrl+Page Down"},
      {layer::kNewBox, "New box (Ctrl+N)"},
      {layer::kDeleteBox, "Delete the chosen box and its items (Ctrl+Delete)"},
      {layer::kFind, "Find items by name or comment (Ctrl+F)"},
      {layer::kKeyButton,
       "Password, hardening and the check of every item (Ctrl+P; Ctrl+Shift+H hardens, Ctrl+Shift+K checks)"},
      {layer::kHelp, "Help (F1)"},
      {layer::kAbout, "About KESTRAMO"},
      {layer::kMinimise, "Minimise"},
      {layer::kExit, "Exit (Ctrl+Q)"},
      {layer::kBigHandle, "Open or close the safe (Ctrl+Shift+D)"},
  };
  const int part = layer::PartOf(number);
  const auto it = kHints.find(part);
  return it == kHints.end() ? QString() : QString::fromUtf8(it->second);
}

}  // namespace kestramo
