#include "greyscale.h"
