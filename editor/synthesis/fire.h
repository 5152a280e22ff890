#pragma once
// The fire of the burn effect: a field of heat cells that sparks feed and
// smoothing spreads and cools, the palette that colours heat, and the kernels
// that scorch a picture along its burning line and lay the flames over it.
// Random numbers come from the standard generator (std::rand), which creating
// a field seeds, so a run's sparks differ from the last.
#include <cstdint>
#include <memory>

#include "common/dib_geometry.h"

// width x height heat cells (0 to 255), row 0 at the burning edge.
struct FireField {
  std::unique_ptr<uint8_t[]> heat;
  int width = 0;
  int height = 0;
  uint8_t* Row(int y) { return heat.get() + static_cast<size_t>(y) * static_cast<size_t>(width); }
  const uint8_t* Row(int y) const {
    return heat.get() + static_cast<size_t>(y) * static_cast<size_t>(width);
  }
};

// All cells cold; seeds the generator from the processor clock. False when
// the memory cannot be had or a side is not above 0.
bool CreateFireField(FireField* field, int width, int height);

// One step: `sparks` cells near the base row flare to 255, `dampers` cells a
// little further up are halved, then every cell is smoothed with its
// neighbours (FireSmooth).
void StepFire(FireField* field, int sparks, int dampers, int baseRow);
void StepFire_ref(FireField* field, int sparks, int dampers, int baseRow);
// The sparks and dampers of a step, shared by both versions so their draws agree.
void ScatterFire(FireField* field, int sparks, int dampers, int baseRow);

// The in-place smoothing of a step, rows from the last to 0, columns left to
// right: each cell becomes (itself + left + right + the cell of the row below
// it in the field) / 4, a neighbour outside the field counting 0. The left
// neighbour is already smoothed; the right one and row y - 1 are not.
void FireSmooth(FireField* field);
void FireSmooth_ref(FireField* field);

struct FireColour {
  uint8_t red, green, blue;
};
// The colour of a heat: black up to 15, through dark red, red and orange to
// yellow, white from 213.
FireColour FirePalette(int heat);

// A uniform whole number 0 <= n < limit from the standard generator, also for
// limits past its 32768 values.
int FireRandomBelow(int limit);

// Burning line `line` (counted from the top) of a bottom-up 24-bit picture:
// the line turns black, and each column gets ash on 1 to 4 rows above it,
// lighter further up, as rand() & 3 picks.
void ScorchLine(const FrameView& picture, int line);

// Adds the flames: field row k onto picture row line - k (from the top) for k
// from 0 to line, each channel plus the palette's colour of the heat, at most
// 255. The field is as wide as the picture and at least line + 1 rows high.
void AddFlames(const FrameView& picture, const FireField& field, int line);
void AddFlames_ref(const FrameView& picture, const FireField& field, int line);
