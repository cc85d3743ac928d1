#include "names.h"

#include "version.h"

const char* const filter_names[6] = {"Rubik", "GrayScale", "Emboss", "Sepia", "GrayScaleInvert", nullptr};
const char* const uv_names[5] = {"Simple", "Zoom", "Lens", "Displacement", nullptr};
const char* const transition_names[3] = {"Fade", "Sector", nullptr};

const char window_class_name[] = "qelvar_orbisca";
const char window_title[] = "qelvar orbisca v" ORBISCA_VERSION_TEXT;
