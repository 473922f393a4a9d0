// Vector operations. Placeholder until the vector math lands.
#include "scene/vector.h"
