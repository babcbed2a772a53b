// The editor's whole picture from its state.
#pragma once

#include "EditorState.h"
#include "PixelCanvas.h"

// [UI thread] draws `state` over the whole canvas, which should have the
// size EditorLayout gives for the state's parameters and scale; a canvas of
// another size shows what fits.
void drawEditor(const EditorState& state, PixelCanvas& canvas);
