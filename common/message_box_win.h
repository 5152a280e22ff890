#pragma once
// Routes every ShowMessage of this process to a real, modal MessageBoxW.
void UseWindowsMessageBoxes();
