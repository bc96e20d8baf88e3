#include "mainwindow/layer_hints.h"

#include <map>

#include "mainwindow/scene_layers.h"

namespace kestramo {

bool IsButtonLayer(int n) { return (n >= 6 && n <= 10) || (n >= 18 && n <= 22) || (n >= 28 && n <= 37); }

QString LayerHint(int number) {
  static const std::map<int, const char*> kHints = {
      {1, "Scroll the items (mouse wheel over the list)"},
      {5, "Light: press to switch on, again to switch off"},
      {6, "Add files to this box (or drop them on it)"},
      {7, "Add a folder to this box"},
      {8, "Extract the chosen items (Enter, double click)"},
      {9, "Delete the chosen items (Delete)"},
      {10, "Comment the chosen item"},
      {11, "Open or close this box's doors"},
      {25, "Scroll through the boxes (mouse wheel over the boxes)"},
      {28, "New box"},
      {29, "Delete the chosen box"},
      {30, "Find items by name or comment (Ctrl+F)"},
      {31, "Password"},
      {32, "Help (F1)"},
      {33, "About KESTRAMO"},
      {36, "Minimise"},
      {37, "Exit"},
      {38, "Open or close the safe"},
  };
  const int part = number < layer::kBigBox ? number % layer::kPanelLayers : number;
  const auto it = kHints.find(part);
  return it == kHints.end() ? QString() : QString::fromUtf8(it->second);
}

}  // namespace kestramo
