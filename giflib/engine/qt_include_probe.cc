// Not part of any library: the build checks with it that the engine's code cannot reach Qt.
// Compiled with the engine's settings, this include must fail.
#include <QImage>
