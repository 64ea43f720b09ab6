#pragma once

namespace lumicap::platform {

// Called with main's result once every object main made is gone: returns it
// (POSIX), or ends the process with it without the libraries' detach
// (Windows). MinGW's runtime runs the destructors of Qt's thread-local
// animation timers in libstdc++'s detach, after Qt Core's own teardown; they
// then adopt the main thread anew and wait for a watcher thread that can
// never start, so a window that had animated left a process that never
// ended. Standard streams are flushed first; nothing else of ours is open.
int endProcess(int status);

} // namespace lumicap::platform
