#include "datafileloader.h"
