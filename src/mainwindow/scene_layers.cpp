// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/scene_layers.h"

#include "controls/picture_ops.h"
#include "mainwindow/layered_image.h"
#include "platform/resource_library.h"

namespace kestramo {

namespace {

// One box panel: its parts relative to the first panel's home positions.
void AddPanel(std::vector<SceneLayerDef>& t, int first, int dy) {
  const SceneLayerDef parts[] = {
      {0, "sbox", "", 16, 60, 0},           {1, "sslider", "sslidera", 426, 126, 2},
      {2, "light", "", 27, 121, 0},         {3, "rsd", "", 237, 120, 0},
      {4, "lsd", "", 26, 120, 0},           {5, "sblight", "sblighta", 458, 73, 1},
      {6, "sbfil", "sbalpha", 26, 99, 1},   {7, "sbfol", "sbalpha", 118, 99, 1},
      {8, "sbexp", "sbalpha", 210, 99, 1},  {9, "sbdel", "sbalpha", 302, 99, 1},
      {10, "sbcom", "sbalpha", 394, 99, 1}, {11, "shdown", "shdowna", 240, 233, 2},
  };
  for (SceneLayerDef d : parts) {
    d.number += first;
    d.top += dy;
    t.push_back(d);
  }
}

std::vector<SceneLayerDef> BuildTable() {
  std::vector<SceneLayerDef> t;
  AddPanel(t, layer::kPanel, 0);
  AddPanel(t, layer::kSecondPanel, kPanelHeight);
  const SceneLayerDef rest[] = {
      {layer::kBigBox, "bbox", "bboxa", 0, 0, 0},
      {layer::kBigSlider, "bslider", "bslidera", 490, 66, 2},
      {layer::kBigRightDoor, "rbd", "", 263, 59, 0},
      {layer::kBigLeftDoor, "lbd", "", 9, 59, 0},
      {layer::kNewBox, "bbnew", "bbalpha", 8, 39, 1},
      {layer::kDeleteBox, "bbdel", "bbalpha", 63, 39, 1},
      {layer::kFind, "bbfin", "bbalpha", 118, 39, 1},
      {layer::kKeyButton, "bbpas", "bbalpha", 173, 39, 1},
      {layer::kHelp, "bbhel", "bbalpha", 228, 39, 1},
      {layer::kAbout, "bbabo", "bbalpha", 283, 39, 1},
      {layer::kMinimise, "bbmin", "bbalpha", 448, 39, 1},
      {layer::kExit, "bbexi", "bbalpha", 503, 39, 1},
      {layer::kBigHandle, "bhdown", "bhdowna", 265, 200, 2},
  };
  t.insert(t.end(), std::begin(rest), std::end(rest));
  return t;
}

bool IsLight(int number) { return number == layer::kLight || number == layer::kSecondPanel + layer::kLight; }

}  // namespace

const std::vector<SceneLayerDef>& SceneLayerTable() {
  static const std::vector<SceneLayerDef> table = BuildTable();
  return table;
}

QStringList ScenePictureNames() {
  QStringList names = {QStringLiteral("bhup"), QStringLiteral("bhupa"), QStringLiteral("shup"),
                       QStringLiteral("shupa")};
  for (const SceneLayerDef& d : SceneLayerTable()) {
    for (const char* name : {d.picture, d.alpha}) {
      if (*name != '\0' && !names.contains(QLatin1String(name))) names << QString::fromLatin1(name);
    }
  }
  return names;
}

void CreateSceneLayers(LayeredImage& image) {
  image.BeginUpdate();
  for (const SceneLayerDef& d : SceneLayerTable()) {
    SceneLayer l;
    l.number = d.number;
    l.picture = ResourceLibrary::Picture(QString::fromLatin1(d.picture));
    l.pos = QPointF(d.left, d.top);
    l.cursor = d.cursor;
    if (IsLight(d.number)) {
      l.mouseEvents = false;
      l.mode = DrawMode::LightCombine;
      l.visible = false;
    } else if (*d.alpha == '\0') {
      l.alphaHit = false;
      l.mode = DrawMode::Opaque;
    } else {
      l.alphaHit = true;
      l.mode = DrawMode::Blend;
      l.picture = WithAlphaFromMask(l.picture, ResourceLibrary::Picture(QString::fromLatin1(d.alpha)));
    }
    image.AddLayer(std::move(l));
  }
  image.EndUpdate();
}

}  // namespace kestramo
