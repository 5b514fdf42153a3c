#include "selectdatafiles.h"
