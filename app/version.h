// The program's version: the window title and the version resource both take
// it from here, and scripts/package.sh names the packages after it.
#pragma once

#define ORBISCA_VERSION_TEXT "0.04"
#define ORBISCA_VERSION_NUMBERS 0, 4, 0, 0
