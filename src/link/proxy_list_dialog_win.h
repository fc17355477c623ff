// The instance menu's "按列表设置代理IP": a proxy per copy. The operator types
// one "IP:port" a line; the selected rows, first to last, take the lines in
// turn (row i line i, from the first line again when the rows outnumber the
// lines), each posted as the two proxy messages "设置代理IP" posts.
#pragma once

#include <windows.h>

namespace vuv::win {

class InstancePage;

// Shows the dialog modally over owner. Confirming with any invalid line names
// every such line by its number in one message and posts nothing; the dialog
// stays open with the text for correcting. A list without any proxy is
// refused the same way. A valid list goes to the rows selected when it is
// confirmed.
void setProxyListForSelected(HWND owner, InstancePage& instances);

}  // namespace vuv::win
