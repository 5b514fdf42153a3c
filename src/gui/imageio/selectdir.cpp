#include "selectdir.h"
