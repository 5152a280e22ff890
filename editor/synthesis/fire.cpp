#include "editor/synthesis/fire.h"

#include <cstdlib>
#include <ctime>
#include <new>

namespace {
struct Step {
  uint8_t heat, value;
};
// Heat at which each channel takes its next value.
constexpr Step kRedSteps[] = {
    {0, 0},     {16, 1},    {19, 2},    {24, 3},    {27, 5},    {29, 6},    {32, 7},    {35, 9},
    {38, 11},   {41, 13},   {43, 15},   {46, 17},   {49, 19},   {51, 21},   {54, 24},   {57, 26},
    {59, 29},   {61, 32},   {63, 34},   {66, 38},   {69, 41},   {71, 44},   {73, 47},   {76, 51},
    {79, 54},   {81, 58},   {84, 62},   {87, 66},   {89, 71},   {91, 75},   {93, 80},   {95, 84},
    {97, 89},   {100, 93},  {103, 98},  {105, 103}, {107, 108}, {109, 113}, {111, 118}, {114, 123},
    {117, 129}, {119, 134}, {121, 140}, {123, 146}, {126, 152}, {129, 158}, {131, 164}, {133, 170},
    {136, 176}, {139, 184}, {141, 191}, {143, 197}, {145, 204}, {148, 211}, {151, 218}, {153, 225},
    {155, 232}, {158, 240}, {161, 247}, {167, 255}};
constexpr Step kGreenSteps[] = {
    {0, 0},     {84, 1},    {89, 2},    {98, 3},    {102, 5},   {105, 6},   {107, 7},   {110, 9},
    {113, 11},  {115, 13},  {117, 15},  {119, 17},  {121, 19},  {123, 21},  {125, 24},  {127, 26},
    {129, 29},  {131, 32},  {132, 34},  {134, 38},  {135, 41},  {136, 44},  {138, 47},  {139, 51},
    {140, 54},  {141, 58},  {143, 62},  {144, 66},  {145, 71},  {146, 75},  {147, 80},  {148, 84},
    {150, 89},  {151, 93},  {152, 98},  {153, 103}, {154, 108}, {155, 113}, {156, 118}, {157, 123},
    {158, 129}, {159, 134}, {160, 140}, {161, 146}, {162, 152}, {163, 158}, {164, 170}, {165, 176},
    {166, 184}, {167, 191}, {168, 197}, {169, 204}, {170, 211}, {171, 218}, {172, 225}, {173, 232},
    {174, 240}, {175, 247}, {181, 255}};
constexpr Step kBlueSteps[] = {
    {0, 0},     {131, 1},   {136, 2},   {144, 3},   {148, 5},   {152, 6},   {156, 7},
    {159, 9},   {162, 11},  {165, 13},  {167, 15},  {169, 17},  {171, 19},  {173, 21},
    {175, 24},  {176, 29},  {177, 32},  {178, 34},  {179, 38},  {180, 44},  {181, 47},
    {182, 51},  {183, 58},  {184, 62},  {185, 71},  {186, 75},  {187, 80},  {188, 89},
    {189, 93},  {190, 103}, {191, 108}, {192, 113}, {193, 123}, {194, 129}, {195, 140},
    {196, 146}, {197, 152}, {198, 164}, {199, 170}, {200, 184}, {201, 191}, {202, 197},
    {203, 211}, {204, 218}, {205, 225}, {206, 232}, {207, 240}, {208, 247}, {213, 255}};

struct PaletteTable {
  uint8_t red[256], green[256], blue[256];
};

template <size_t N>
void FillChannel(uint8_t (&channel)[256], const Step (&steps)[N]) {
  size_t next = 0;
  uint8_t value = 0;
  for (int heat = 0; heat < 256; ++heat) {
    while (next < N && steps[next].heat == heat) value = steps[next++].value;
    channel[heat] = value;
  }
}

const PaletteTable& Palette() {
  static const PaletteTable table = [] {
    PaletteTable t{};
    FillChannel(t.red, kRedSteps);
    FillChannel(t.green, kGreenSteps);
    FillChannel(t.blue, kBlueSteps);
    return t;
  }();
  return table;
}

int Random15() {
  return std::rand() & 0x7FFF;  // the 15 bits every C library's rand() gives
}

uint8_t AddSaturated(uint8_t a, uint8_t b) {
  const int sum = a + b;
  return static_cast<uint8_t>(sum > 255 ? 255 : sum);
}
}  // namespace

FireColour FirePalette(int heat) {
  const PaletteTable& p = Palette();
  const int i = heat < 0 ? 0 : heat > 255 ? 255 : heat;
  return {p.red[i], p.green[i], p.blue[i]};
}

int FireRandomBelow(int limit) {
  if (limit <= 1) return 0;
  if (limit <= 0x8000) return Random15() % limit;
  const int wide = Random15() << 15 | Random15();  // 30 bits for pictures past 32768 columns
  return wide % limit;
}

void ScatterFire(FireField* field, int sparks, int dampers, int baseRow) {
  const int w = field->width, h = field->height;
  for (int i = 0; i < sparks; ++i) {
    const int x = FireRandomBelow(w);
    int y = baseRow + (Random15() & 3);
    if (y > h - 1) y = h - 1;
    field->Row(y)[x] = 255;
  }
  for (int i = 0; i < dampers; ++i) {
    const int x = FireRandomBelow(w);
    int y = baseRow + (Random15() & 31);
    if (y > h - 1) y = h - 1;
    field->Row(y)[x] >>= 1;
  }
}

bool CreateFireField(FireField* field, int width, int height) {
  field->heat.reset();
  field->width = field->height = 0;
  if (width <= 0 || height <= 0) return false;
  const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(height);
  field->heat.reset(new (std::nothrow) uint8_t[cells]());
  if (!field->heat) return false;
  field->width = width;
  field->height = height;
  std::srand(static_cast<unsigned>(std::clock()));
  return true;
}

void FireSmooth(FireField* field) {
  const int w = field->width, h = field->height;
  for (int y = h - 1; y >= 0; --y) {
    uint8_t* row = field->Row(y);
    const uint8_t* below = y > 0 ? field->Row(y - 1) : nullptr;
    unsigned left = 0;
    for (int x = 0; x < w; ++x) {
      const unsigned right = x + 1 < w ? row[x + 1] : 0;
      const unsigned under = below ? below[x] : 0;
      left = (row[x] + left + right + under) >> 2;
      row[x] = static_cast<uint8_t>(left);
    }
  }
}

void StepFire(FireField* field, int sparks, int dampers, int baseRow) {
  if (!field->heat) return;
  ScatterFire(field, sparks, dampers, baseRow);
  FireSmooth(field);
}

void ScorchLine(const FrameView& picture, int line) {
  if (line < 0 || line >= picture.height) return;
  // Rows counted from the top; the frame's rows are bottom-up.
  auto rowFromTop = [&](int top) { return FrameRow(picture, picture.height - 1 - top); };
  uint8_t* black = rowFromTop(line);
  for (int i = 0; i < 3 * picture.width; ++i) black[i] = 0;
  static constexpr uint8_t kAsh[4] = {200, 150, 100, 50};  // rows line - 4 .. line - 1
  for (int x = 0; x < picture.width; ++x) {
    const int r = Random15() & 3;
    for (int i = r; i < 4; ++i) {
      const int top = line - 4 + i;
      if (top < 0) continue;
      uint8_t* p = rowFromTop(top) + 3 * x;
      p[0] = p[1] = p[2] = kAsh[i];
    }
  }
}

void AddFlames(const FrameView& picture, const FireField& field, int line) {
  const PaletteTable& p = Palette();
  if (line < 0 || line >= picture.height || line >= field.height) return;
  for (int k = 0; k <= line; ++k) {
    uint8_t* row = FrameRow(picture, picture.height - 1 - (line - k));
    const uint8_t* heat = field.Row(k);
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t h = heat[x];
      if (h < 16) continue;  // black adds nothing
      row[3 * x] = AddSaturated(row[3 * x], p.blue[h]);
      row[3 * x + 1] = AddSaturated(row[3 * x + 1], p.green[h]);
      row[3 * x + 2] = AddSaturated(row[3 * x + 2], p.red[h]);
    }
  }
}
