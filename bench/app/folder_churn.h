#pragma once
// The folder tree while a parent of the chosen folder keeps changing (see folder_churn.cpp).

namespace vellora::bench {

// Starts the window on a folder whose parent holds 3,000 files and gets a new file five times
// a second, for `seconds`, and prints the longest stall of the window's event loop and the
// processor time its thread spent.
void folderChurn(int seconds);

} // namespace vellora::bench
