#include "colorbar.h"
