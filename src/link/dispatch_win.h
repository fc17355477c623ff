// Handling of every text a browser sends to the panel under "通知".
#pragma once

namespace vuv::win {

// The receiver's callback: reads the last "通知" payload and carries out
// what it asks for.
void dispatchNotification();

}  // namespace vuv::win
