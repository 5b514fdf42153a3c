#include "dispa.h"
