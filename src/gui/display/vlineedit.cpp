#include "vlineedit.h"
