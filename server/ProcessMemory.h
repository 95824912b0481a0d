#pragma once

// The child's freed memory: kept in the process while frames come, so that
// the next frame's buffers do not fault their pages in again, and given back
// to the system once rendering has paused for a while.

namespace Nuvra::VRPC {

// Lets the heap keep what is freed instead of returning it at once. Called
// once, before the first frame.
void keepFreedMemory();

// Gives every kept buffer and the heap's free pages back to the system.
// Buffers in use are not affected; safe while a render runs.
void giveBackMemory();

} // namespace Nuvra::VRPC
