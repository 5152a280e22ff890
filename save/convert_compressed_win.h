#pragma once
#include "save/convert_temp_internal_win.h"

// The compressed way: frames pasted into an editable stream, the save
// settings dialog, then the save. outcome->deleteFlag tells whether the temp
// files are to go after a success (the dialog may clear it).
bool ConvertTempCompressed(const TempConversion& conversion, ConversionOutcome* outcome);
