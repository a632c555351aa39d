#pragma once
// Runs the tests of a Qt layer: the offscreen platform, HOME, XDG_CONFIG_HOME and
// XDG_RUNTIME_DIR in a fresh temporary folder (so QSettings never touches the user's own),
// one QApplication for the whole run.

int RunOffscreenTests(int argc, char** argv);
