#include "selectafile.h"
