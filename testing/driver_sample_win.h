#pragma once
// A small dialog with one control of each kind, for the dialog driver's own
// tests and their helper program. It keeps what it saw in gSample.
#include <windows.h>

#include <string>

#include "common/message.h"
#include "testing/driver_sample_ids.h"

struct SampleDialogState {
  // Taken over from the controls on OK.
  std::string name;
  int level = 0;
  int count = 0;
  bool draw = false;
  std::string drawText;
  bool whole = false;
  std::string listEntry;
  std::string comboEntry;
  // Notifications as they came.
  int nameChanges = 0;
  int levelNotices = 0;
  int countNotices = 0;
  int countDeltas = 0;
  int listChanges = 0;
  int comboChanges = 0;
  bool asked = false;
  MessageAnswer askAnswer = MessageAnswer::Cancel;
};

extern SampleDialogState gSample;

// Shown through RunDialog, so it carries its template id.
INT_PTR RunSampleDialog(HWND owner);
// Modeless, hidden until shown; OK and Cancel only hide it.
HWND CreateSampleDialog(HWND owner);
// Shown without the template id, as a dialog of some other code would be.
INT_PTR RunUntaggedSampleDialog(HWND owner);
