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
      {layer::kItemSlider, "Scroll the items (mouse wheel over the list)"},
      {layer::kLightSwitch, "Light: press to switch on, again to switch off"},
      {layer::kAddFiles, "Add files to this box (or drop them on it)"},
      {layer::kAddFolder, "Add a folder to this box"},
      {layer::kExtract, "Extract the chosen items (Enter, double click)"},
      {layer::kDeleteItems, "Delete the chosen items (Delete)"},
      {layer::kComment, "Comment the chosen item"},
      {layer::kHandle, "Open or close this box's doors"},
      {layer::kBigSlider, "Scroll through the boxes (mouse wheel over the boxes)"},
      {layer::kNewBox, "New box"},
      {layer::kDeleteBox, "Delete the chosen box"},
      {layer::kFind, "Find items by name or comment (Ctrl+F)"},
      {layer::kKeyButton, "Password"},
      {layer::kHelp, "Help (F1)"},
      {layer::kAbout, "About KESTRAMO"},
      {layer::kMinimise, "Minimise"},
      {layer::kExit, "Exit"},
      {layer::kBigHandle, "Open or close the safe"},
  };
  const int part = layer::PartOf(number);
  const auto it = kHints.find(part);
  return it == kHints.end() ? QString() : QString::fromUtf8(it->second);
}

}  // namespace kestramo
