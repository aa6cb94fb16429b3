#pragma once

#include <QPixmap>
#include <string>
#include <vector>

namespace orvane {

// The icon that stands for a list of paths, drawn at `size` by `size`: the icon theme's
// icon of one file or folder (by its type), or for several a stack of their icons.
QPixmap iconForFiles(const std::vector<std::string>& paths, int size);

} // namespace orvane
