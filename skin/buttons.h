// SPDX-License-Identifier: GPL-3.0-or-later
// Brass push buttons: the scene's pictogram buttons (with their pressed look, which the
// body and panel pictures carry beneath them) and the dialogs' captioned faces.
#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>
#include <vector>

#include "pictograms.h"
#include "resource_set.h"

namespace skin {

struct SceneButton {
  const char* name;
  Pictogram glyph;
  const char* word;  // shown beside the pictogram on wide faces; may be empty
  int left;          // slot position in the picture that lies beneath the button
};

inline constexpr QSize kBigButton{52, 20};
inline constexpr QSize kSmallButton{88, 20};
inline constexpr int kButtonRowTop = 39;  // in the body and in the panel alike

const std::vector<SceneButton>& BigButtons();
const std::vector<SceneButton>& SmallButtons();

// A scene button face; the idle face carries a soft shadow in its alpha.
QImage SceneButtonFace(QSize size, const SceneButton& button, bool pressed);

// Draws the pressed faces of a row of buttons where their slots are.
void PaintPressedRow(QPainter& p, QSize size, const std::vector<SceneButton>& row);

void AddSceneButtons(ResourceSet& set);

// A dialog button face with the key-black corners the program crops away.
enum class FaceState { Idle, Down, Disabled, Hover };
QImage DialogButtonFace(int width, const QString& caption, FaceState state);
void AddDialogButtons(ResourceSet& set);

}  // namespace skin
