#pragma once

// The program entry of dravo-kit: the application object, the command line, the game search with its
// folder chooser, the main window and the event loop.

namespace dravo {

// Before the application object is made: the OpenGL format every window shares (the view's device needs
// OpenGL 3.3 core, and the window's own drawing must share its context).
void PrepareKitApplication();

// dravo-kit [--game DIR] [--screenshot FILE.png]; returns the process's exit code.
int RunDravoKit(int argc, char** argv);

}  // namespace dravo
