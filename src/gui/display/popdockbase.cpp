#include "popdockbase.h"
