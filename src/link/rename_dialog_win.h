// The rename dialog: gives the selected browsers a name of the operator's
// choosing, or gives them back the web page's title.
#pragma once

#include <windows.h>

namespace vuv::win {

class InstancePage;

// Shows the dialog modally over owner when the instance table has a
// selection; does nothing otherwise. Confirming (button or Enter) sends the
// name, or the "page title again" action for an empty name, to every row
// selected at that moment; the close box sends nothing.
void openRenameDialog(HWND owner, InstancePage& instances);

}  // namespace vuv::win
