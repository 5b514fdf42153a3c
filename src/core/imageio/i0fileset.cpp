#include "i0fileset.h"
