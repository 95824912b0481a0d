#pragma once

namespace Nuvra::VRPC {

// Creates the Qt side once: the application object and its style. Without a
// display (neither DISPLAY nor WAYLAND_DISPLAY, and no platform chosen by the
// user) Qt's offscreen platform is used, so the program starts anyway.
void vrpc_init_gui();
// Deletes the application object, if any.
void vrpc_done_gui();
// One pass of main-thread service: shows the about box when the receiver
// thread has asked for it.
void vrpc_throttle();

// The host the broker watches has exited. A host of id 0 is unknown (a
// handshake too short to carry one), not gone.
bool hostIsGone();

// True when the application runs on a platform without a screen (offscreen
// or minimal), where no window can be seen.
bool guiIsHeadless();

} // namespace Nuvra::VRPC
