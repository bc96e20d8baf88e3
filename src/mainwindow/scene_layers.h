// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace kestramo {

class LayeredImage;

// One row of the scene's layer table: the layer's number, picture, alpha picture (empty:
// an opaque layer without alpha hit), home position and cursor.
struct SceneLayerDef {
  int number;
  const char* picture;
  const char* alpha;
  int left;
  int top;
  int cursor;
};

// The layer numbers the rest of the window refers to.
namespace layer {
// A panel's parts; the first panel's are these numbers, the second panel's the same plus
// kSecondPanel.
inline constexpr int kPanel = 0, kItemSlider = 1, kLight = 2, kRightDoor = 3, kLeftDoor = 4, kLightSwitch = 5;
inline constexpr int kAddFiles = 6, kAddFolder = 7, kExtract = 8, kDeleteItems = 9, kComment = 10, kHandle = 11;
inline constexpr int kSecondPanel = 12;  // the second panel's parts are 12 to 23, in the same order
inline constexpr int kPanelLayers = 12;
inline constexpr int kBigBox = 24, kBigSlider = 25, kBigRightDoor = 26, kBigLeftDoor = 27, kBigHandle = 38;
// The top row of buttons.
inline constexpr int kNewBox = 28, kDeleteBox = 29, kFind = 30, kHelp = 32, kAbout = 33, kMinimise = 36, kExit = 37;
inline constexpr int kKeyButton = 31;       // the top row's password button
inline constexpr int kClosedSafeHint = 39;  // the plate on the closed doors of an empty vault

// A panel part's number within its panel, the same on both panels (kAddFiles for either Files
// button); the other layers keep their own number.
inline int PartOf(int number) { return number >= 0 && number < kBigBox ? number % kPanelLayers : number; }
}  // namespace layer

// Panel pitch: the boxes form one column of panels of this height.
inline constexpr int kPanelHeight = 351;

const std::vector<SceneLayerDef>& SceneLayerTable();

// Every picture the scene is made of (layers, their alpha masks, the doors' and handles'
// other faces), for decoding ahead.
QStringList ScenePictureNames();

// Creates every layer of the table, in number order, on the image.
void CreateSceneLayers(LayeredImage& image);

}  // namespace kestramo
