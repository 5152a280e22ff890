// Reference versions: the rules written out cell by cell.
#include "editor/synthesis/fire.h"

namespace {
int Cell(const FireField& f, int x, int y) {
  if (x < 0 || x >= f.width || y < 0 || y >= f.height) return 0;
  return f.Row(y)[x];
}
}  // namespace

void FireSmooth_ref(FireField* field) {
  for (int y = field->height - 1; y >= 0; --y)
    for (int x = 0; x < field->width; ++x) {
      const int sum = Cell(*field, x, y) + Cell(*field, x - 1, y) + Cell(*field, x + 1, y) +
                      Cell(*field, x, y - 1);
      field->Row(y)[x] = static_cast<uint8_t>(sum / 4);
    }
}

void StepFire_ref(FireField* field, int sparks, int dampers, int baseRow) {
  if (!field->heat) return;
  ScatterFire(field, sparks, dampers, baseRow);
  FireSmooth_ref(field);
}

void AddFlames_ref(const FrameView& picture, const FireField& field, int line) {
  if (line < 0 || line >= picture.height || line >= field.height) return;
  for (int k = 0; k <= line; ++k) {
    const int top = line - k;
    uint8_t* row = FrameRow(picture, picture.height - 1 - top);
    for (int x = 0; x < picture.width; ++x) {
      const FireColour c = FirePalette(field.Row(k)[x]);
      const int add[3] = {c.blue, c.green, c.red};
      for (int ch = 0; ch < 3; ++ch) {
        const int v = row[3 * x + ch] + add[ch];
        row[3 * x + ch] = static_cast<uint8_t>(v > 255 ? 255 : v);
      }
    }
  }
}
