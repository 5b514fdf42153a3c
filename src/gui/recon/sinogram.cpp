#include "sinogram.h"
