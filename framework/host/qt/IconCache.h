// Icons of the program's resources (ICO or PNG files embedded at build time), decoded once per id.
#pragma once

#include <QIcon>

namespace fw::qt {

// A null icon when the id is unknown or its bytes are not a picture.
QIcon IconForResource(int id);

}  // namespace fw::qt
