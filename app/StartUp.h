#pragma once

namespace quorvane {

class TApplication;

// Gives the application object its title, version, images and the desktop entry its windows
// belong to, so the window manager and the docks match them with the installed entry and icon.
void SetUpApplication(TApplication& application);

} // namespace quorvane
