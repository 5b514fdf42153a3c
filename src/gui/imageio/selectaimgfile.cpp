#include "selectaimgfile.h"
