// The program's desktop icons, painted from the loading logo's art.
#pragma once

#include <string>

namespace mkdata {

inline constexpr int kIconSizes[] = {48, 128, 256};

// Writes <hicolorDir>/<N>x<N>/apps/quietorbit.png for every size, the layout
// of an icon theme folder. False (with a message on stderr) on failure.
bool WriteIcons(const std::string& hicolorDir);

}  // namespace mkdata
