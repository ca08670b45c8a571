// The toolkit's application object, for programs that have none of their own.
#pragma once

namespace platform {

// Makes sure an application object exists. A program that made none (a test, a command-line
// tool) gets a headless one: the "offscreen" platform unless QT_QPA_PLATFORM says otherwise.
// It lives until the process ends. Returns false when none can be had, for example when the
// program made a core application without widgets.
bool EnsureApplication();

// Whether the calling thread may create and use widgets.
bool IsGuiThread();

// Yields to the message loop: handles the events that are waiting, then returns.
void DoEvents();

}  // namespace platform
