#pragma once

namespace vt::gui {

class BrowserWindow;
class MainWindow;
class ReferenceListWindow;

// What the browser's Basic-Info page opens in other windows: the reproduction-index
// dialog, the soil (the parameter window's soil page while the power flag is set, else the
// simple soil dialog), the climate window on the plot's station, and the reference list of
// the plot. Soil and station chosen there go back into the page, which is saved.
void link_browser_windows(MainWindow& main, BrowserWindow& browser, ReferenceListWindow* references);

} // namespace vt::gui
