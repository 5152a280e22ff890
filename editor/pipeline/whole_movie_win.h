#pragma once
// The whole-movie loop: every frame of the player's movie through one filter
// into a new movie, the sound offered for copying, the outcome reported.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editor/filters/dialog_kind.h"
#include "editor/filters/light_source.h"
#include "editor/pipeline/frame_filter.h"

bool ProcessWholeMovie(const FrameFilter& filter);
// Progress of a command that runs on the user-interface thread: the main
// window's title (standard error in the scripted mode).
void ShowProgress(const std::string& text);
// AVISaveV's progress callback: the percentage in the main window's title;
// never cancels.
BOOL CALLBACK ReportSaveProgress(int percent);

// One driver per filter of the "フィルタ" menu; the dialogs collect the values
// and call these. Each returns the run's success flag.
bool ProcessRgbCorrection(uint8_t ratioR, uint8_t ratioG, uint8_t ratioB, bool invertR,
                          bool invertG, bool invertB);
bool ProcessYCrCbCorrection(uint8_t yPercent, uint8_t crPercent, uint8_t cbPercent);
bool ProcessContrast(int32_t k);
bool ProcessGamma(uint8_t s);
bool ProcessGrayscale();
bool ProcessPale();
// "水彩画", "ぼかし", "アンシャープマスク", "メディアンフィルタ": the kernel by kind.
bool ProcessNeighbourhood(DialogKind kind, uint8_t strength);
bool ProcessEdgeExtraction(uint8_t threshold, uint8_t edgeOperator, bool sharpenFirst);
// Markers in the light dialog's coordinates with its thumbnail rectangle.
bool ProcessLightSource(const LightAnimationSettings& settings);
bool ProcessCustomFilter(const int8_t coefficients[9], uint8_t strength, uint8_t baseRed,
                         uint8_t baseGreen, uint8_t baseBlue);

// editor.exe /filter NAME [VALUE...] IN.AVI OUT.AVI (arguments after the
// switch): no dialog and no message box; progress and messages on standard
// error. Returns the exit code: 0 done, 1 the run failed (no output is left),
// 2 the command line is wrong.
int RunFilterCommand(const std::vector<std::string>& arguments);
