#pragma once

namespace larkspur {

// Makes the thread's event dispatcher return from its next wait at once. Qt's plain
// Unix dispatcher, unlike the GLib one, goes on to block after delivering posted
// events, so a local wait loop that ended inside it, or the loop around it, would
// otherwise sleep until some unrelated event arrives.
void wakeEventLoop();

} // namespace larkspur
